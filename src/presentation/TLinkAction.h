// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "presentation/THTMLLink.h"

struct THTMLOptions;

// What a click on a link of the results document asks of the main window. The pane follows no
// link itself; it reports the link's text, and Parse reads it. Texts are compared exactly (case
// matters).
class TLinkAction {
public:
    enum class TKind {
        None,          // any other text: nothing happens
        ToggleOption,  // a toolbar link that flips a view option ("TogglePlain", ...)
        MatchWindow,   // "SMW" and a digit: sets the match window to that digit
        OpenFile,      // a match link: open its file in the editor at its line and column
    };

    static TLinkAction Parse(std::string_view link);

    TKind Kind = TKind::None;
    std::string Link;                // the text that was clicked
    int MatchWindow = -1;            // MatchWindow: the new match window
    THTMLLink::TMatchTarget Target;  // OpenFile: the file, line and column

    // True for the links that change how documents look (ToggleOption, MatchWindow): once the
    // change is applied, the window shows its current view again.
    bool ChangesView() const { return Kind == TKind::ToggleOption || Kind == TKind::MatchWindow; }
    // Flips the option or sets the match window and returns true; the other kinds change nothing
    // and return false.
    bool Apply(THTMLOptions& options, int32_t& matchWindow) const;
};
