// SPDX-License-Identifier: MIT
// Reading a large text file line by line with TOpenFile, next to a plain read() loop over the
// same bytes. The file (about 200 MB of source-code-like lines) is made once and kept in
// $QUARNEL_BENCH_DIR (default /tmp/quarnel-bench); it is read once before timing so that every
// figure comes from the page cache.

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "engine/TOpenFile.h"

namespace {

namespace fs = std::filesystem;

constexpr uint64_t TargetSize = 200ull * 1000 * 1000;
constexpr std::size_t PlainReadSize = 256 * 1024;

std::string BenchFolder()
{
    const char* folder = std::getenv("QUARNEL_BENCH_DIR");
    return folder && *folder ? folder : "/tmp/quarnel-bench";
}

// Lines of the shapes a C or C++ source tree holds: indented statements, declarations,
// comments, preprocessor lines, blank lines, now and then a long line; mostly LF, some CR LF.
std::string SourceLikeText(uint64_t size)
{
    static const char* const words[] = {
        "int", "return", "if", "else", "for", "while", "static", "const", "struct", "void",
        "buffer", "length", "offset", "count", "device", "status", "error", "value", "flags", "data",
        "mutex_lock", "kfree", "memcpy", "list_for_each_entry", "dev_err", "EINVAL", "NULL", "size_t",
    };
    static const char* const punctuation[] = {" = ", "(", ")", "->", ", ", " + ", "[i]", " && ", " == ", ";"};
    std::mt19937_64 random(20240307);
    std::string text;
    text.reserve(size + 512);
    std::string line;
    while (text.size() < size) {
        line.clear();
        const unsigned shape = random() % 100;
        if (shape < 12) {
            // blank line
        } else if (shape < 20) {
            line = "/* ";
            for (unsigned i = 0, n = 3 + random() % 9; i < n; ++i)
                line.append(words[random() % std::size(words)]).push_back(' ');
            line += "*/";
        } else if (shape < 25) {
            line = "#include <linux/";
            line.append(words[random() % std::size(words)]).append(".h>");
        } else {
            line.assign(1 + random() % 4, '\t');
            const unsigned tokens = shape < 98 ? 2 + random() % 10 : 30 + random() % 40;
            for (unsigned i = 0; i < tokens; ++i) {
                line.append(words[random() % std::size(words)]);
                line.append(punctuation[random() % std::size(punctuation)]);
            }
        }
        text += line;
        text += random() % 20 == 0 ? "\r\n" : "\n";
    }
    return text;
}

const std::string& BenchFile()
{
    static const std::string path = [] {
        const fs::path folder = BenchFolder();
        const fs::path file = folder / "lines-200mb.txt";
        std::error_code error;
        if (fs::exists(file, error) && fs::file_size(file, error) >= TargetSize)
            return file.string();
        fs::create_directories(folder, error);
        const std::string text = SourceLikeText(TargetSize);
        const fs::path partial = folder / "lines-200mb.txt.partial";
        {
            std::ofstream out(partial, std::ios::binary | std::ios::trunc);
            out.write(text.data(), static_cast<std::streamsize>(text.size()));
            if (!out) {
                std::fprintf(stderr, "cannot write %s\n", partial.c_str());
                std::exit(1);
            }
        }
        fs::rename(partial, file);
        return file.string();
    }();
    return path;
}

uint64_t FileSize()
{
    return fs::file_size(BenchFile());
}

void PlainRead(benchmark::State& state)
{
    std::vector<char> buffer(PlainReadSize);
    for (auto _ : state) {
        const int fd = open(BenchFile().c_str(), O_RDONLY | O_CLOEXEC);
        uint64_t total = 0;
        ssize_t got;
        while ((got = read(fd, buffer.data(), buffer.size())) > 0)
            total += static_cast<uint64_t>(got);
        close(fd);
        benchmark::DoNotOptimize(total);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * FileSize()));
}

// The least any line reader must do: read the bytes and find every line feed.
void PlainReadCountingLines(benchmark::State& state)
{
    std::vector<char> buffer(PlainReadSize);
    uint64_t lines = 0;
    for (auto _ : state) {
        const int fd = open(BenchFile().c_str(), O_RDONLY | O_CLOEXEC);
        lines = 0;
        ssize_t got;
        while ((got = read(fd, buffer.data(), buffer.size())) > 0) {
            const char* p = buffer.data();
            const char* end = p + got;
            while (const void* lf = std::memchr(p, '\n', static_cast<std::size_t>(end - p))) {
                ++lines;
                p = static_cast<const char*>(lf) + 1;
            }
        }
        close(fd);
        benchmark::DoNotOptimize(lines);
    }
    state.counters["lines"] = static_cast<double>(lines);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * FileSize()));
}

void ReadLineView(benchmark::State& state)
{
    uint64_t lines = 0;
    for (auto _ : state) {
        TOpenFile file;
        file.OpenRead(BenchFile(), true, 1);
        lines = 0;
        uint64_t characters = 0;
        std::string_view line;
        int length;
        while ((length = file.ReadLine(line)) != TOpenFile::EndOfLines) {
            ++lines;
            characters += static_cast<uint64_t>(length);
        }
        file.CloseFile();
        benchmark::DoNotOptimize(characters);
    }
    state.counters["lines"] = static_cast<double>(lines);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * FileSize()));
}

void ReadLineString(benchmark::State& state)
{
    for (auto _ : state) {
        TOpenFile file;
        file.OpenRead(BenchFile(), true, 1);
        uint64_t characters = 0;
        std::string line;
        int length;
        while ((length = file.ReadLine(line)) != TOpenFile::EndOfLines)
            characters += static_cast<uint64_t>(length) + static_cast<unsigned char>(line.empty() ? 0 : line[0]);
        file.CloseFile();
        benchmark::DoNotOptimize(characters);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * FileSize()));
}

// A scanner that finds no candidate in any buffer: it only skips whole buffers of lines.
void BufferedTextSkipping(benchmark::State& state)
{
    uint64_t lines = 0;
    for (auto _ : state) {
        TOpenFile file;
        file.OpenRead(BenchFile(), true, 1);
        lines = 0;
        for (;;) {
            const std::string_view text = file.BufferedText();
            if (text.empty())
                break;
            const int skipped = file.SkipLinesBefore(text.data() + text.size());
            lines += static_cast<uint64_t>(skipped);
            std::string_view line;
            if (skipped == 0 && file.ReadLine(line) != TOpenFile::EndOfLines)
                ++lines;
        }
        file.CloseFile();
        benchmark::DoNotOptimize(lines);
    }
    state.counters["lines"] = static_cast<double>(lines);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * FileSize()));
}

// The same file read as a binary one: 1025-byte blocks reduced to their printable bytes.
void ReadBlocks(benchmark::State& state)
{
    for (auto _ : state) {
        TOpenFile file;
        file.OpenRead(BenchFile(), false, 2);
        uint64_t characters = 0;
        std::string_view line;
        int length;
        while ((length = file.ReadLine(line)) != TOpenFile::EndOfLines)
            characters += static_cast<uint64_t>(length);
        file.CloseFile();
        benchmark::DoNotOptimize(characters);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * FileSize()));
}

BENCHMARK(PlainRead)->Unit(benchmark::kMillisecond);
BENCHMARK(PlainReadCountingLines)->Unit(benchmark::kMillisecond);
BENCHMARK(ReadLineView)->Unit(benchmark::kMillisecond);
BENCHMARK(ReadLineString)->Unit(benchmark::kMillisecond);
BENCHMARK(BufferedTextSkipping)->Unit(benchmark::kMillisecond);
BENCHMARK(ReadBlocks)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    // Make the file if needed, then read it once so that the page cache holds it.
    std::vector<char> buffer(PlainReadSize);
    const int fd = open(BenchFile().c_str(), O_RDONLY | O_CLOEXEC);
    while (fd >= 0 && read(fd, buffer.data(), buffer.size()) > 0) {
    }
    if (fd >= 0)
        close(fd);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
