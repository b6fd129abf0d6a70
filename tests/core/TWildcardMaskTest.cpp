// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "engine/TWildcardMask.h"

namespace {

TEST(TWildcardMask, Table)
{
    struct Case {
        const char* Mask;
        const char* Name;
        bool Matches;
    };
    const Case cases[] = {
        {"*.*", "readme.txt", true},
        {"*.*", "Makefile", true},           // every name, also without a dot
        {"*.*", ".profile", true},
        {"*.txt", "a.txt", true},
        {"*.txt", "A.TXT", true},            // case is ignored
        {"*.TXT", "notes.txt", true},
        {"*.txt", "a.txt.bak", false},
        {"*.txt", "atxt", false},
        {"*.c", "main.cpp", false},
        {"a?c", "abc", true},
        {"a?c", "ac", false},
        {"a?c", "abbc", false},
        {"*", "", true},
        {"*", "anything at all", true},
        {"", "", true},
        {"", "a", false},
        {"*a*b*c*", "xxaxxbxxcxx", true},
        {"*a*b*c*", "xxaxxcxxbxx", false},
        {"readme.*", "README", true},        // a trailing ".*" also takes a name without a dot
        {"readme.*", "readme.md", true},
        {"readme.*", "readme2", false},
        {"*.ZIP", "archive.zip", true},
        {"???", "ab", false},
        {"**.txt", "x.txt", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TWildcardMask::Matches(c.Mask, c.Name), c.Matches) << c.Mask << " vs " << c.Name;
}

TEST(TWildcardMask, ManyStarsStayFast)
{
    // A mask that would be exponential for a naive recursive matcher.
    const std::string mask = "*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*b";
    const std::string name(5000, 'a');
    EXPECT_FALSE(TWildcardMask::Matches(mask, name));
}

} // namespace
