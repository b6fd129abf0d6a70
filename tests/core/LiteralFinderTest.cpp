// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <string>

#include "engine/TLiteralFinder.h"

namespace {

TEST(TLiteralFinder, FindsTheFirstOccurrenceFromAnOffset)
{
    struct Case {
        const char* Needle;
        bool Fold;
        std::string Text;
        std::size_t From;
        std::size_t Found;
    };
    constexpr std::size_t None = TLiteralFinder::npos;
    const Case cases[] = {
        {"err", false, "an error", 0, 3},
        {"err", false, "an ERROR", 0, None},
        {"err", true, "an ERROR", 0, 3},
        {"ERR", true, "an eRr", 0, 3},
        {"err", true, "err err", 1, 4},
        {"err", true, "err", 1, None},
        {"abc", true, "ab", 0, None},
        {"", true, "abc", 0, None},
        {"x", false, "", 0, None},
        {"x", true, "aX", 0, 1},
        {"\xe9", true, "\xc9\xe9", 0, 1},  // only a to z fold
        {"[", true, "{[", 0, 1},            // nor do the neighbours of the letters
        {"@", true, "`@", 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.Needle) + " in " + c.Text);
        EXPECT_EQ(TLiteralFinder(c.Needle, c.Fold).Find(c.Text, c.From), c.Found);
    }
}

// The vector loops work in blocks of 16 and 32 positions: a needle at every place of texts of
// every length up to a few blocks must be found exactly there, and nowhere when it is cut.
TEST(TLiteralFinder, EveryPositionAroundTheBlockEdges)
{
    const char* const needles[] = {"q", "Qz", "zzq", "needle", "rr"};
    for (const char* needle : needles) {
        for (bool fold : {false, true}) {
            const TLiteralFinder finder(needle, fold);
            const std::string n = needle;
            for (std::size_t length = 0; length <= 100; ++length) {
                for (std::size_t at = 0; at + n.size() <= length; ++at) {
                    std::string text(length, '.');
                    text.replace(at, n.size(), n);
                    SCOPED_TRACE(n + " at " + std::to_string(at) + " of " + std::to_string(length));
                    ASSERT_EQ(finder.Find(text), at);
                    ASSERT_EQ(finder.Find(text, at + 1), TLiteralFinder::npos);
                    // Cut off by the end of the text.
                    ASSERT_EQ(finder.Find(std::string_view(text).substr(0, at + n.size() - 1)), TLiteralFinder::npos);
                }
            }
        }
    }
}

} // namespace
