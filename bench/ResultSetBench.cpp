// SPDX-License-Identifier: MIT
// Saving and opening a large result set: 1,000,000 matches in 20,000 files, found by a real
// search of a generated tree, beside the memory of that search.
//
//   bench_ResultSetBench [files] [matches-per-file]
// Each step runs in a process of its own, so that each peak resident size is that step's own:
//   search  the search that makes the set (the window's kind: no line texts kept), then the save;
//   lines   the same search keeping the line texts (the console's kind), then the save;
//   open    reading each saved set back, and the second one also without its line texts (as the
//           window opens a set).
// The tree is made once in $QUARNEL_BENCH_DIR (default /tmp/quarnel-bench).
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/TSearchEngine.h"
#include "model/TResultSetFile.h"

extern char** environ;

namespace {

using TClock = std::chrono::steady_clock;

double Seconds(TClock::time_point since)
{
    return std::chrono::duration<double>(TClock::now() - since).count();
}

long PeakKilobytes()
{
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

std::string BenchFolder()
{
    const char* folder = std::getenv("QUARNEL_BENCH_DIR");
    return folder && *folder ? folder : "/tmp/quarnel-bench";
}

// `files` files of `matches` lines with one hit each, spread over 100 folders; made once.
std::string MakeTree(int files, int matches)
{
    const std::string tree =
        BenchFolder() + "/resultset-" + std::to_string(files) + "x" + std::to_string(matches);
    const std::string done = tree + "/.complete";
    if (std::filesystem::exists(done))
        return tree;
    std::filesystem::remove_all(tree);
    std::string content;
    for (int line = 0; line < matches; ++line)
        content += "int value_" + std::to_string(line) + " = compute(needle, " + std::to_string(line * 7) + ");\n";
    for (int i = 0; i < files; ++i) {
        const std::string folder = tree + "/d" + std::to_string(i % 100);
        std::filesystem::create_directories(folder);
        std::ofstream(folder + "/file" + std::to_string(i) + ".c") << content;
    }
    std::ofstream(done) << "";
    return tree;
}

int Search(const std::string& tree, const std::string& saved, bool keepLines)
{
    TSearchData data;
    data.SearchMode = TSearchData::ModeQuick;
    data.SearchString = "needle";
    data.FileSpecs = {"*.c"};
    data.Folders = {tree};
    data.RecurseSubdirs = true;
    TFileList files;
    TSearchStats stats;
    TNullShellInfo shell;
    TSearchEngine engine(data, files, stats, shell);
    TSearchNotifications notify;
    notify.KeepMatchedLines = keepLines;
    engine.SetNotifications(notify);
    const TClock::time_point searchStart = TClock::now();
    engine.Search();
    const double searchTime = Seconds(searchStart);
    const long searchPeak = PeakKilobytes();
    const TClock::time_point saveStart = TClock::now();
    std::string error;
    if (!TResultSetFile::Save(saved, data, stats, "summary", "speed", files, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    const double saveTime = Seconds(saveStart);
    struct stat info {};
    stat(saved.c_str(), &info);
    std::printf("%-26s %8zu files %9llu matches  search %6.2f s, peak %7.1f MB  save %5.2f s, peak %7.1f MB, "
                "file %6.1f MB\n",
                keepLines ? "search keeping lines" : "search", files.Count(),
                static_cast<unsigned long long>(stats.TotalMatches), searchTime, searchPeak / 1024.0, saveTime,
                PeakKilobytes() / 1024.0, static_cast<double>(info.st_size) / 1e6);
    return 0;
}

int Open(const std::string& saved, TResultSetFile::TLineTexts lines)
{
    const long before = PeakKilobytes();
    const TClock::time_point start = TClock::now();
    TResultSet set;
    std::string error;
    if (!TResultSetFile::Load(saved, set, error, lines)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    std::size_t matches = 0;
    for (std::size_t i = 0; i < set.Files.Count(); ++i)
        matches += set.Files.Item(i).Matches.size();
    std::printf("%-26s %8zu files %9zu matches  open   %6.2f s, peak %7.1f MB (%.1f MB before)\n",
                ("open " + std::filesystem::path(saved).filename().string() +
                 (lines == TResultSetFile::TLineTexts::Skip ? ", no lines" : ""))
                    .c_str(),
                set.Files.Count(), matches,
                Seconds(start), PeakKilobytes() / 1024.0, before / 1024.0);
    return 0;
}

// Runs this program again with `arguments`, so that the step's peak memory is its own.
int RunStep(const std::vector<std::string>& arguments)
{
    std::vector<std::string> all = {"/proc/self/exe"};
    all.insert(all.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& argument : all)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, "/proc/self/exe", nullptr, nullptr, argv.data(), environ) != 0)
        return 1;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

} // namespace

int main(int argc, char* argv[])
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 3 && args[0] == "--search")
        return Search(args[1], args[2], false);
    if (args.size() == 3 && args[0] == "--search-lines")
        return Search(args[1], args[2], true);
    if (args.size() == 2 && args[0] == "--open")
        return Open(args[1], TResultSetFile::TLineTexts::Load);
    if (args.size() == 2 && args[0] == "--open-without-lines")
        return Open(args[1], TResultSetFile::TLineTexts::Skip);

    const int files = args.size() > 0 ? std::atoi(args[0].c_str()) : 20'000;
    const int matches = args.size() > 1 ? std::atoi(args[1].c_str()) : 50;
    const std::string tree = MakeTree(files, matches);
    const std::string plain = BenchFolder() + "/plain.qrs";
    const std::string lines = BenchFolder() + "/lines.qrs";
    int failed = RunStep({"--search", tree, plain});
    failed |= RunStep({"--open", plain});
    failed |= RunStep({"--search-lines", tree, lines});
    failed |= RunStep({"--open", lines});
    failed |= RunStep({"--open-without-lines", lines});
    std::filesystem::remove(plain);
    std::filesystem::remove(lines);
    return failed;
}
