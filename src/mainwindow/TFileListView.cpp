// SPDX-License-Identifier: MIT
#include "mainwindow/TFileListView.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QListView>
#include <QMouseEvent>
#include <QTableView>

#include "mainwindow/TFileIconDelegate.h"
#include "mainwindow/TFileListModel.h"
#include "presentation/TFileListColumns.h"

TFileListView::TFileListView(TFileListModel& model, QWidget* parent) : QStackedWidget(parent), ListModel(model)
{
    setObjectName(QStringLiteral("FileListBox"));

    // A table rather than a tree: it takes rows appended one by one in constant time, where a
    // tree lays out all of its rows again after each change.
    Table = new QTableView(this);
    Table->setObjectName(QStringLiteral("FileListDetails"));
    Table->setModel(&model);
    Table->setShowGrid(false);
    Table->setWordWrap(false);
    Table->setCornerButtonEnabled(false);
    Table->setTabKeyNavigation(false);
    Table->verticalHeader()->hide();
    Table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    Table->verticalHeader()->setDefaultSectionSize(Table->fontMetrics().height() + 4);
    Table->setSelectionBehavior(QAbstractItemView::SelectRows);
    Table->setSelectionMode(QAbstractItemView::SingleSelection);
    Table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Table->setTextElideMode(Qt::ElideRight);
    Table->setIconSize(QSize(16, 16));
    Table->setAlternatingRowColors(true);
    QHeaderView* header = Table->horizontalHeader();
    header->setHighlightSections(false);
    header->setSectionsMovable(true);
    header->setSectionsClickable(true);
    header->setStretchLastSection(true);
    header->setMinimumSectionSize(0);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    for (int column = 0; column < TFileListColumns::ColumnCount - 1; ++column)
        header->resizeSection(column, TFileListColumns::InitialWidth(column));
    connect(header, &QHeaderView::sectionClicked, this, [this](int column) {
        if (OnColumnClick)
            OnColumnClick(column);
    });

    // The icon view is given the model only while it is shown: a list view lays out every row
    // after each change, which would slow a growing list down even while hidden.
    Icons = new QListView(this);
    Icons->setObjectName(QStringLiteral("FileListIcons"));
    Icons->setSelectionMode(QAbstractItemView::SingleSelection);
    Icons->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Icons->setUniformItemSizes(true);
    Icons->setResizeMode(QListView::Adjust);
    Icons->setLayoutMode(QListView::Batched);
    Icons->setBatchSize(2000);
    Icons->setMovement(QListView::Static);
    IconCells = new TFileIconDelegate(Icons);
    Icons->setItemDelegate(IconCells);

    // Every style uses the table's selection, so a style change keeps the selected row.
    Selection = Table->selectionModel();

    addWidget(Table);
    addWidget(Icons);
    Watch(Table);
    Watch(Icons);
    SetStyle(Details);
}

void TFileListView::Watch(QAbstractItemView* view)
{
    view->viewport()->installEventFilter(this);
    view->installEventFilter(this);
    view->setContextMenuPolicy(Qt::DefaultContextMenu);
    connect(view, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
        if (index.isValid() && OnDoubleClick)
            OnDoubleClick();
    });
}

bool TFileListView::eventFilter(QObject* watched, QEvent* event)
{
    const bool onViewport = watched == Table->viewport() || watched == Icons->viewport();
    const bool onView = watched == Table || watched == Icons;
    switch (event->type()) {
    case QEvent::MouseButtonRelease:
        if (onViewport && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton && OnClick)
            OnClick();
        break;
    case QEvent::KeyPress:
        if (onView && !static_cast<QKeyEvent*>(event)->isAutoRepeat())
            PressedKeys.insert(static_cast<QKeyEvent*>(event)->key());
        break;
    case QEvent::KeyRelease: {
        const auto* key = static_cast<QKeyEvent*>(event);
        // Forgotten before the handler runs: a dialog it shows may take the next press.
        if (onView && !key->isAutoRepeat() && PressedKeys.remove(key->key()) && OnKeyUp)
            OnKeyUp(key->key());
        break;
    }
    case QEvent::FocusOut:
        // A key held down while the focus moves elsewhere is released there, not here.
        if (onView)
            PressedKeys.clear();
        break;
    case QEvent::ContextMenu:
        if (onViewport || onView) {
            if (OnContextMenu)
                OnContextMenu(static_cast<QContextMenuEvent*>(event)->globalPos());
            return true;
        }
        break;
    default:
        break;
    }
    return QStackedWidget::eventFilter(watched, event);
}

void TFileListView::SetStyle(ViewStyle style)
{
    CurrentStyle = style;
    if (style == Details) {
        setCurrentWidget(Table);
        if (Icons->model() != nullptr) {
            Icons->setModel(nullptr);
        }
        return;
    }
    if (Icons->model() == nullptr) {
        Icons->setModel(&ListModel);
        Icons->setModelColumn(TFileListColumns::Name);
        QItemSelectionModel* made = Icons->selectionModel();
        Icons->setSelectionModel(Selection);
        if (made != Selection)
            made->deleteLater();
    }
    switch (style) {
    case LargeIcons:
        Icons->setViewMode(QListView::IconMode);
        Icons->setFlow(QListView::LeftToRight);
        Icons->setIconSize(QSize(32, 32));
        Icons->setGridSize(QSize(96, 64));
        IconCells->SetCellSize(QSize(92, 60));
        Icons->setWordWrap(true);
        Icons->setWrapping(true);
        break;
    case SmallIcons:
        Icons->setViewMode(QListView::ListMode);
        Icons->setFlow(QListView::LeftToRight);
        Icons->setIconSize(QSize(16, 16));
        Icons->setGridSize(QSize(160, 22));
        IconCells->SetCellSize(QSize(156, 20));
        Icons->setWordWrap(false);
        Icons->setWrapping(true);
        break;
    case List:
    default:
        Icons->setViewMode(QListView::ListMode);
        Icons->setFlow(QListView::TopToBottom);
        Icons->setIconSize(QSize(16, 16));
        Icons->setGridSize(QSize(180, 20));
        IconCells->SetCellSize(QSize(176, 18));
        Icons->setWordWrap(false);
        Icons->setWrapping(true);
        break;
    }
    setCurrentWidget(Icons);
}

QAbstractItemView* TFileListView::CurrentView() const
{
    return CurrentStyle == Details ? static_cast<QAbstractItemView*>(Table) : static_cast<QAbstractItemView*>(Icons);
}

QHeaderView* TFileListView::Header() const
{
    return Table->horizontalHeader();
}

int TFileListView::SelectedRow() const
{
    int first = -1;
    for (const QModelIndex& index : Selection->selectedRows())
        if (first < 0 || index.row() < first)
            first = index.row();
    if (first < 0) {
        // The icon views select single cells of the name column.
        for (const QModelIndex& index : Selection->selectedIndexes())
            if (first < 0 || index.row() < first)
                first = index.row();
    }
    return first;
}

void TFileListView::SelectRow(int row)
{
    if (row < 0 || row >= ListModel.rowCount()) {
        Selection->clearSelection();
        return;
    }
    const QModelIndex index = ListModel.index(row, 0);
    Selection->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void TFileListView::SelectAndShowRow(int row)
{
    SelectRow(row);
    if (row >= 0 && row < ListModel.rowCount())
        CurrentView()->scrollTo(ListModel.index(row, 0));
}

int TFileListView::RowCount() const
{
    return ListModel.rowCount();
}

int TFileListView::ColumnWidth(int column) const
{
    return Table->horizontalHeader()->sectionSize(column);
}

void TFileListView::SetColumnWidth(int column, int width)
{
    Table->horizontalHeader()->resizeSection(column, width);
}

void TFileListView::ShowSortIndicator(int column, bool ascending)
{
    QHeaderView* header = Table->horizontalHeader();
    header->setSortIndicatorShown(column >= 0);
    if (column >= 0)
        header->setSortIndicator(column, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
}

void TFileListView::SaveColumnWidths(TSettingsStore& store) const
{
    TFileListColumns::TWidths widths{};
    for (int column = 0; column < TFileListColumns::StoredColumnCount; ++column)
        widths[static_cast<std::size_t>(column)] = ColumnWidth(column);
    TFileListColumns::SaveWidths(store, widths);
}

void TFileListView::LoadColumnWidths(const TSettingsStore& store)
{
    TFileListColumns::TWidths widths{};
    for (int column = 0; column < TFileListColumns::StoredColumnCount; ++column)
        widths[static_cast<std::size_t>(column)] = ColumnWidth(column);
    TFileListColumns::LoadWidths(store, widths);
    for (int column = 0; column < TFileListColumns::StoredColumnCount; ++column)
        SetColumnWidth(column, widths[static_cast<std::size_t>(column)]);
}
