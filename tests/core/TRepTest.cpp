// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <string>

#include "engine/TRegexParser.h"
#include "engine/TRep.h"

namespace {

// "-" for no hit, else "start-end" (0-based, end exclusive).
std::string HitOf(const TRep& rep, std::string_view text)
{
    TRegMatch match;
    if (!rep.Execute(text, match))
        return "-";
    return std::to_string(match.StartOffset) + "-" + std::to_string(match.EndOffset);
}

std::string Nested(int groups)
{
    return std::string(static_cast<std::size_t>(groups), '(') + "a" + std::string(static_cast<std::size_t>(groups), ')');
}

TEST(TRep, MalformedPatternsGiveTheirCodeAndText)
{
    struct Case {
        std::string Pattern;
        int32_t Code;
        const char* Text;
    };
    const Case cases[] = {
        {"(", 6, "Unmatched ("},
        {"(ab", 6, "Unmatched ("},
        {"((a)", 6, "Unmatched ("},
        {")", 6, "Unmatched ("},
        {"a)", 6, "Unmatched ("},
        {"(a))", 6, "Unmatched ("},
        {"*a", 7, "Invalid use of a repeat"},
        {"+", 7, "Invalid use of a repeat"},
        {"?a", 7, "Invalid use of a repeat"},
        {"a|*b", 7, "Invalid use of a repeat"},
        {"(*a)", 7, "Invalid use of a repeat"},
        {"(a*)*", 7, "Invalid use of a repeat"},
        {"(a|b?)+", 7, "Invalid use of a repeat"},
        {"(a|)*", 7, "Invalid use of a repeat"},
        {"()+", 7, "Invalid use of a repeat"},
        {"^*", 7, "Invalid use of a repeat"},
        {"a$?", 7, "Invalid use of a repeat"},
        {"a**", 8, "Nested repeats not allowed"},
        {"a+?", 8, "Nested repeats not allowed"},
        {"a?*", 8, "Nested repeats not allowed"},
        {"(ab)++", 8, "Nested repeats not allowed"},
        {"[z-a]", 9, "Invalid range specifier"},
        {"x[a-\\]]", 9, "Invalid range specifier"},
        {"[", 10, "Unmatched ["},
        {"[abc", 10, "Unmatched ["},
        {"[]", 10, "Unmatched ["},
        {"[^]", 10, "Unmatched ["},
        {"[a-", 10, "Unmatched ["},
        {"[\\]", 10, "Unmatched ["},
        {"abc\\", 11, "Invalid trailing character"},
        {"[a\\", 11, "Invalid trailing character"},
        {"[a-\\", 11, "Invalid trailing character"},
        {Nested(TRegexParser::MaxGroups + 1), 5, "Too many sub-expressions"},
        {std::string(TRegexParser::MaxGroups + 1, '(') , 5, "Too many sub-expressions"},
        // The leftmost fault decides.
        {"(a**", 8, "Nested repeats not allowed"},
        {"[z-a](", 9, "Invalid range specifier"},
        {"a)[", 6, "Unmatched ("},
        {std::string(TRegexParser::MaxPatternLength + 1, 'a'), 3, "Regular expression too complex"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Pattern.substr(0, 40));
        const TRep rep(c.Pattern);
        EXPECT_FALSE(rep.IsValid());
        EXPECT_EQ(rep.ErrorCode(), c.Code);
        EXPECT_EQ(rep.ErrorText(), c.Text);
        TRegMatch match;
        EXPECT_FALSE(rep.Execute("aaaa", match));
    }
}

TEST(TRep, ErrorTextsByCode)
{
    const char* const texts[] = {
        "No error", "No match found for regular expression", "Invalid parameter passed to function",
        "Regular expression too complex", "Out of memory", "Too many sub-expressions", "Unmatched (",
        "Invalid use of a repeat", "Nested repeats not allowed", "Invalid range specifier", "Unmatched [",
        "Invalid trailing character", "Internal REGEXP32.DLL error",
    };
    for (int32_t code = 0; code <= TRep::LastErrorCode; ++code)
        EXPECT_EQ(TRep::ErrorText(code), texts[code]);
    EXPECT_EQ(TRep::ErrorText(-1), "");
    EXPECT_EQ(TRep::ErrorText(13), "");
}

TEST(TRep, WellFormedPatternsFindTheLeftmostFirstHit)
{
    struct Case {
        std::string Pattern;
        std::string Text;
        const char* Hit;
    };
    const Case cases[] = {
        // The examples of the search dialog's help page.
        {"^Windows", "Windows 95", "0-7"},
        {"^Windows", "My Windows", "-"},
        {"Windows$", "My Windows", "3-10"},
        {"Windows$", "Windows 95", "-"},
        {"Win.", "Wine", "0-4"},
        {"10*", "x1000", "1-5"},
        {"10+", "x1", "-"},
        {"10+", "100", "0-3"},
        {"10?", "100", "0-2"},
        {"b(an)*a", "bananas", "0-6"},
        {"b(an)*a", "ba", "0-2"},
        {"[0-9]", "abc7", "3-4"},
        {"\\?", "why?", "3-4"},
        {"hello|world", "a world", "2-7"},
        {"worda.*wordb|wordb.*worda", "x wordb y worda", "2-15"},
        // A backslash quotes any character; nothing else is special.
        {"\\d", "5d", "1-2"},
        {"\\.", "a.", "1-2"},
        {"\\\\", "a\\b", "1-2"},
        {"a{2}", "aa a{2}", "3-7"},
        {"\\(x\\)", "(x)", "0-3"},
        {"\\^", "a^", "1-2"},
        // Classes: ranges, complements, literal ] - ^ and quoted members.
        {"[^a]", "aab", "2-3"},
        {"[]a]+", "x]a]", "1-4"},
        {"[^]]", "]]x", "2-3"},
        {"[a-]", "x-", "1-2"},
        {"[-a]", "x-", "1-2"},
        {"[a-c-e]+", "x-ace", "1-5"},
        {"[\\]\\\\]+", "a]\\", "1-3"},
        {"[x^]", "^", "0-1"},
        {"[a-a]", "ba", "1-2"},
        // Leftmost first: alternatives in order, repeats greedy.
        {"a|ab", "ab", "0-1"},
        {"ab|a", "ab", "0-2"},
        {"(a|ab)(c|bcd)", "abcd", "0-4"},
        {"a*", "aaab", "0-3"},
        {"a?ab", "ab", "0-2"},
        {"x*", "abc", "0-0"},
        // Anchors hold only at the text's start and end, wherever they stand.
        {"a^b", "a^b ab", "-"},
        {"a$b", "a$b", "-"},
        {"(^a|b)", "ba", "0-1"},
        {"^$", "", "0-0"},
        // Characters are bytes: . takes any of them, including NUL, CR and bytes above 127.
        {"a.c", std::string("a\0c", 3), "0-3"},
        {"a.c", "a\rc", "0-3"},
        {"a.c", "a\xe9" "c", "0-3"},
        {"a..c", "a\xc3\xa9" "c", "0-4"},
        {"[\xc0-\xff]+", "ab\xe9\xff", "2-4"},
        {"\xe9", "\xc9\xe9", "1-2"},
        // Alternatives sharing leading text with bytes above 127.
        {"\xe0\xe0|\xe0@", "x\xe0@", "1-3"},
        {"q\xe0" "b|q\xe0@", "xq\xe0@", "1-4"},
        // Empty groups and branches match the empty text.
        {"()", "abc", "0-0"},
        {"a(|b)c", "ac abc", "0-2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Pattern);
        const TRep rep(c.Pattern);
        ASSERT_TRUE(rep.IsValid()) << rep.ErrorText();
        EXPECT_EQ(rep.ErrorCode(), 0);
        EXPECT_EQ(rep.ErrorText(), "No error");
        EXPECT_EQ(HitOf(rep, c.Text), c.Hit) << "in " << c.Text;
    }
}

// With folded case the pattern and the text match as if a to z were A to Z: nothing else folds.
TEST(TRep, FoldedCaseMatchesAsIfBothWereUpperCase)
{
    struct Case {
        const char* Pattern;
        const char* Text;
        const char* Hit;
    };
    const Case cases[] = {
        {"abc", "xABC", "1-4"},
        {"abc", "aBc", "0-3"},
        {"ABC", "abc", "0-3"},
        {"[a-z]+", "12Hello!", "2-7"},
        {"[^a]", "Ab", "1-2"},
        {"[^A]", "aB", "1-2"},
        {"\\a", "xa", "1-2"},         // the quoted a folds to a quoted A
        {"\\d", "D", "0-1"},
        {"\xe9", "\xc9", "-"},        // only a to z fold
        {"[\xe0-\xef]", "\xc9\xe9", "1-2"},
        {"[_-z]", "_", "-"},          // folds to [_-Z]: invalid, nothing found
        {"[[-_]", "a", "-"},          // [ to _ holds no letter before or after folding
        {"[Z-a]", "z", "-"},          // folds to [Z-A]: invalid
        {"k", "K", "0-1"},
        {"s", "\x7f" "S", "1-2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Pattern);
        const TRep rep(c.Pattern, true);
        EXPECT_EQ(HitOf(rep, c.Text), c.Hit) << "in " << c.Text;
    }
    EXPECT_TRUE(TRep("[Z-a]").IsValid());
    EXPECT_EQ(TRep("[Z-a]", true).ErrorCode(), 9);
    EXPECT_EQ(TRep("[_-z]", true).ErrorCode(), 9);
    EXPECT_EQ(HitOf(TRep("abc"), "ABC"), "-");
}

TEST(TRep, LimitsAreInclusive)
{
    const TRep groups(Nested(TRegexParser::MaxGroups));
    EXPECT_TRUE(groups.IsValid());
    EXPECT_EQ(HitOf(groups, "xa"), "1-2");
    const TRep longest(std::string(TRegexParser::MaxPatternLength, 'a'), true);
    EXPECT_TRUE(longest.IsValid());
}

// These take exponential time in a backtracking matcher; here they must end at once.
TEST(TRep, PathologicalPatternsTakeLinearTime)
{
    const std::string as(200'000, 'a');
    struct Case {
        const char* Pattern;
        const char* Hit;
    };
    const Case cases[] = {
        {"(a|aa)*b", "-"},
        {"(a|a)*b", "-"},
        {"(aa|a)+$", "0-200000"},
        {"(.*)(.*)(.*)(.*)(.*)x", "-"},
        {"((a+)+)+b", "-"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Pattern);
        const TRep rep(c.Pattern);
        ASSERT_TRUE(rep.IsValid()) << rep.ErrorText();
        EXPECT_EQ(HitOf(rep, as), c.Hit);
    }
}

TEST(TRep, RegCompExecFreeAsALibrary)
{
    int32_t code = -1;
    TRegProgram* program = RegComp("b+", code);
    ASSERT_EQ(code, 0);
    TRegMatch match;
    EXPECT_EQ(RegExec(program, "abbc", match), 0);
    EXPECT_EQ(match.StartOffset, 1);
    EXPECT_EQ(match.EndOffset, 3);
    EXPECT_EQ(RegExec(program, "ac", match), 1);
    RegFree(program);

    TRegProgram* failed = RegComp("(", code);
    EXPECT_EQ(code, 6);
    EXPECT_EQ(RegExec(failed, "(", match), 2);
    RegFree(failed);
    EXPECT_EQ(RegExec(nullptr, "x", match), 2);
    RegFree(nullptr);
}

TEST(TRep, RequiredLiteralOfEveryHit)
{
    struct Case {
        const char* Pattern;
        bool FoldCase;
        const char* Literal;
    };
    const Case cases[] = {
        {"[A-Z][a-z]+Error", false, "Error"},
        {"[A-Z][a-z]+Error", true, "ERROR"},
        {"abc", false, "abc"},
        {"a(bc)d", false, "abcd"},
        {"ab+c", false, "ab"},
        {"xab+cde", false, "bcde"},
        {"(abc)+d", false, "abc"},
        {"ab*cd", false, "cd"},
        {"abc|abd", false, ""},
        {"(abc|abd)x", false, "x"},
        {"a.b", false, "a"},
        {"\\*\\*x", false, "**x"},
        {"^foo$", false, "foo"},
        {"x?yz", false, "yz"},
        {"(", false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Pattern);
        EXPECT_EQ(TRep(c.Pattern, c.FoldCase).RequiredLiteral(), c.Literal);
    }
}

TEST(TRep, RequiredAndLiteralAlternatives)
{
    struct Case {
        const char* Pattern;
        const char* Required;     // RequiredLiterals(2, 8), joined by commas
        const char* Alternatives; // LiteralAlternatives, joined by commas
    };
    const Case cases[] = {
        {"err|ret", "err,ret", "err,ret"},
        {"(err|ret)", "err,ret", "err,ret"},
        {"needle", "needle", "needle"},
        {"a|b", "", "a,b"},
        {"err|r.t", "", ""},
        {"err|re+t", "err,re", ""},
        {"(ab|cd)ef", "ef", ""},
        {"x(ab|cd)", "", ""},
        {"ab|", "", ""},
        {"a|b|c|d|e|f|g|h|i", "", "a,b,c,d,e,f,g,h,i"},
        {"aa|bb|cc|dd|ee|ff|gg|hh|ii", "", "aa,bb,cc,dd,ee,ff,gg,hh,ii"},
        {"^err", "err", ""},
        {"(", "", ""},
    };
    auto join = [](const std::vector<std::string>& texts) {
        std::string joined;
        for (const std::string& text : texts)
            joined += (joined.empty() ? "" : ",") + text;
        return joined;
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Pattern);
        const TRep rep(c.Pattern);
        EXPECT_EQ(join(rep.RequiredLiterals(2, 8)), c.Required);
        EXPECT_EQ(join(rep.LiteralAlternatives()), c.Alternatives);
    }
}

// The buffer program finds a place on the first line that may hold a hit, never crossing lines.
TEST(TRep, FindInLinesLooksAtWholeLines)
{
    struct Case {
        const char* Pattern;
        bool LineAnchors;
        const char* Lines;
        long Position; // -1 for none
    };
    const Case cases[] = {
        {"b.*d", true, "ab\ncd\nbxd\n", 6},
        {"b[^x]*d", true, "ab\ncd\nbd\n", 6},
        {"^c", true, "ac\ncd\n", 3},
        {"a$", true, "ab\nba\r\nx\n", 4},
        {"^$", true, "a\n\r\nb\n", 2},
        {"^c", false, "ac\n", 1},
        {"a$", false, "ab\n", 0},
        {"a\nb", true, "a\nb\n", -1},
        {"q", true, "ab\ncd\n", -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Pattern);
        TRep rep(c.Pattern);
        ASSERT_TRUE(rep.PrepareLineSearch(c.LineAnchors));
        std::size_t position = 0;
        const bool found = rep.FindInLines(c.Lines, position);
        EXPECT_EQ(found ? static_cast<long>(position) : -1L, c.Position);
    }
}

} // namespace
