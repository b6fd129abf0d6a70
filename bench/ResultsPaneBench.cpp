// How long the results pane takes to show large documents, from loading the file to the first
// painted screen, offscreen:
//   - an all-matches document of (just under) 10,000,000 characters, lines with a hit each;
//   - the same size made of many small files (a heading bar, a table, for each);
//   - the whole-file view of a 1,000,000-byte file with a hit on every line (lines of 60 and of
//     22 bytes), scrolled to its first match as the window does after showing a whole file, then
//     to its last match.
// The documents are written by the real writer into a temporary folder.
//
//   bench_ResultsPane [repetitions, default 3]
// Prints the best and the median time of each; the goals are 2 s for the 10,000,000-character
// documents and 1 s for the whole-file view.
#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "model/TFileData.h"
#include "model/TShellInfo.h"
#include "platform/THTMLViewer.h"
#include "presentation/TFileSectionWriter.h"
#include "presentation/THTMLWin.h"

namespace {

// The document end ("</BODY></HTML>") is written last.
constexpr int64_t DocumentSize = THTMLWin::LoadLimit - 14;

struct TDocument {
    std::string Name;
    std::string Path;
    int64_t Characters = 0;
    std::string LastAnchor;
};

std::unique_ptr<TFileData> MakeFile(const std::string& folder, const std::string& name, const std::string& content)
{
    std::ofstream(folder + "/" + name, std::ios::binary) << content;
    static TNullShellInfo shell;
    return std::make_unique<TFileData>(folder, name, shell);
}

// A line of source-like text with the word "limit" at column 17.
std::string SourceLine(int n)
{
    return "    if (value < limit) { total += value * " + std::to_string(n % 97) + "; } // step " + std::to_string(n);
}

// Files of `linesPerFile` lines with a hit on every `every`-th line, written into one
// all-matches document until it holds about DocumentSize characters.
TDocument AllMatches(const std::string& folder, const std::string& name, const std::string& title, int linesPerFile,
                     int every, int window)
{
    THTMLWin html(nullptr, QUARNEL_RESOURCES_DIR);
    html.TempFolder = folder;
    TFileSectionWriter writer(html);
    html.BeginDocument();
    html.WriteTitle("Quarnel Search Results", "Searched for \"limit\" in *.cpp", window);
    TDocument document;
    document.Name = title;
    // Every file's section has nearly the same size: files are added while the next one fits.
    int64_t section = 0;
    int files = 0;
    while (html.WrittenCount() + section + 100 <= DocumentSize) {
        std::string content;
        for (int n = 1; n <= linesPerFile; ++n)
            content += SourceLine(n) + "\n";
        auto file = MakeFile(folder, name + std::to_string(files) + ".cpp", content);
        for (int n = every; n <= linesPerFile; n += every)
            file->Matches.emplace_back(n, static_cast<int32_t>(SourceLine(n).size()), 17, 22);
        const int64_t before = html.WrittenCount();
        writer.Write(*file, false, window);
        section = std::max(section, html.WrittenCount() - before);
        ++files;
    }
    html.FinishDocument();
    document.Name += ", " + std::to_string(files) + " files";
    document.Characters = html.WrittenCount();
    document.Path = folder + "/" + name + ".htm";
    html.CopyDocumentTo(document.Path);
    return document;
}

// The whole-file view of a file of exactly 1,000,000 bytes with a hit on every line; the
// shorter its lines, the more of them.
TDocument WholeFile(const std::string& folder, std::size_t lineLength)
{
    std::string content;
    std::vector<int32_t> lengths;
    while (content.size() < 1'000'000) {
        std::string line = SourceLine(static_cast<int>(lengths.size()) + 1);
        line.resize(std::max<std::size_t>(lineLength, 22), ' ');
        line.resize(std::min(line.size(), 1'000'000 - content.size() - 1));
        content += line + "\n";
        lengths.push_back(static_cast<int32_t>(line.size()));
    }
    const std::string name = "whole" + std::to_string(lineLength);
    auto file = MakeFile(folder, name + ".cpp", content);
    for (std::size_t n = 0; n < lengths.size(); ++n)
        if (lengths[n] >= 21)
            file->Matches.emplace_back(static_cast<int32_t>(n + 1), lengths[n], 17, 22);

    THTMLWin html(nullptr, QUARNEL_RESOURCES_DIR);
    html.TempFolder = folder;
    TFileSectionWriter writer(html);
    html.BeginDocument();
    html.WriteTitle("Quarnel Search Results", "", 0);
    writer.Write(*file, true, 0);
    html.FinishDocument();

    TDocument document;
    document.Name = "whole file of 1,000,000 bytes, a hit on each of its " + std::to_string(lengths.size()) + " lines";
    document.Characters = html.WrittenCount();
    document.LastAnchor = "Line" + THTMLWin::NumberText(file->Matches.back().LineNumber);
    document.Path = folder + "/" + name + ".htm";
    html.CopyDocumentTo(document.Path);
    return document;
}

// Milliseconds from the call of `step` until the pane has painted the result.
double TimeToPaint(THTMLViewer& viewer, const std::function<void()>& step)
{
    QElapsedTimer timer;
    timer.start();
    step();
    viewer.viewport()->grab();
    QCoreApplication::processEvents();
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

void Report(const char* what, std::vector<double> times, double goal)
{
    std::sort(times.begin(), times.end());
    const double median = times[times.size() / 2];
    std::printf("  %-28s best %7.0f ms   median %7.0f ms   goal %5.0f ms  %s\n", what, times.front(), median, goal,
                median <= goal ? "ok" : "TOO SLOW");
}

} // namespace

int main(int argc, char* argv[])
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;

    QTemporaryDir temporary;
    if (!temporary.isValid()) {
        std::fprintf(stderr, "cannot make a temporary folder\n");
        return 1;
    }
    const std::string folder = temporary.path().toStdString();
    std::printf("Writing the documents...\n");
    const std::vector<TDocument> documents = {
        AllMatches(folder, "all1", "all matches, 1000-line files with a hit on every line", 1000, 1, 0),
        AllMatches(folder, "all2", "all matches, 12-line files with 3 hits and 1 line of context", 12, 4, 1),
        WholeFile(folder, 60),
        WholeFile(folder, 22),
    };

    THTMLViewer viewer;
    viewer.resize(1000, 700);
    viewer.show();
    QCoreApplication::processEvents();

    for (const TDocument& document : documents) {
        std::printf("%s: %lld characters\n", document.Name.c_str(), static_cast<long long>(document.Characters));
        std::vector<double> load, last;
        for (int r = 0; r < repetitions; ++r) {
            viewer.Clear();
            QCoreApplication::processEvents();
            if (document.LastAnchor.empty()) {
                load.push_back(TimeToPaint(viewer, [&] { viewer.Load(document.Path); }));
            } else {
                load.push_back(TimeToPaint(viewer, [&] {
                    viewer.Load(document.Path);
                    viewer.ScrollToAnchor(QStringLiteral("Line00001:"));
                }));
                last.push_back(TimeToPaint(viewer, [&] { viewer.ScrollToAnchor(QString::fromStdString(document.LastAnchor)); }));
            }
        }
        const bool whole = !document.LastAnchor.empty();
        Report(whole ? "load, first match shown" : "load, first screen shown", load, whole ? 1000 : 2000);
        if (whole)
            Report("then jump to the last match", last, 1000);
    }
    return 0;
}
