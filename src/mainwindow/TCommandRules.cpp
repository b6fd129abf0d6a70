// SPDX-License-Identifier: MIT
#include "mainwindow/TCommandRules.h"

#include <algorithm>
#include <initializer_list>

std::vector<TCommandRules::TCommand> TCommandRules::Compute(const TWindowState& state)
{
    using TView = TWindowState::TViewChoice;
    const bool idle = state.IsIdle();
    const bool listed = state.Rows > 0;
    const bool whole = state.WholeFileShown();

    std::vector<TCommand> commands;
    const auto set = [&commands](std::initializer_list<std::string_view> names, bool enabled,
                                 std::optional<bool> checked = std::nullopt) {
        for (std::string_view name : names)
            commands.push_back(TCommand{name, enabled, checked});
    };
    set({"NewSearchItem", "NewSearchButton", "OpenItem", "OpenSearchButton", "SaveAsItem", "SaveSearchButton",
         "StartItem", "StartButton", "PreferencesItem", "ExitItem", "AboutItem", "PrintSetupItem"},
        idle);
    set({"StopItem", "StopButton"}, !idle);
    set({"ReplaceItem", "ReplaceButton"}, listed && idle && !state.InvertedSearch);
    set({"ReplaceHistoryItem"}, idle && !state.Replacing);
    set({"SaveReportItem"}, idle && !state.Replacing && state.ReplaceRecorded);
    set({"SearchAgainItem", "SearchAgainButton"}, listed && idle);
    set({"PrintItem", "PrintButton"}, idle && (state.DocumentShown || listed));
    set({"PreviousFileItem", "PreviousFileButton"}, listed && idle && state.SelectedRow > 0);
    set({"NextFileItem", "NextFileButton"}, listed && idle && state.SelectedRow < state.Rows - 1);
    set({"PreviousMatchItem", "PreviousMatchButton"}, listed && idle && whole && state.CurrentMatch > 0);
    set({"NextMatchItem", "NextMatchButton"},
        listed && idle && whole && state.DisplayedRow >= 0 && state.CurrentMatch < state.DisplayedMatches - 1);
    const bool views = listed && idle;
    set({"ViewAllItem", "ViewAllButton"}, views, state.View == TView::AllMatches);
    set({"MatchesOnlyItem", "MatchesOnlyButton"}, views, state.View == TView::MatchesInFile);
    set({"WholeFileItem", "WholeFileButton"}, views, state.View == TView::WholeFile);
    set({"SelectAllItem"}, idle && state.DocumentShown);
    // The commands the table above leaves out are not safe inside a running search either.
    set({"CopyItem", "NewWindowItem", "NewWindowButton", "HelpContentsItem", "HelpButton"}, idle);
    set({"BeginnerItem"}, idle, !state.ExpertMode);
    set({"ExpertItem"}, idle, state.ExpertMode);
    set({"HorizontalSplitItem", "HorizontalSplitButton"}, idle, state.HorizontalSplit);
    set({"VerticalSplitItem", "VerticalSplitButton"}, idle, !state.HorizontalSplit);
    return commands;
}

const TCommandRules::TCommand* TCommandRules::Find(const std::vector<TCommand>& commands, std::string_view name)
{
    const auto found =
        std::find_if(commands.begin(), commands.end(), [name](const TCommand& command) { return command.Name == name; });
    return found == commands.end() ? nullptr : &*found;
}
