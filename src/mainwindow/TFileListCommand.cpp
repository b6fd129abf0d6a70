// SPDX-License-Identifier: MIT
#include "dialogs/TDialogText.h"
#include "mainwindow/TFileListCommand.h"

#include <QActionGroup>
#include <QMenu>

#include "mainwindow/TFileListModel.h"
#include "mainwindow/TFileListView.h"
#include "mainwindow/TLaunchCommand.h"
#include "mainwindow/TViewCommand.h"
#include "model/TFileData.h"
#include "presentation/TFileListColumns.h"

TFileListCommand::TFileListCommand(QWidget* window, TWindowParts parts, TCommands commands)
    : Parts(parts), Commands(std::move(commands))
{
    TViewCommand& views = Commands.Views;
    TLaunchCommand& launches = Commands.Launches;
    Popup = new QMenu(window);
    Popup->setObjectName(QStringLiteral("PopupMenu"));
    QMenu* styleMenu = Popup->addMenu(QStringLiteral("View"));
    auto* styles = new QActionGroup(Popup);
    styles->setObjectName(QStringLiteral("PopupViewStyles"));
    styles->setExclusive(true);
    const char* styleNames[] = {"Large Icons", "Small Icons", "List", "Details"};
    for (int style = 0; style < 4; ++style) {
        QAction* item = styleMenu->addAction(QString::fromLatin1(styleNames[style]), [this, style] { ChangeListStyle(style); });
        item->setCheckable(true);
        item->setData(style);
        styles->addAction(item);
    }
    const auto add = [this](const char* name, const QString& text, std::function<void()> handler) {
        Popup->addAction(text, std::move(handler))->setObjectName(QString::fromLatin1(name));
    };
    Popup->addSeparator();
    add("PopupSearchAgain", QStringLiteral("Search these files..."), [this] { Commands.SearchAgain(); });
    add("PopupReplace", QStringLiteral("Replace..."), [this] { Commands.Replace(); });
    Popup->addSeparator()->setObjectName(QStringLiteral("PopupViewSeparator"));
    add("PopupViewMatches", QString(), [&views] { views.ViewMatchesClick(); });
    add("PopupViewFile", QString(), [&views] { views.ViewFileClick(); });
    Popup->addSeparator();
    add("PopupExtract", QString(), [&launches] { launches.ExtractClick(); });
    add("PopupEdit", QString(), [&launches] { launches.EditClick(); });

    TFileListView& list = Parts.ListView;
    list.OnClick = [&views] { views.SelectionClicked(); };
    list.OnKeyUp = [this](int key) { KeyReleased(key); };
    list.OnDoubleClick = [this, &launches] {
        if (Parts.State.IsIdle())
            launches.LaunchClick();
    };
    list.OnColumnClick = [this](int column) { HeaderClicked(column); };
    list.OnContextMenu = [this](const QPoint& where) {
        if (!Parts.State.IsIdle())
            return;
        PrepareMenu();
        Popup->popup(where);
    };
}

QAction* TFileListCommand::Item(const char* name) const
{
    return Popup->findChild<QAction*>(QString::fromLatin1(name));
}

void TFileListCommand::KeyReleased(int key)
{
    if (!Parts.State.IsIdle())
        return;
    switch (key) {
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_End:
    case Qt::Key_Home:
    case Qt::Key_Left:
    case Qt::Key_Up:
    case Qt::Key_Right:
    case Qt::Key_Down:
        Commands.Views.SelectionMovedByKey();
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        Commands.Launches.EditClick();
        break;
    default:
        break;
    }
}

void TFileListCommand::HeaderClicked(int column)
{
    if (!Parts.State.IsIdle())
        return;
    const int key = TFileListColumns::SortKeyForColumn(column);
    if (key == TFileListColumns::NoSort)
        return;
    const TFileData* selected = Parts.SelectedFile();
    const TFileData* displayed = Parts.DisplayedFile();
    Parts.ListModel.SortFileList(key);
    // Texts sort A to Z on the first click; numbers and dates largest first.
    Parts.ListView.ShowSortIndicator(column, !Parts.ListModel.SortDescending());
    // The rows the window state names follow their files.
    Parts.State.DisplayedRow = Parts.ListModel.RowOf(displayed);
    if (selected != nullptr) {
        const int row = Parts.ListModel.RowOf(selected);
        Parts.ListView.SelectRow(row);
        Parts.SetSelectedRow(row);
    }
    Parts.Host.UpdateCommands();
}

void TFileListCommand::PrepareMenu()
{
    Parts.Host.FindSelectedRow();
    const bool listed = Parts.ListModel.rowCount() > 0;
    Item("PopupSearchAgain")->setEnabled(listed);
    Item("PopupReplace")->setEnabled(listed);
    const TFileData* selected = Parts.SelectedFile();
    const bool named = selected != nullptr;
    for (const char* name : {"PopupViewSeparator", "PopupViewMatches", "PopupViewFile"})
        Item(name)->setVisible(named);
    Item("PopupExtract")->setVisible(named && selected->InZip);
    Item("PopupEdit")->setVisible(named && !selected->InZip);
    if (named) {
        const QString name = TDialogText::Show(selected->FileName);
        Item("PopupViewMatches")->setText(QStringLiteral("View matches in ") + name);
        Item("PopupViewFile")->setText(QStringLiteral("View ") + name);
        if (selected->InZip)
            Item("PopupExtract")->setText(QStringLiteral("Extract ") + name + QStringLiteral(" from ZIP..."));
        else
            Item("PopupEdit")->setText(QStringLiteral("Edit ") + name);
    }
    const auto styles = Popup->findChild<QActionGroup*>(QStringLiteral("PopupViewStyles"))->actions();
    for (QAction* item : styles)
        item->setChecked(item->data().toInt() == Parts.ListView.Style());
}

void TFileListCommand::ChangeListStyle(int style)
{
    const int row = Parts.ListView.SelectedRow();
    Parts.ListView.SetStyle(static_cast<TFileListView::ViewStyle>(style));
    if (row >= 0)
        Parts.ListView.SelectRow(row);
}
