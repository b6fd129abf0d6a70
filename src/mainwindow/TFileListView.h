// SPDX-License-Identifier: MIT
#pragma once

#include <QStackedWidget>

#include <QSet>

#include <functional>

class QAbstractItemView;
class QHeaderView;
class QItemSelectionModel;
class QListView;
class QTableView;
class TFileData;
class TFileIconDelegate;
class TFileListModel;
class TSettingsStore;

// The file list: one row per matching file, shown in one of four styles. The details style is
// a table with a header whose columns the user can resize, reorder and click to sort; the other
// three show the names with large or small icons, or as a list. Every style shows the same
// model with the same selection, so switching keeps the selected row.
class TFileListView : public QStackedWidget {
    Q_OBJECT

public:
    enum ViewStyle { LargeIcons = 0, SmallIcons = 1, List = 2, Details = 3 };

    TFileListView(TFileListModel& model, QWidget* parent = nullptr);

    ViewStyle Style() const { return CurrentStyle; }
    void SetStyle(ViewStyle style);

    TFileListModel& Model() const { return ListModel; }
    QTableView* DetailsView() const { return Table; }
    QListView* IconView() const { return Icons; }
    QAbstractItemView* CurrentView() const;
    QHeaderView* Header() const;

    // The first selected row from the top, or -1.
    int SelectedRow() const;
    // Selects only `row` (none for -1) and makes it the current row, without scrolling.
    void SelectRow(int row);
    // Selects `row`, makes it current and scrolls it into view.
    void SelectAndShowRow(int row);
    int RowCount() const;

    // Column widths of the details view.
    int ColumnWidth(int column) const;
    void SetColumnWidth(int column, int width);
    // The stored columns' widths, from and to the settings; a width not stored stays as it is.
    void LoadColumnWidths(const TSettingsStore& store);
    void SaveColumnWidths(TSettingsStore& store) const;

    // Shows the sort column and direction in the header.
    void ShowSortIndicator(int column, bool ascending);

    // Mouse clicks, key releases, double clicks and header clicks of the list, after the view has
    // handled them itself (so the selection is already moved). A key release is reported only for
    // a key that was pressed while the list had the focus: the release of the Enter that closed a
    // dialog or chose a menu entry lands here too, and must do nothing.
    std::function<void()> OnClick;
    std::function<void(int key)> OnKeyUp;
    std::function<void()> OnDoubleClick;
    std::function<void(int column)> OnColumnClick;
    // A request for the pop-up menu at a global position.
    std::function<void(const QPoint& globalPos)> OnContextMenu;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Watch(QAbstractItemView* view);

    TFileListModel& ListModel;
    QTableView* Table;
    QListView* Icons;
    TFileIconDelegate* IconCells;
    QItemSelectionModel* Selection;
    ViewStyle CurrentStyle = Details;
    // Keys pressed while the list had the focus and not released yet.
    QSet<int> PressedKeys;
};
