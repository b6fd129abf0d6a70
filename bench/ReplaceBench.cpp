// SPDX-License-Identifier: MIT
// Replacing every hit of a search in copy mode, without questions, as the window does after
// "Replace..." with confirmation off:
//   - a 300 KB line made of 100,000 hits (the case that once took time growing with the
//     square of the hits on a line);
//   - 20 MB of source-code-like lines with a hit on one line in about fifty.
// The files are made once in $QUARNEL_BENCH_DIR/replace (default /tmp/quarnel-bench/replace);
// each iteration searches the file (not timed), replaces (timed) and removes the new file.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "engine/TSearchEngine.h"
#include "model/TFileList.h"
#include "model/TProgramData.h"
#include "model/TSearchData.h"
#include "model/TSearchStats.h"
#include "model/TShellInfo.h"
#include "presentation/THTMLWin.h"
#include "replace/TReplaceData.h"
#include "replace/TReplaceEngine.h"

namespace {

namespace fs = std::filesystem;

std::string BenchFolder()
{
    const char* folder = std::getenv("QUARNEL_BENCH_DIR");
    return (folder && *folder ? std::string(folder) : std::string("/tmp/quarnel-bench")) + "/replace";
}

// Makes `name` in the bench folder once, from `make`.
template <typename Make>
std::string Prepare(const std::string& name, Make make)
{
    const std::string folder = BenchFolder();
    fs::create_directories(folder);
    const std::string path = folder + "/" + name;
    if (!fs::exists(path)) {
        std::ofstream out(path, std::ios::binary);
        out << make();
    }
    return path;
}

// A short first line keeps the file text: a file whose first line is longer than 1025 bytes counts
// as binary, and binary files are not replaced.
std::string HitsOnOneLine()
{
    std::string text = "hits follow\n";
    for (int i = 0; i < 100'000; ++i)
        text += "ab ";
    return text + "\n";
}

std::string SourceWithHits()
{
    std::string text;
    for (int line = 0; text.size() < 20'000'000; ++line) {
        if (line % 50 == 7)
            text += "    value = ab(value, " + std::to_string(line) + ");  // ab\n";
        else
            text += "    int counter_" + std::to_string(line) + " = compute(first, second) + offset;\n";
    }
    return text;
}

void ReplaceAll(benchmark::State& state, const std::string& path)
{
    TSearchData criteria;
    criteria.SearchString = "ab";
    criteria.SearchMode = TSearchData::ModeQuick;
    criteria.MatchCase = true;
    criteria.SetFileSpecs(fs::path(path).filename().string());
    criteria.SetFolders("\"" + fs::path(path).parent_path().string() + "\"");
    criteria.RecurseSubdirs = false;
    TReplaceData options;
    options.ReplaceString = "xyz";
    options.Overwrite = 0;
    options.Confirmation = 0;
    TProgramData program;
    THTMLWin report(nullptr, "");
    TReplaceEngine engine(options, program, report);

    std::size_t matches = 0;
    for (auto _ : state) {
        state.PauseTiming();
        TFileList results;
        TSearchStats stats;
        TNullShellInfo shell;
        TSearchEngine search(criteria, results, stats, shell);
        search.Search();
        if (results.Count() != 1 || results.Item(0).FileType != TFileData::Text) {
            state.SkipWithError("the file was not found as a text file");
            break;
        }
        matches = results.Item(0).Matches.size();
        report.BeginDocument();
        state.ResumeTiming();

        engine.ReplaceFiles(results);

        state.PauseTiming();
        report.FinishDocument();
        for (const auto& entry : fs::directory_iterator(fs::path(path).parent_path()))
            if (entry.path() != fs::path(path) && entry.path().filename().string().rfind(fs::path(path).stem().string(), 0) == 0)
                fs::remove(entry.path());
        state.ResumeTiming();
    }
    state.counters["hits"] = static_cast<double>(matches);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(fs::file_size(path)));
}

void BM_ReplaceHitsOnOneLongLine(benchmark::State& state)
{
    ReplaceAll(state, Prepare("hits-line.txt", HitsOnOneLine));
}

void BM_ReplaceInSourceText(benchmark::State& state)
{
    ReplaceAll(state, Prepare("source.txt", SourceWithHits));
}

} // namespace

BENCHMARK(BM_ReplaceHitsOnOneLongLine)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReplaceInSourceText)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
