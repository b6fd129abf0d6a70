// SPDX-License-Identifier: MIT
#pragma once

#include <QAbstractTableModel>
#include <QElapsedTimer>
#include <QTimer>
#include <vector>

#include "model/TFileData.h"
#include "presentation/TFileListColumns.h"

class TFileList;

// The rows of the file list: one per record of the result list, in the list's order, with the
// column texts of TFileListColumns and the file's icon in the first column.
//
// Each row refers to a record owned by the TFileList. Rows are appended with AddFileRow after
// the record has been added to the list; before the list destroys its records (a new search,
// a load) the model must be emptied with Clear, so that no row outlives its record.
class TFileListModel final : public QAbstractTableModel {
    Q_OBJECT

public:
    // The record a row shows, as a TFileData* (also in every column of the row).
    static constexpr int FileDataRole = Qt::UserRole + 1;

    explicit TFileListModel(TFileList& files, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Appends a row for `file`, a record the list already holds. With a batch interval set, the
    // views learn of new rows at most once per interval (and when FlushRows is called): a view
    // lays out all its rows after each insertion, so telling it of thousands of rows one by one
    // would take minutes.
    void AddFileRow(TFileData& file);
    // Milliseconds between announcements of appended rows; 0 (the default) announces each row
    // at once.
    void SetBatchInterval(int milliseconds);
    // Announces the rows appended since the last announcement.
    void FlushRows();
    // Removes every row; the list and the sort state are left alone.
    void Clear();
    // Applies the click on the sort key `key` (1..7) to the sort state (the same key again
    // reverses the direction, another starts ascending), sorts the list itself and rebuilds the
    // rows from it. Other keys are ignored.
    void SortFileList(int key);

    // The record of a row, or null for an index out of range.
    TFileData* FileAt(int row) const;
    static TFileData* FileOf(const QModelIndex& index);
    // The row that shows `file`, or -1.
    int RowOf(const TFileData* file) const;

    // The sort state of the process: kept across searches, as the model lives as long as the
    // main window.
    int SortColumn() const { return SortState.SortColumn; }
    bool SortDescending() const { return SortState.SortDescending; }

private:
    TFileList& Files;
    // The rows the views know of, then the rows appended but not yet announced.
    std::vector<TFileData*> Rows;
    std::vector<TFileData*> Pending;
    int BatchInterval = 0;
    QElapsedTimer SinceFlush;
    QTimer FlushTimer;
    TFileListColumns::TSortState SortState;
};

Q_DECLARE_METATYPE(TFileData*)
