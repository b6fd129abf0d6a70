// SPDX-License-Identifier: MIT
// The enabled and checked commands of window states, computed with no window.
#include <QtTest>

#include <string>

#include "mainwindow/TCommandCatalog.h"
#include "mainwindow/TCommandRules.h"
#include "mainwindow/TWindowState.h"

Q_DECLARE_METATYPE(TWindowState)

namespace {

using TBusy = TWindowState::TBusy;
using TView = TWindowState::TViewChoice;
using TPane = TWindowState::TPaneContent;
using TFileView = TWindowState::TFileView;

// An idle window after a search that found `rows` files.
TWindowState Listed(int rows)
{
    TWindowState state;
    state.DocumentShown = true;
    state.Rows = rows;
    return state;
}

// A window showing row 0 of three, whose file has three matches, in `view` at `match`.
TWindowState Showing(TFileView view, int match)
{
    TWindowState state = Listed(3);
    state.SelectedRow = 0;
    state.DisplayedRow = 0;
    state.DisplayedMatches = 3;
    state.Pane = TPane::OneFile;
    state.LastFileView = view;
    state.CurrentMatch = match;
    return state;
}

// The enabled commands among `names`, as "name name ...".
QString EnabledAmong(const TWindowState& state, const QStringList& names)
{
    const auto commands = TCommandRules::Compute(state);
    QStringList enabled;
    for (const QString& name : names) {
        const TCommandRules::TCommand* command = TCommandRules::Find(commands, name.toStdString());
        if (command == nullptr)
            return QStringLiteral("no command ") + name;
        if (command->Enabled)
            enabled << name;
    }
    return enabled.join(QLatin1Char(' '));
}

} // namespace

class CommandRulesTest : public QObject {
    Q_OBJECT

private slots:
    void enabledCommands_data()
    {
        QTest::addColumn<TWindowState>("state");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QString>("enabled");
        const QStringList search{"StartButton", "StopButton", "ReplaceButton", "SearchAgainButton", "PrintButton",
                                 "ViewAllButton", "WholeFileItem"};
        QTest::newRow("idle, nothing found") << Listed(0) << search << "StartButton PrintButton";
        QTest::newRow("idle, files found")
            << Listed(2) << search
            << "StartButton ReplaceButton SearchAgainButton PrintButton ViewAllButton WholeFileItem";
        TWindowState inverted = Listed(2);
        inverted.InvertedSearch = true;
        QTest::newRow("inverted search: nothing to replace")
            << inverted << QStringList{"ReplaceItem", "ReplaceButton", "SearchAgainItem"} << "SearchAgainItem";
        TWindowState searching = Listed(2);
        searching.Busy = TBusy::Searching;
        QTest::newRow("searching: only Stop") << searching << search + QStringList{"CopyItem", "StopItem"}
                                              << "StopButton StopItem";
        TWindowState loading = Showing(TFileView::WholeFile, 1);
        loading.Busy = TBusy::LoadingView;
        QTest::newRow("loading a view: only Stop")
            << loading << QStringList{"NextMatchButton", "PreviousMatchButton", "NextFileButton", "StopButton"}
            << "StopButton";

        // The history needs no result list, but nothing may run while it undoes a replace; the
        // report's changes can be saved once a replace was recorded.
        const QStringList history{"ReplaceHistoryItem", "SaveReportItem", "StopItem"};
        QTest::newRow("history, idle with nothing found") << Listed(0) << history << "ReplaceHistoryItem";
        TWindowState recorded = Listed(0);
        recorded.ReplaceRecorded = true;
        QTest::newRow("history after a recorded replace") << recorded << history
                                                          << "ReplaceHistoryItem SaveReportItem";
        recorded.Busy = TBusy::Searching;
        QTest::newRow("history while searching") << recorded << history << "StopItem";
        TWindowState replacing = Listed(2);
        replacing.Replacing = true;
        replacing.ReplaceRecorded = true;
        QTest::newRow("history while replacing") << replacing << history << "";

        const QStringList files{"PreviousFileButton", "NextFileButton"};
        TWindowState first = Listed(3);
        first.SelectedRow = 0;
        TWindowState middle = Listed(3);
        middle.SelectedRow = 1;
        TWindowState last = Listed(3);
        last.SelectedRow = 2;
        QTest::newRow("first of three files") << first << files << "NextFileButton";
        QTest::newRow("middle file") << middle << files << "PreviousFileButton NextFileButton";
        QTest::newRow("last file") << last << files << "PreviousFileButton";
        QTest::newRow("no file selected") << Listed(3) << files << "NextFileButton";

        const QStringList matches{"PreviousMatchButton", "NextMatchButton"};
        QTest::newRow("whole file at its first match") << Showing(TFileView::WholeFile, 0) << matches
                                                        << "NextMatchButton";
        QTest::newRow("whole file at a middle match")
            << Showing(TFileView::WholeFile, 1) << matches << "PreviousMatchButton NextMatchButton";
        QTest::newRow("whole file at its last match") << Showing(TFileView::WholeFile, 2) << matches
                                                       << "PreviousMatchButton";
        QTest::newRow("matches only: no stepping") << Showing(TFileView::MatchesOnly, 1) << matches << "";
        TWindowState report = Showing(TFileView::WholeFile, 1);
        report.Pane = TPane::Other;
        QTest::newRow("a replace report after a whole file") << report << matches << "";
        TWindowState gone = Showing(TFileView::WholeFile, 1);
        gone.DisplayedRow = -1;
        QTest::newRow("the displayed file is gone") << gone << matches << "PreviousMatchButton";
    }

    void enabledCommands()
    {
        QFETCH(TWindowState, state);
        QFETCH(QStringList, names);
        QFETCH(QString, enabled);
        QCOMPARE(EnabledAmong(state, names), enabled);
    }

    // Exactly one of each group of checked commands is checked, the one the state names.
    void checkedCommands()
    {
        struct TCase {
            TView View;
            bool Expert;
            bool Horizontal;
            const char* Checked;
        };
        static const TCase cases[] = {
            {TView::None, false, true, "BeginnerItem HorizontalSplitItem HorizontalSplitButton"},
            {TView::AllMatches, true, false,
             "ViewAllItem ViewAllButton ExpertItem VerticalSplitItem VerticalSplitButton"},
            {TView::MatchesInFile, false, true,
             "MatchesOnlyItem MatchesOnlyButton BeginnerItem HorizontalSplitItem HorizontalSplitButton"},
            {TView::WholeFile, true, true,
             "WholeFileItem WholeFileButton ExpertItem HorizontalSplitItem HorizontalSplitButton"},
        };
        for (const TCase& test : cases) {
            TWindowState state = Listed(2);
            state.View = test.View;
            state.ExpertMode = test.Expert;
            state.HorizontalSplit = test.Horizontal;
            QStringList checked;
            for (const TCommandRules::TCommand& command : TCommandRules::Compute(state)) {
                if (command.Checked.value_or(false))
                    checked << QString::fromLatin1(command.Name.data(), static_cast<qsizetype>(command.Name.size()));
            }
            QCOMPARE(checked.join(QLatin1Char(' ')), QString::fromLatin1(test.Checked));
        }
    }

    // Every command the rules name is a menu item or a toolbar button, and every checkable one
    // has its check computed.
    void rulesNameTheCatalogsCommands()
    {
        QStringList known;
        QStringList checkable;
        for (const TCommandCatalog::TItem& item : TCommandCatalog::Items()) {
            known << QString::fromLatin1(item.Name);
            if (item.Checkable)
                checkable << QString::fromLatin1(item.Name);
        }
        for (const TCommandCatalog::TButton& button : TCommandCatalog::Buttons()) {
            known << QString::fromLatin1(button.Name);
            if (button.Checkable)
                checkable << QString::fromLatin1(button.Name);
        }
        const auto commands = TCommandRules::Compute(Listed(1));
        for (const TCommandRules::TCommand& command : commands)
            QVERIFY2(known.contains(QString::fromLatin1(command.Name.data(), static_cast<qsizetype>(command.Name.size()))),
                     command.Name.data());
        for (const QString& name : checkable) {
            const TCommandRules::TCommand* command = TCommandRules::Find(commands, name.toStdString());
            QVERIFY2(command != nullptr && command->Checked.has_value(), qPrintable(name));
        }
    }
};

QTEST_GUILESS_MAIN(CommandRulesTest)
#include "CommandRulesTest.moc"
