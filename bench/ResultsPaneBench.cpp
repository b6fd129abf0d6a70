// SPDX-License-Identifier: MIT
// How long the results pane takes to show large documents, offscreen. The pane builds what it
// shows while the document is written, so each document is written twice: to its file alone,
// and to its file and the pane up to the first painted screen; the pane's share is the
// difference. The documents:
//   - an all-matches document of (just under) 10,000,000 characters, lines with a hit each;
//   - the same size made of many small files (a heading bar, a table, for each);
//   - the whole-file view of a 1,000,000-byte file with a hit on every line (lines of 60 and of
//     22 bytes), scrolled to its first match as the window does after showing a whole file, then
//     to its last match.
// A large document is shown once its first screens are built, and completed while it is shown;
// the bench then completes it at once (the jump to the last match does so too).
// Beside the times: the heap that the pane holds for the whole document.
//
//   bench_ResultsPane [repetitions, default 3]
// Prints the best and the median time of each; the goals for the pane's share are 500 ms for
// the 10,000,000-character documents and 250 ms for the whole-file view.
#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <malloc.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "model/TFileData.h"
#include "model/TFileList.h"
#include "model/TShellInfo.h"
#include "pane/THTMLViewer.h"
#include "presentation/TFileSectionWriter.h"
#include "presentation/THTMLWin.h"

namespace {

// The document end ("</BODY></HTML>") is written last.
constexpr int64_t DocumentSize = THTMLWin::LoadLimit - 14;
constexpr const char* Title = "Quarnel Search Results";
constexpr const char* Subtitle = "Searched for \"limit\" in *.cpp";

// A document to show: the files it is written from and how.
struct TDocument {
    std::string Name;
    TFileList Files;
    bool WholeFile = false;
    int Window = 0;
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

// Writes `document` into a file in `folder` and into `pane` (when not null); returns the
// document's characters.
int64_t Write(const std::string& folder, const TDocument& document, TResultsView* pane)
{
    THTMLWin html(pane, QUARNEL_RESOURCES_DIR);
    html.TempFolder = folder;
    TFileSectionWriter writer(html);
    if (document.WholeFile) {
        html.BeginDocument();
        html.WriteTitle(Title, "", document.Window);
        writer.Write(document.Files.Item(0), true, document.Window);
        html.FinishDocument();
    } else {
        writer.WriteAllMatches(document.Files, Subtitle, document.Window);
    }
    return html.WrittenCount();
}

// Files of `linesPerFile` lines with a hit on every `every`-th line, as many as an all-matches
// document of about DocumentSize characters holds.
std::unique_ptr<TDocument> AllMatches(const std::string& folder, const std::string& name, const std::string& title,
                                      int linesPerFile, int every, int window)
{
    THTMLWin html(nullptr, QUARNEL_RESOURCES_DIR);
    html.TempFolder = folder;
    TFileSectionWriter writer(html);
    html.BeginDocument();
    html.WriteTitle(Title, Subtitle, window);
    auto document = std::make_unique<TDocument>();
    document->Window = window;
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
        document->Files.Add(std::move(file));
        ++files;
    }
    html.FinishDocument();
    document->Name = title + ", " + std::to_string(files) + " files";
    document->Characters = Write(folder, *document, nullptr);
    return document;
}

// The whole-file view of a file of exactly 1,000,000 bytes with a hit on every line; the
// shorter its lines, the more of them.
std::unique_ptr<TDocument> WholeFile(const std::string& folder, std::size_t lineLength)
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
    auto file = MakeFile(folder, "whole" + std::to_string(lineLength) + ".cpp", content);
    for (std::size_t n = 0; n < lengths.size(); ++n)
        if (lengths[n] >= 21)
            file->Matches.emplace_back(static_cast<int32_t>(n + 1), lengths[n], 17, 22);

    auto document = std::make_unique<TDocument>();
    document->Name = "whole file of 1,000,000 bytes, a hit on each of its " + std::to_string(lengths.size()) + " lines";
    document->WholeFile = true;
    document->LastAnchor = "Line" + THTMLWin::NumberText(file->Matches.back().LineNumber);
    document->Files.Add(std::move(file));
    document->Characters = Write(folder, *document, nullptr);
    return document;
}

double Milliseconds(const QElapsedTimer& timer)
{
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

// Milliseconds from the call of `step` until the pane has painted the result.
double TimeToPaint(THTMLViewer& viewer, const std::function<void()>& step)
{
    QElapsedTimer timer;
    timer.start();
    step();
    viewer.viewport()->grab();
    QCoreApplication::processEvents();
    return Milliseconds(timer);
}

// Bytes of the heap in use.
double HeapInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return static_cast<double>(info.uordblks + info.hblkhd);
}

double Median(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void Report(const char* what, const std::vector<double>& times, double goal = 0)
{
    const double median = Median(times);
    std::printf("  %-34s best %7.0f ms   median %7.0f ms", what, *std::min_element(times.begin(), times.end()), median);
    if (goal > 0)
        std::printf("   goal %5.0f ms  %s", goal, median <= goal ? "ok" : "TOO SLOW");
    std::printf("\n");
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
    std::printf("Making the files...\n");
    std::vector<std::unique_ptr<TDocument>> documents;
    documents.push_back(AllMatches(folder, "all1", "all matches, 1000-line files with a hit on every line", 1000, 1, 0));
    documents.push_back(AllMatches(folder, "all2", "all matches, 12-line files with 3 hits and 1 line of context", 12, 4, 1));
    documents.push_back(WholeFile(folder, 60));
    documents.push_back(WholeFile(folder, 22));

    THTMLViewer viewer;
    viewer.resize(1000, 700);
    viewer.show();
    QCoreApplication::processEvents();

    for (const auto& document : documents) {
        std::printf("%s: %lld characters\n", document->Name.c_str(), static_cast<long long>(document->Characters));
        std::vector<double> alone, shown, share, last, rest, memory;
        for (int r = 0; r < repetitions; ++r) {
            viewer.Clear();
            QCoreApplication::processEvents();
            QElapsedTimer timer;
            timer.start();
            Write(folder, *document, nullptr);
            alone.push_back(Milliseconds(timer));

            const double heap = HeapInUse();
            shown.push_back(TimeToPaint(viewer, [&] {
                Write(folder, *document, &viewer);
                if (document->WholeFile)
                    viewer.ScrollToAnchor(QStringLiteral("Line00001:"));
            }));
            share.push_back(shown.back() - alone.back());
            // Jumping to the last match first completes the document.
            if (document->WholeFile)
                last.push_back(TimeToPaint(viewer, [&] { viewer.ScrollToAnchor(QString::fromStdString(document->LastAnchor)); }));
            else
                rest.push_back(TimeToPaint(viewer, [&] { viewer.CompleteDocument(); }));
            memory.push_back((HeapInUse() - heap) / 1e6);
        }
        const bool whole = document->WholeFile;
        Report("written to its file alone", alone);
        Report(whole ? "written and shown, first match" : "written and shown, first screen", shown);
        Report("the pane's share", share, whole ? 250 : 500);
        if (whole)
            Report("then jump to the last match", last);
        else
            Report("then the rest, built at once", rest);
        std::printf("  the pane's memory for the whole document  %.0f MB\n", Median(memory));
    }
    return 0;
}
