// SPDX-License-Identifier: MIT
// Line-scan speed on one generated 200 MB file of source-code-like lines, beside GNU grep and
// ripgrep (single-threaded) on the same file with the equivalent options, in the same run.
//
//   bench_ScanBench [Google Benchmark options]
// The file is made once in $QUARNEL_BENCH_DIR (default /tmp/quarnel-bench). bench/setup.sh
// installs ripgrep; a tool that is missing is left out of the table.
//
// Hit counts are lines: ours counts the distinct lines with a recorded match; grep and rg count
// with -c (their output goes through a pipe, so neither stops at its first hit). Whole-word
// counts may differ: here a digit is not a word character, in grep and rg it is.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/TLineScanner.h"
#include "engine/TSearchNotifications.h"
#include "model/TFileData.h"
#include "model/TFileList.h"
#include "model/TSearchData.h"
#include "model/TShellInfo.h"

extern char** environ;

namespace {

constexpr std::size_t FileSize = 200'000'000;
constexpr int Iterations = 5;

// ---- the test file ------------------------------------------------------------------------

class Random {
public:
    uint32_t Next()
    {
        State = State * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<uint32_t>(State >> 33);
    }
    uint32_t Below(uint32_t n) { return Next() % n; }
    template <std::size_t N>
    const char* Pick(const char* const (&items)[N]) { return items[Below(N)]; }

private:
    uint64_t State = 0x853c49e6748fea9bull;
};

const char* const Identifiers[] = {
    "dev", "buf", "len", "count", "offset", "priv", "state", "flags", "ctx", "node", "entry", "list",
    "page", "addr", "size", "index", "queue", "lock", "data", "info", "result", "status", "reg", "val",
    "config", "mode", "port", "irq", "timer", "work", "item", "head", "next", "prev", "owner", "table",
    "buffer", "handle", "parent", "child", "ret", "value", "mask", "shift", "base", "limit", "pos",
};
const char* const Macros[] = {
    "GFP_KERNEL", "EINVAL", "ENOMEM", "EBUSY", "PAGE_SIZE", "MAX_ORDER", "PM_SUSPEND", "IRQ_HANDLED",
    "DMA_BIDIRECTIONAL", "HZ", "NULL", "ETIMEDOUT", "SZ_4K", "BIT_MASK", "U32_MAX",
};
const char* const Words[] = {
    "the", "buffer", "is", "allocated", "before", "device", "reset", "and", "freed", "after", "use",
    "caller", "must", "hold", "lock", "when", "calling", "this", "function", "returns", "zero", "on",
    "success", "or", "negative", "error", "code", "queue", "entries", "are", "processed", "in", "order",
    "of", "arrival", "Robert", "wrote", "first", "version", "bufer", "handling", "timeout",
};
const char* const Types[] = {"int", "u32", "unsigned long", "struct device *", "bool", "size_t", "void *"};
const char* const Capitalised[] = {"Io", "Parse", "Timeout", "Format", "Range", "Value", "Overflow"};

std::string Identifier(Random& r)
{
    std::string id = r.Pick(Identifiers);
    if (r.Below(3) == 0) {
        id += '_';
        id += r.Pick(Identifiers);
    }
    return id;
}

void AppendLine(Random& r, std::string& out)
{
    const std::string indent(r.Below(3), '\t');
    switch (r.Below(20)) {
    case 0:
        out += "static int " + Identifier(r) + "(struct " + Identifier(r) + " *" + Identifier(r) + ", " +
               r.Pick(Types) + " " + Identifier(r) + ")\n{\n";
        break;
    case 1:
        out += indent + r.Pick(Types) + " " + Identifier(r) + " = " + std::to_string(r.Below(4096)) + ";\n";
        break;
    case 2:
        out += indent + "if (" + Identifier(r) + " < " + r.Pick(Macros) + ") {\n";
        break;
    case 3:
        out += indent + "\treturn -" + r.Pick(Macros) + ";\n" + indent + "}\n";
        break;
    case 4:
        out += indent + "err = " + Identifier(r) + "_" + Identifier(r) + "(" + Identifier(r) + ", " +
               r.Pick(Macros) + ");\n";
        break;
    case 5:
        out += indent + "if (err)\n" + indent + "\tgoto out_" + Identifier(r) + ";\n";
        break;
    case 6:
        out += indent + "pr_err(\"" + r.Pick(Words) + " " + r.Pick(Words) + " failed: %d\\n\", err);\n";
        break;
    case 7:
    case 8: {
        out += " * ";
        const uint32_t n = 4 + r.Below(8);
        for (uint32_t i = 0; i < n; ++i) {
            out += r.Pick(Words);
            out += i + 1 < n ? " " : ".\n";
        }
        break;
    }
    case 9:
        out += "#define " + std::string(r.Pick(Macros)) + "_" + std::to_string(r.Below(64)) + " 0x" +
               std::to_string(r.Below(100000)) + "\n";
        break;
    case 10:
        if (r.Below(8) == 0)
            out += indent + "throw " + std::string(r.Pick(Capitalised)) + "Error(\"" + r.Pick(Words) + "\");\n";
        else
            out += indent + "return " + Identifier(r) + ";\n";
        break;
    case 11:
        out += "#include <linux/" + Identifier(r) + ".h>\n";
        break;
    case 12:
        out += "}\n\n";
        break;
    default:
        out += indent + Identifier(r) + "->" + Identifier(r) + " = " + Identifier(r) + "(" + Identifier(r) +
               ", " + std::to_string(r.Below(1000)) + ");\n";
        break;
    }
    // The rare literal: a few dozen times in the whole file.
    if (r.Below(200'000) == 0)
        out += "\tpm_request(dev, PM_RESUME);\n";
}

std::string TestFile()
{
    const char* dir = std::getenv("QUARNEL_BENCH_DIR");
    const std::string folder = dir && *dir ? dir : "/tmp/quarnel-bench";
    const std::string path = folder + "/scan200.txt";
    struct stat info;
    if (::stat(path.c_str(), &info) == 0 && static_cast<std::size_t>(info.st_size) >= FileSize)
        return path;
    ::mkdir(folder.c_str(), 0755);
    std::fprintf(stderr, "Writing %s ...\n", path.c_str());
    std::ofstream file(path + ".tmp", std::ios::binary);
    Random r;
    std::string chunk;
    std::size_t written = 0;
    while (written < FileSize) {
        chunk.clear();
        while (chunk.size() < (1 << 20))
            AppendLine(r, chunk);
        file.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
        written += chunk.size();
    }
    file.close();
    std::rename((path + ".tmp").c_str(), path.c_str());
    return path;
}

// ---- the queries ----------------------------------------------------------------------------

struct Query {
    const char* Name;
    uint8_t Mode;
    const char* Pattern;
    bool MatchCase;
    bool WholeWords;
    std::vector<std::string> GrepOptions; // empty: no equivalent
    std::vector<std::string> RgOptions;
};

const Query Queries[] = {
    {"quick, rare literal", TSearchData::ModeQuick, "pm_resume", false, false, {"-i", "-F"}, {"-i", "-F"}},
    {"quick, common literal", TSearchData::ModeQuick, "err", false, false, {"-i", "-F"}, {"-i", "-F"}},
    {"regex, class and repeat", TSearchData::ModeNormal, "[A-Z][a-z]+Error", true, false, {"-E"}, {}},
    {"regex, whole word", TSearchData::ModeNormal, "err", true, true, {"-w"}, {"-w"}},
    // Beyond the five above: two alternatives, and a pattern without any literal whose many hits
    // are each found by the engine (grep -c only has to find one per line).
    {"regex, whole word, two", TSearchData::ModeNormal, "err|ret", true, true, {"-w", "-E"}, {"-w"}},
    {"regex, no literal, dense", TSearchData::ModeNormal, "e[a-z]+r", true, false, {"-E"}, {}},
    {"soundex", TSearchData::ModeSoundex, "buffer", false, false, {}, {}},
};

struct Result {
    std::vector<double> Seconds;    // wall-clock time
    std::vector<double> CpuSeconds; // user + system time of the process doing the search
    long Hits = -1;

    static double Median(std::vector<double> values)
    {
        std::sort(values.begin(), values.end());
        return values.empty() ? 0 : values[values.size() / 2];
    }
};

std::map<std::string, Result> Results; // "query|tool"
std::string FilePath;
std::size_t FileBytes = 0;

double Since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double ProcessCpuSeconds()
{
    timespec now;
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

void Ours(benchmark::State& state, const Query& query)
{
    TSearchData criteria;
    criteria.SearchMode = query.Mode;
    criteria.SearchString = query.Pattern;
    criteria.MatchCase = query.MatchCase;
    criteria.WholeWordsOnly = query.WholeWords;
    criteria.FieldNumber = 1;
    criteria.FieldStart = 1;
    criteria.FieldWidth = 100;
    criteria.SeparatorChar = ",";
    TNullShellInfo shell;
    const std::atomic<bool> stop{false};
    TSearchNotifications notify;
    Result& result = Results[std::string(query.Name) + "|ours"];
    const std::string folder = FilePath.substr(0, FilePath.rfind('/'));
    const std::string name = FilePath.substr(FilePath.rfind('/') + 1);
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const double cpuStart = ProcessCpuSeconds();
        TLineScanner scanner(criteria);
        TFileList list;
        auto record = std::make_unique<TFileData>(folder, name, shell);
        scanner.ScanFile(record, list, notify, stop);
        result.Seconds.push_back(Since(start));
        result.CpuSeconds.push_back(ProcessCpuSeconds() - cpuStart);
        long lines = 0;
        int32_t last = 0;
        if (list.Count() > 0)
            for (const TMatch& m : list.Item(0).Matches)
                if (m.LineNumber != last) {
                    ++lines;
                    last = m.LineNumber;
                }
        result.Hits = lines;
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * FileBytes));
    state.counters["lines"] = static_cast<double>(result.Hits);
}

// Runs a command with its output in a pipe; gives the number it prints (its -c count) and the
// command's user + system time.
std::optional<long> Run(const std::vector<std::string>& args, bool cLocale, double& cpuSeconds)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return std::nullopt;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_addclose(&actions, fds[1]);
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e)
        if (std::string(*e).rfind("LC_", 0) != 0 && std::string(*e).rfind("LANG", 0) != 0)
            env.push_back(*e);
    env.push_back(cLocale ? "LC_ALL=C" : "LC_ALL=C.UTF-8");
    std::vector<char*> envp;
    for (std::string& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    pid_t pid;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    if (spawned != 0) {
        ::close(fds[0]);
        return std::nullopt;
    }
    std::string output;
    char buffer[256];
    ssize_t got;
    while ((got = ::read(fds[0], buffer, sizeof buffer)) > 0)
        output.append(buffer, static_cast<std::size_t>(got));
    ::close(fds[0]);
    int status = 0;
    struct rusage usage {};
    ::wait4(pid, &status, 0, &usage);
    cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                 static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    if (!WIFEXITED(status) || WEXITSTATUS(status) > 1)
        return std::nullopt;
    return std::strtol(output.c_str(), nullptr, 10);
}

void External(benchmark::State& state, const Query& query, const std::string& tool)
{
    std::vector<std::string> args = {tool};
    if (tool == "rg")
        args.insert(args.end(), {"-j1", "--no-config", "-uuu"});
    const std::vector<std::string>& options = tool == "grep" ? query.GrepOptions : query.RgOptions;
    args.insert(args.end(), options.begin(), options.end());
    args.insert(args.end(), {"-c", "-e", query.Pattern, FilePath});
    Result& result = Results[std::string(query.Name) + "|" + tool];
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        double cpu = 0;
        const std::optional<long> count = Run(args, tool == "grep", cpu);
        result.Seconds.push_back(Since(start));
        result.CpuSeconds.push_back(cpu);
        if (!count) {
            state.SkipWithError((tool + " did not run").c_str());
            Results.erase(std::string(query.Name) + "|" + tool);
            return;
        }
        result.Hits = *count;
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * FileBytes));
    state.counters["lines"] = static_cast<double>(result.Hits);
}

void PrintTable(bool byCpu)
{
    auto speed = [byCpu](const std::string& key) -> double {
        const auto it = Results.find(key);
        if (it == Results.end() || it->second.Seconds.empty())
            return 0;
        const double seconds = Result::Median(byCpu ? it->second.CpuSeconds : it->second.Seconds);
        return seconds > 0 ? FileBytes / 1e6 / seconds : 0;
    };
    auto hits = [](const std::string& key) -> std::string {
        const auto it = Results.find(key);
        return it == Results.end() || it->second.Hits < 0 ? "-" : std::to_string(it->second.Hits);
    };
    auto cell = [](double v, const char* format) {
        char text[32];
        if (v <= 0)
            return std::string("-");
        std::snprintf(text, sizeof text, format, v);
        return std::string(text);
    };
    std::printf("\n%s, median of %d runs on %s (%.0f MB). Ratios above 1 mean Quarnel is faster.\n",
                byCpu ? "By CPU time (user + system)" : "By wall-clock time", Iterations, FilePath.c_str(),
                FileBytes / 1e6);
    std::printf("%-26s %10s %10s %10s %9s %9s %9s %9s %9s\n", "query", "ours MB/s", "grep MB/s", "rg MB/s",
                "vs grep", "vs rg", "ours hit", "grep hit", "rg hit");
    for (const Query& q : Queries) {
        const std::string name = q.Name;
        const double ours = speed(name + "|ours"), grep = speed(name + "|grep"), rg = speed(name + "|rg");
        if (ours <= 0 && grep <= 0 && rg <= 0)
            continue;
        std::printf("%-26s %10s %10s %10s %9s %9s %9s %9s %9s\n", q.Name, cell(ours, "%.0f").c_str(),
                    cell(grep, "%.0f").c_str(), cell(rg, "%.0f").c_str(),
                    cell(grep > 0 && ours > 0 ? ours / grep : 0, "%.2f").c_str(),
                    cell(rg > 0 && ours > 0 ? ours / rg : 0, "%.2f").c_str(), hits(name + "|ours").c_str(),
                    hits(name + "|grep").c_str(), hits(name + "|rg").c_str());
    }
}

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    FilePath = TestFile();
    struct stat info;
    ::stat(FilePath.c_str(), &info);
    FileBytes = static_cast<std::size_t>(info.st_size);
    // Warm the page cache so that every tool reads from memory.
    {
        std::ifstream warm(FilePath, std::ios::binary);
        std::vector<char> block(1 << 20);
        while (warm.read(block.data(), static_cast<std::streamsize>(block.size())) || warm.gcount() > 0) {
        }
    }

    for (const Query& q : Queries) {
        const std::string name = q.Name;
        benchmark::RegisterBenchmark((name + "/ours").c_str(), Ours, q)
            ->Iterations(Iterations)->UseRealTime()->Unit(benchmark::kMillisecond);
        if (q.Mode != TSearchData::ModeSoundex) { // grep and rg have no sounds-like search
            benchmark::RegisterBenchmark((name + "/grep").c_str(), External, q, std::string("grep"))
                ->Iterations(Iterations)->UseRealTime()->Unit(benchmark::kMillisecond);
            benchmark::RegisterBenchmark((name + "/rg").c_str(), External, q, std::string("rg"))
                ->Iterations(Iterations)->UseRealTime()->Unit(benchmark::kMillisecond);
        }
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    // Wall-clock time is what a user waits; CPU time is steadier on a shared machine.
    PrintTable(false);
    PrintTable(true);
    return 0;
}
