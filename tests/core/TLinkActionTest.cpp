// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <string>

#include "presentation/THTMLOptions.h"
#include "presentation/TLinkAction.h"

namespace {

using Kind = TLinkAction::TKind;

// Each link the document holds, and texts that only look like one, with what a click does to
// the view options and the match window (2 before the click).
TEST(TLinkAction, ClickedLinksBecomeActions)
{
    struct Case {
        const char* Link;
        Kind ExpectedKind;
        bool THTMLOptions::*Flipped;  // the option a toggle flips
        int MatchWindowAfter;
        THTMLLink::TMatchTarget Target;
    };
    const Case cases[] = {
        {"TogglePlain", Kind::ToggleOption, &THTMLOptions::FancyOutput, 2, {}},
        {"ToggleFilenames", Kind::ToggleOption, &THTMLOptions::FileNames, 2, {}},
        {"ToggleFileContents", Kind::ToggleOption, &THTMLOptions::ShowFileContents, 2, {}},
        {"ToggleLineNumbers", Kind::ToggleOption, &THTMLOptions::LineNumbers, 2, {}},
        {"ToggleWordWrap", Kind::ToggleOption, &THTMLOptions::WordWrap, 2, {}},
        {"ToggleFixedFont", Kind::ToggleOption, &THTMLOptions::FixedFont, 2, {}},
        {"ToggleMatchesOnly", Kind::ToggleOption, &THTMLOptions::MatchesOnly, 2, {}},
        {"SMW0", Kind::MatchWindow, nullptr, 0, {}},
        {"SMW5", Kind::MatchWindow, nullptr, 5, {}},
        {"SMW12", Kind::MatchWindow, nullptr, 1, {}},  // the one character after "SMW"
        {"openfile?/p/a&b.txt&12|5", Kind::OpenFile, nullptr, 2, {"/p/a&b.txt", 12, 5}},
        {"toggleplain", Kind::None, nullptr, 2, {}},
        {"ToggleTitle", Kind::None, nullptr, 2, {}},
        {"SMW", Kind::None, nullptr, 2, {}},
        {"SMWx", Kind::None, nullptr, 2, {}},
        {"smw3", Kind::None, nullptr, 2, {}},
        {"openfile?/p/f.txt", Kind::None, nullptr, 2, {}},
        {"http://example.org/", Kind::None, nullptr, 2, {}},
        {"", Kind::None, nullptr, 2, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Link);
        const TLinkAction action = TLinkAction::Parse(c.Link);
        EXPECT_EQ(action.Kind, c.ExpectedKind);
        EXPECT_EQ(action.Link, c.Link);
        EXPECT_EQ(action.ChangesView(), c.ExpectedKind == Kind::ToggleOption || c.ExpectedKind == Kind::MatchWindow);
        if (c.ExpectedKind == Kind::OpenFile) {
            EXPECT_EQ(action.Target, c.Target);
        }

        THTMLOptions options;
        int32_t matchWindow = 2;
        EXPECT_EQ(action.Apply(options, matchWindow), action.ChangesView());
        THTMLOptions expected;
        if (c.Flipped)
            expected.*c.Flipped = !(expected.*c.Flipped);
        EXPECT_EQ(options, expected);
        EXPECT_EQ(matchWindow, c.MatchWindowAfter);
    }
}

} // namespace
