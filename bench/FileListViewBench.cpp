// SPDX-License-Identifier: MIT
// How long the file list takes with many rows, offscreen, in a shown details view:
//   - appending 50,000 rows one by one, as a search does: the model announces them in batches of
//     100 ms, and the window's event pump (called per row, handling events at most every 20 ms)
//     lets the list repaint while it grows;
//   - the same with the rows announced and the list repainted after every 500 rows (100 times
//     for 50,000 rows), the cost of a list that visibly grows during a long search;
//   - sorting them by each of the seven keys, and once more by the same key (reversed);
//   - switching to the large-icon view and back.
// Records carry realistic names, folders, type names, icons (shared per type), sizes and dates.
//
//   bench_FileListView [rows, default 50000] [repetitions, default 3]
// Prints the best and the median time of each; the goal is well under a second for each.
#include <QApplication>
#include <QElapsedTimer>
#include <QStyle>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "mainwindow/TFileListModel.h"
#include "mainwindow/TFileListView.h"
#include "model/TFileData.h"
#include "model/TFileList.h"
#include "model/TShellInfo.h"
#include "adapters/TEventPump.h"
#include "adapters/TQtShellInfo.h"
#include "presentation/TFileListColumns.h"

namespace {

std::unique_ptr<TFileData> MakeRecord(int i, const std::vector<QIcon>& icons)
{
    static const char* types[] = {"C source code", "C header", "plain text document", "HTML document", "unknown"};
    static const char* extensions[] = {".c", ".h", ".txt", ".html", ".bin"};
    TNullShellInfo shell;
    auto record = std::make_unique<TFileData>("/nonexistent-folder", "x", shell);
    const int kind = i % 5;
    record->FileName = "file" + std::to_string((i * 7919) % 100003) + extensions[kind];
    record->Folder = "/home/user/src/project/module" + std::to_string(i % 97) + "/sub" + std::to_string(i % 13);
    record->TypeName = types[kind];
    record->Size = (i * 104729LL) % 5'000'000;
    record->Date = TDateTime::FromYMDHMS(2020 + i % 5, 1 + i % 12, 1 + i % 28, i % 24, i % 60, i % 60);
    record->FileType = kind == 4 ? 2 : 1;
    for (int match = 0; match <= i % 17; ++match)
        record->Matches.emplace_back(match + 1, 40, 3, 9);
    record->Icon = std::make_unique<TQtFileIcon>(icons[static_cast<std::size_t>(kind)]);
    return record;
}

struct TTimes {
    std::vector<double> Ms;
    void Print(const char* name) const
    {
        std::vector<double> sorted = Ms;
        std::sort(sorted.begin(), sorted.end());
        std::printf("%-34s best %8.1f ms   median %8.1f ms\n", name, sorted.front(), sorted[sorted.size() / 2]);
    }
};

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rows = argc > 1 ? std::atoi(argv[1]) : 50000;
    const int repetitions = argc > 2 ? std::atoi(argv[2]) : 3;
    const std::vector<QIcon> icons = {
        app.style()->standardIcon(QStyle::SP_FileIcon), app.style()->standardIcon(QStyle::SP_FileLinkIcon),
        app.style()->standardIcon(QStyle::SP_DirIcon), app.style()->standardIcon(QStyle::SP_DriveHDIcon),
        app.style()->standardIcon(QStyle::SP_TrashIcon)};

    TTimes append;
    TTimes appendRepainted;
    TTimes sortFirst[8];
    TTimes sortAgain;
    TTimes styleSwitch;
    for (int repetition = 0; repetition < repetitions; ++repetition) {
        TFileList list;
        TFileListModel model(list);
        model.SetBatchInterval(100);
        TEventPump pump;
        TFileListView view(model);
        view.resize(900, 300);
        view.show();
        QApplication::processEvents();

        // The records exist before they are timed: making them is the search's work.
        std::vector<std::unique_ptr<TFileData>> records;
        records.reserve(static_cast<std::size_t>(rows));
        for (int i = 0; i < rows; ++i)
            records.push_back(MakeRecord(i, icons));

        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < rows; ++i) {
            list.Add(std::move(records[static_cast<std::size_t>(i)]));
            model.AddFileRow(list.Item(list.Count() - 1));
            pump();
        }
        model.FlushRows();
        QApplication::processEvents();
        append.Ms.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);

        // Again, with a flush and a repaint every 500 rows.
        model.Clear();
        TFileList second;
        TFileListModel grown(second);
        view.hide();
        TFileListView growing(grown);
        growing.resize(900, 300);
        growing.show();
        QApplication::processEvents();
        std::vector<std::unique_ptr<TFileData>> more;
        for (int i = 0; i < rows; ++i)
            more.push_back(MakeRecord(i, icons));
        clock.restart();
        for (int i = 0; i < rows; ++i) {
            second.Add(std::move(more[static_cast<std::size_t>(i)]));
            grown.AddFileRow(second.Item(second.Count() - 1));
            if (i % 500 == 499) {
                grown.FlushRows();
                growing.repaint();
                QApplication::processEvents();
            }
        }
        grown.FlushRows();
        QApplication::processEvents();
        appendRepainted.Ms.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
        grown.Clear();
        growing.hide();
        view.show();
        model.SetBatchInterval(0);
        for (std::size_t i = 0; i < list.Count(); ++i)
            model.AddFileRow(list.Item(i));
        QApplication::processEvents();

        for (int key = TFileListColumns::ByName; key <= TFileListColumns::ByMatchCount; ++key) {
            clock.restart();
            model.SortFileList(key);
            QApplication::processEvents();
            sortFirst[key].Ms.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
        }
        clock.restart();
        model.SortFileList(TFileListColumns::ByMatchCount);
        QApplication::processEvents();
        sortAgain.Ms.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);

        clock.restart();
        view.SetStyle(TFileListView::LargeIcons);
        QApplication::processEvents();
        view.SetStyle(TFileListView::Details);
        QApplication::processEvents();
        styleSwitch.Ms.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
        model.Clear();
    }

    std::printf("%d rows, %d repetitions\n", rows, repetitions);
    append.Print("append one by one (shown)");
    appendRepainted.Print("append, repainted every 500 rows");
    const char* keys[] = {"", "Name", "T", "Folder", "Type", "Date/Time", "Size", "Matches"};
    for (int key = 1; key <= 7; ++key)
        sortFirst[key].Print((std::string("sort by ") + keys[key]).c_str());
    sortAgain.Print("sort by Matches again (reversed)");
    styleSwitch.Print("large icons and back to details");
    return 0;
}
