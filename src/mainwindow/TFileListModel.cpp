// SPDX-License-Identifier: MIT
#include "mainwindow/TFileListModel.h"

#include <QGuiApplication>
#include <QCursor>
#include <QIcon>
#include <QPixmap>

#include <algorithm>

#include "dialogs/TDialogText.h"
#include "model/TFileData.h"
#include "model/TFileList.h"
#include "adapters/TQtShellInfo.h"

namespace {

QVariant Alignment(int column)
{
    const Qt::Alignment horizontal = TFileListColumns::IsRightAligned(column) ? Qt::AlignRight : Qt::AlignLeft;
    return QVariant::fromValue(horizontal | Qt::AlignVCenter);
}

// Shown for a file without an icon: a transparent image keeps the names of all rows lined up.
const QIcon& BlankIcon()
{
    static const QIcon blank = [] {
        QPixmap pixmap(16, 16);
        pixmap.fill(Qt::transparent);
        return QIcon(pixmap);
    }();
    return blank;
}

} // namespace

TFileListModel::TFileListModel(TFileList& files, QObject* parent) : QAbstractTableModel(parent), Files(files)
{
    FlushTimer.setSingleShot(true);
    connect(&FlushTimer, &QTimer::timeout, this, &TFileListModel::FlushRows);
}

void TFileListModel::SetBatchInterval(int milliseconds)
{
    FlushRows();
    BatchInterval = std::max(0, milliseconds);
}

void TFileListModel::FlushRows()
{
    FlushTimer.stop();
    SinceFlush.start();
    if (Pending.empty())
        return;
    const int first = static_cast<int>(Rows.size());
    beginInsertRows(QModelIndex(), first, first + static_cast<int>(Pending.size()) - 1);
    Rows.insert(Rows.end(), Pending.begin(), Pending.end());
    Pending.clear();
    endInsertRows();
}

int TFileListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(Rows.size());
}

int TFileListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : TFileListColumns::ColumnCount;
}

QVariant TFileListModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    TFileData* file = Rows[static_cast<std::size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        return TDialogText::Show(TFileListColumns::Text(*file, index.column()));
    case Qt::DecorationRole:
        if (index.column() != TFileListColumns::Name)
            return {};
        if (const auto* icon = dynamic_cast<const TQtFileIcon*>(file->Icon.get()))
            return icon->Icon;
        return BlankIcon();
    case Qt::TextAlignmentRole:
        return Alignment(index.column());
    case FileDataRole:
        return QVariant::fromValue(file);
    default:
        return {};
    }
}

QVariant TFileListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= TFileListColumns::ColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role == Qt::DisplayRole)
        return TDialogText::Show(std::string(TFileListColumns::Caption(section)));
    if (role == Qt::TextAlignmentRole)
        return Alignment(section);
    return {};
}

void TFileListModel::AddFileRow(TFileData& file)
{
    Pending.push_back(&file);
    if (BatchInterval == 0 || !SinceFlush.isValid() || SinceFlush.elapsed() >= BatchInterval)
        FlushRows();
    else if (!FlushTimer.isActive())
        FlushTimer.start(BatchInterval);
}

void TFileListModel::Clear()
{
    Pending.clear();
    FlushTimer.stop();
    if (Rows.empty())
        return;
    beginResetModel();
    Rows.clear();
    endResetModel();
}

void TFileListModel::SortFileList(int key)
{
    if (key < TFileListColumns::ByName || key > TFileListColumns::ByMatchCount)
        return;
    FlushRows();
    SortState.Choose(key);
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    beginResetModel();
    TFileListColumns::Sort(Files, SortState.SortColumn, SortState.SortDescending);
    Rows.clear();
    Rows.reserve(Files.Count());
    for (std::size_t i = 0; i < Files.Count(); ++i)
        Rows.push_back(&Files.Item(i));
    endResetModel();
    QGuiApplication::restoreOverrideCursor();
}

TFileData* TFileListModel::FileAt(int row) const
{
    if (row < 0 || static_cast<std::size_t>(row) >= Rows.size())
        return nullptr;
    return Rows[static_cast<std::size_t>(row)];
}

TFileData* TFileListModel::FileOf(const QModelIndex& index)
{
    return index.isValid() ? index.data(FileDataRole).value<TFileData*>() : nullptr;
}

int TFileListModel::RowOf(const TFileData* file) const
{
    const auto found = std::find(Rows.begin(), Rows.end(), file);
    return found == Rows.end() ? -1 : static_cast<int>(found - Rows.begin());
}
