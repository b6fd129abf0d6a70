// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "TestCriteria.h"
#include "TestDir.h"
#include "engine/TLineScanner.h"
#include "engine/TSearchNotifications.h"
#include "model/TFileData.h"
#include "model/TFileList.h"
#include "model/TSearchData.h"
#include "model/TShellInfo.h"

namespace {

enum Flags : unsigned { None = 0, MatchCase = 1, WholeWords = 2, Invert = 4, StopAfterFirst = 8 };

TSearchData Criteria(uint8_t mode, std::string pattern, unsigned flags = None)
{
    TSearchData data = TestCriteria(mode, std::move(pattern));
    data.MatchCase = flags & MatchCase;
    data.WholeWordsOnly = flags & WholeWords;
    data.Invert = flags & Invert;
    data.StopAfterFirstMatch = flags & StopAfterFirst;
    return data;
}

// "start-end" columns of each record, blank-separated; with line numbers when asked.
std::string Text(const TMatchList& matches, bool withLines = false)
{
    std::string text;
    for (const TMatch& m : matches) {
        if (!text.empty())
            text += ' ';
        if (withLines)
            text += std::to_string(m.LineNumber) + ":";
        text += std::to_string(m.StartPos) + "-" + std::to_string(m.EndPos);
    }
    return text;
}

std::string LineHits(const TSearchData& criteria, std::string_view line)
{
    const TLineScanner scanner(criteria);
    TMatchList matches;
    const int count = scanner.ScanLine(line, 1, matches);
    EXPECT_EQ(count, static_cast<int>(matches.size()));
    for (const TMatch& m : matches) {
        EXPECT_EQ(m.LineLength, static_cast<int32_t>(line.size()));
        EXPECT_EQ(m.MatchLength, m.EndPos - m.StartPos);
        EXPECT_GE(m.StartPos, 1);
        EXPECT_LE(m.EndPos, static_cast<int32_t>(line.size()) + 1);
    }
    return Text(matches);
}

constexpr uint8_t Normal = TSearchData::ModeNormal;
constexpr uint8_t Soundex = TSearchData::ModeSoundex;
constexpr uint8_t Quick = TSearchData::ModeQuick;

TEST(TLineScanner, HitsOfOneLine)
{
    struct Case {
        const char* Name;
        uint8_t Mode;
        const char* Pattern;
        std::string Line;
        unsigned Flags;
        const char* Hits;
    };
    const Case cases[] = {
        {"quick: every occurrence, left to right", Quick, "bc", "abcabc", None, "2-4 5-7"},
        {"quick: occurrences do not overlap", Quick, "aa", "aaaaa", None, "1-3 3-5"},
        {"quick ignores case whatever MatchCase says", Quick, "bC", "ABCabc", MatchCase, "2-4 5-7"},
        {"quick folds only a to z", Quick, "\xe9", "\xc9\xe9", None, "2-3"},
        {"quick ignores whole words", Quick, "oo", "foo", WholeWords, "2-4"},
        {"quick: empty search string finds nothing", Quick, "", "abc", None, ""},
        {"regex: case folded without MatchCase", Normal, "abc", "ABC aBc abc", None, "1-4 5-8 9-12"},
        {"regex: exact with MatchCase", Normal, "abc", "ABC aBc abc", MatchCase, "9-12"},
        {"regex: letters beyond a to z as they are", Normal, "\xe9t\xe9", "\xc9T\xc9 \xe9T\xe9", None, "5-8"},
        {"regex: whole words, digits are no word characters", Normal, "a", "a1 a_b a", WholeWords, "1-2 8-9"},
        {"regex: whole words against the current text", Normal, "foo", "foofoo", WholeWords, "4-7"},
        {"regex: whole words with a repeat", Normal, "fo+", "foo fooo_ fo", WholeWords, "1-4 11-13"},
        {"regex: whole words, repeat against the current text", Normal, "o+x", "ooxox", WholeWords, "4-6"},
        {"regex: whole words, UTF-8 letter touches", Normal, "caf", "caf\xc3\xa9 caf", WholeWords, "7-10"},
        {"regex: whole words, Windows-1252 letter touches", Normal, "caf", "caf\xe9 caf.", WholeWords, "6-9"},
        {"regex: ^ matches again after each hit", Normal, "^a", "aaab", None, "1-2 2-3 3-4"},
        {"regex: $ only at the end", Normal, "b$", "abab", None, "4-5"},
        {"regex: empty line", Normal, "^$", "", None, "1-1"},
        {"regex: empty hits move on one character", Normal, "x*", "ab", None, "1-1 2-2 3-3"},
        {"regex: no empty hit glued to the previous one", Normal, "a*", "aab", None, "1-3 4-4"},
        {"regex: empty hit after a rejected one", Normal, "b*", "abb", None, "1-1 2-4"},
        {"regex: folded pattern that no longer compiles finds nothing", Normal, "[Z-a]", "Z_a", None, ""},
        {"regex: the same pattern with MatchCase", Normal, "[Z-a]", "Z_a", MatchCase, "1-2 2-3 3-4"},
        {"regex: malformed pattern finds nothing", Normal, "(", "(((", None, ""},
        {"soundex: word that sounds alike", Soundex, "smith", "Mr. Smyth-Jones, Smith", None, "5-10 18-23"},
        {"soundex ignores MatchCase and whole words", Soundex, "ROBERT", "rupert", MatchCase | WholeWords, "1-7"},
        {"soundex: no letters", Soundex, "abc", "12 34", None, ""},
        {"unknown mode finds nothing", 7, "a", "aaa", None, ""},
        {"invert: a line without hits is recorded whole", Normal, "x", "abc", Invert, "1-4"},
        {"invert: a line with hits gives nothing", Normal, "b", "abc", Invert, ""},
        {"invert: an empty line without hits", Quick, "x", "", Invert, "1-1"},
        {"invert: unknown mode records every line", 7, "a", "aaa", Invert, "1-4"},
        {"invert: rejected whole-word hits do not count", Normal, "foo", "foobar", WholeWords | Invert, "1-7"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(LineHits(Criteria(c.Mode, c.Pattern, c.Flags), c.Line), c.Hits);
    }
}

TEST(TLineScanner, FieldsOfListFiles)
{
    struct Case {
        const char* Name;
        uint8_t Format;
        int32_t Number, Start, Width;
        const char* Separator;
        uint8_t Mode;
        const char* Pattern;
        std::string Line;
        const char* Hits;
    };
    constexpr uint8_t D = TSearchData::FormatDelimited;
    constexpr uint8_t F = TSearchData::FormatFixedWidth;
    const Case cases[] = {
        {"field 2 begins with its separator", D, 2, 1, 1, ",", Normal, "abc", "x,abc,y", "3-6"},
        {"field 2: ^ is the field's start", D, 2, 1, 1, ",", Normal, "^,a", "x,abc,y", "2-4"},
        {"field 1 ends before its separator", D, 1, 1, 1, ",", Quick, "x", "xx,x", "1-2 2-3"},
        {"the last field runs to the end", D, 3, 1, 1, ",", Normal, "y$", "x,abc,y", "7-8"},
        {"a field beyond the last separator is empty", D, 4, 1, 1, ",", Normal, "^$", "x,abc,y", "8-8"},
        {"Tab separator", D, 2, 1, 1, "Tab", Quick, "b", "b\tb\tb", "3-4"},
        {"Space separator", D, 2, 1, 1, "Space", Quick, "b", "b b b", "3-4"},
        {"a longer separator text gives its first character", D, 2, 1, 1, ";x", Quick, "b", "b;b;b", "3-4"},
        {"separator words are case-sensitive", D, 2, 1, 1, "tab", Quick, "b", "b\tbtb", "5-6"},
        {"no separator: the line is field 1", D, 1, 1, 1, "", Quick, "b", "b,b", "1-2 3-4"},
        {"no separator: field 2 is empty", D, 2, 1, 1, "", Quick, "b", "b,b", ""},
        {"field 0 is empty", D, 0, 1, 1, ",", Quick, "b", "b,b", ""},
        {"field 2 of an empty line", D, 2, 1, 1, ",", Normal, "^$", "", "1-1"},
        {"fixed width cut at the line's end", F, 1, 5, 3, ",", Quick, "ef", "abcdef", "5-7"},
        {"fixed width: nothing outside the field", F, 1, 5, 3, ",", Quick, "de", "abcdef", ""},
        {"fixed width: ^ is the field's start, and again after a hit", F, 1, 3, 2, ",", Normal, "^c", "abccc", "3-4 4-5"},
        {"fixed width beyond the line", F, 1, 9, 3, ",", Normal, "^$", "abc", "4-4"},
        {"fixed width: start below 1 counts from column 1", F, 1, 0, 2, ",", Quick, "b", "abc", "2-3"},
        {"fixed width: negative width is empty", F, 1, 1, -5, ",", Quick, "a", "abc", ""},
        {"unknown format searches the whole line", 9, 2, 5, 1, ",", Quick, "a", "a,a", "1-2 3-4"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TSearchData criteria = Criteria(c.Mode, c.Pattern);
        criteria.TextFileFormat = c.Format;
        criteria.FieldNumber = c.Number;
        criteria.FieldStart = c.Start;
        criteria.FieldWidth = c.Width;
        criteria.SeparatorChar = c.Separator;
        EXPECT_EQ(LineHits(criteria, c.Line), c.Hits);
    }
}

TEST(TLineScanner, NthSeparatorPos)
{
    struct Case {
        const char* Line;
        int32_t N;
        int32_t Column;
    };
    const Case cases[] = {
        {"a,b,c", 0, 1}, {"a,b,c", 1, 2}, {"a,b,c", 2, 4}, {"a,b,c", 3, 6},
        {",b", 1, 1},    {"abc", 1, 4},   {"", 1, 0},      {"a,,b", 2, 3},
        {"a,b", -1, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.Line) + " n=" + std::to_string(c.N));
        EXPECT_EQ(TLineScanner::NthSeparatorPos(c.Line, ',', c.N), c.Column);
    }
}

TEST(TLineScanner, LineNumbersPast31BitsAreRecordedAsTheyAre)
{
    // A file of 2 GiB of line feeds has more lines than an int32 counts.
    const int64_t line = (int64_t{1} << 31) + 5;
    TMatchList matches;
    EXPECT_EQ(TLineScanner(Criteria(Quick, "b")).ScanLine("abc", line, matches), 1);
    ASSERT_EQ(matches.size(), 1u);
    EXPECT_EQ(matches[0].LineNumber, line);
}

TEST(TLineScanner, PatternErrorOfTheScan)
{
    EXPECT_EQ(TLineScanner(Criteria(Normal, "[Z-a]")).PatternErrorCode(), 9);
    EXPECT_EQ(TLineScanner(Criteria(Normal, "[Z-a]", MatchCase)).PatternErrorCode(), 0);
    EXPECT_EQ(TLineScanner(Criteria(Quick, "(")).PatternErrorCode(), 0);
}

// Scans files written into a private folder and records what the scan reported.
class ScanFileTest : public ::testing::Test {
protected:
    // The matches of the scan of a file holding `content`, as "line:start-end" items.
    std::string Scan(const TSearchData& criteria, std::string_view content, const std::string& name = "f.txt")
    {
        Dir.WriteFile(name, content);
        auto record = std::make_unique<TFileData>(Dir.Path(), name, Shell);
        TSearchNotifications notify;
        notify.NewResult = [this](TFileData& added) { NewResults.push_back(&added); };
        notify.ProcessPendingMessage = [this] {
            ++Pending;
            if (StopAfterPending > 0 && Pending >= StopAfterPending)
                Stop = true;
        };
        TLineScanner scanner(criteria);
        const std::size_t before = Results.Count();
        Count = scanner.ScanFile(record, Results, notify, Stop);
        if (Results.Count() == before) {
            EXPECT_NE(record, nullptr);
            return Text(record->Matches, true);
        }
        EXPECT_EQ(record, nullptr);
        const TFileData& added = Results.Item(Results.Count() - 1);
        EXPECT_EQ(static_cast<int>(added.Matches.size()), Count);
        return Text(added.Matches, true);
    }

    TestDir Dir;
    TNullShellInfo Shell;
    TFileList Results;
    std::vector<TFileData*> NewResults;
    std::atomic<bool> Stop{false};
    int Pending = 0;
    int StopAfterPending = 0;
    int Count = 0;
};

TEST_F(ScanFileTest, RecordsHitsWithLineNumbersAndNotifiesOnce)
{
    EXPECT_EQ(Scan(Criteria(Quick, "bc"), "abcabc\nxx\r\nbc\n"), "1:2-4 1:5-7 3:1-3");
    EXPECT_EQ(Count, 3);
    ASSERT_EQ(Results.Count(), 1u);
    ASSERT_EQ(NewResults.size(), 1u);
    EXPECT_EQ(NewResults[0], &Results.Item(0));
    EXPECT_EQ(Results.Item(0).Matches[2].LineLength, 2);
}

TEST_F(ScanFileTest, AFileWithoutHitsStaysWithTheCaller)
{
    EXPECT_EQ(Scan(Criteria(Quick, "zz"), "abc\ndef\n"), "");
    EXPECT_EQ(Count, 0);
    EXPECT_EQ(Results.Count(), 0u);
    EXPECT_TRUE(NewResults.empty());
    EXPECT_EQ(Scan(Criteria(Quick, "zz"), "", "empty.txt"), "");
    EXPECT_EQ(Scan(Criteria(Normal, "x"), "x", "gone.txt"), "1:1-2");
}

TEST_F(ScanFileTest, InvertRecordsTheLinesWithoutHits)
{
    EXPECT_EQ(Scan(Criteria(Normal, "b", Invert), "a1\nb2\nxb\nc4\n"), "1:1-3 4:1-3");
    EXPECT_EQ(Scan(Criteria(Quick, "b", Invert), "a\r\nb\r\n\r\n", "crlf.txt"), "1:1-2 3:1-1");
}

TEST_F(ScanFileTest, StopAfterFirstMatch)
{
    struct Case {
        const char* Name;
        TSearchData Criteria;
        const char* Content;
        const char* Matches;
    };
    const Case cases[] = {
        {"all hits of the first line with a hit", Criteria(Quick, "a", StopAfterFirst), "x\naba\na\n", "2:1-2 2:3-4"},
        {"invert: the first line without a hit", Criteria(Quick, "a", StopAfterFirst | Invert), "a\nb\nc\n", "2:1-2"},
        {"regex through the buffer look-ahead", Criteria(Normal, "b+", StopAfterFirst), "a\nabb\nb\n", "2:2-4"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(Scan(c.Criteria, c.Content), c.Matches);
    }
}

TEST_F(ScanFileTest, StopFlagEndsTheScanAndKeepsWhatWasFound)
{
    StopAfterPending = 2;
    EXPECT_EQ(Scan(Criteria(Normal, "a", Invert), "x\ny\nz\nw\n"), "1:1-2 2:1-2");
    EXPECT_EQ(Results.Count(), 1u);
}

TEST_F(ScanFileTest, PendingMessagesBetweenLines)
{
    // Every line examined on its own is followed by the hook; lines passed over together by the
    // buffer look-ahead get one call.
    Scan(Criteria(Quick, "x", Invert), "a\nb\nc\n");
    EXPECT_EQ(Pending, 3);
    Pending = 0;
    Scan(Criteria(Quick, "zz"), "a\nb\nc\n", "other.txt");
    EXPECT_EQ(Pending, 1);
}

TEST_F(ScanFileTest, BinaryFilesAreSearchedBlockByBlock)
{
    // Block 1 is all zero bytes; block 2 holds the text after them.
    std::string content(1025, '\0');
    content += "abc needle";
    EXPECT_EQ(Scan(Criteria(Quick, "needle"), content, "f.bin"), "2:5-11");
    EXPECT_EQ(Results.Item(0).FileType, TFileData::Binary);
}

// The whole-buffer look-ahead must find exactly the hits that a line-by-line scan finds.
TEST_F(ScanFileTest, BufferLookAheadFindsWhatLineByLineFinds)
{
    // Several buffers' worth of lines in both line-end forms, with the hits spread out.
    std::string content;
    const char* const words[] = {"alpha", "Beta", "needle", "x", "", "NeEdLe", "gamma_delta", "^", "end$", "a,b,c",
                                 "ne\redle", "x\r"};
    uint32_t state = 12345;
    for (int line = 0; line < 40000; ++line) {
        std::string text;
        const int count = static_cast<int>(state % 7);
        for (int w = 0; w < count; ++w) {
            state = state * 1103515245u + 12345u;
            const char* word = words[(state >> 16) % 12];
            // Most lines hold only common words, so that whole stretches hold no hit.
            if (((state >> 8) & 31) != 0 && (word[0] == 'n' || word[0] == 'N' || word[0] == 'e'))
                word = "alpha";
            text += word;
            text += ' ';
        }
        state = state * 1103515245u + 12345u;
        content += text;
        const uint32_t end = (state >> 20) % 7;
        content += end < 2 ? "\r\n" : end == 2 ? "\r\r\n" : "\n";
    }
    content += "needle at the end";
    ASSERT_GT(content.size(), 600'000u);

    std::vector<std::string_view> lines;
    for (std::size_t start = 0; start <= content.size();) {
        std::size_t lf = content.find('\n', start);
        if (lf == std::string::npos)
            lf = content.size();
        std::string_view line(content.data() + start, lf - start);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines.push_back(line);
        start = lf + 1;
    }

    std::vector<TSearchData> searches = {
        Criteria(Quick, "needle"),
        Criteria(Quick, "a"),
        Criteria(Normal, "needle"),
        Criteria(Normal, "ne+dle", MatchCase),
        Criteria(Normal, "^needle"),
        Criteria(Normal, "needle $"),
        Criteria(Normal, "e$"),
        Criteria(Normal, "^$"),
        Criteria(Normal, "^x $"),
        Criteria(Normal, "d.*d"),
        Criteria(Normal, "g[a-z]*a"),
        Criteria(Normal, "[^a-z ]"),
        Criteria(Normal, "(Beta|x) x"),
        Criteria(Normal, "\\^ "),
        Criteria(Normal, "x", WholeWords),
        Criteria(Normal, "delta", WholeWords),
        Criteria(Normal, "(", None),
        Criteria(Normal, "^a", StopAfterFirst),
        Criteria(Normal, "NEEDLE", MatchCase),
        Criteria(Normal, "del+ta", WholeWords),
        Criteria(Normal, "(Beta|x)", WholeWords),
        Criteria(Normal, "(needle )?$"),
        Criteria(Normal, "a.", StopAfterFirst),
        Criteria(Normal, "x.", MatchCase),
        Criteria(Normal, "x$"),
        Criteria(Normal, "(alpha|beta) (x|needle)"),
        Criteria(Normal, "ne.dle"),
        Criteria(Soundex, "nedl"),
        Criteria(Soundex, "Betty"),
        Criteria(Soundex, "gamma"),
    };
    TSearchData field = Criteria(Normal, "^,b");
    field.TextFileFormat = TSearchData::FormatDelimited;
    field.FieldNumber = 2;
    searches.push_back(field);
    TSearchData fixed = Criteria(Normal, "^l");
    fixed.TextFileFormat = TSearchData::FormatFixedWidth;
    fixed.FieldStart = 2;
    fixed.FieldWidth = 3;
    searches.push_back(fixed);
    TSearchData soundexField = Criteria(Soundex, "ta");
    soundexField.TextFileFormat = TSearchData::FormatFixedWidth;
    soundexField.FieldStart = 3;
    soundexField.FieldWidth = 3;
    searches.push_back(soundexField);

    for (const TSearchData& criteria : searches) {
        SCOPED_TRACE(criteria.SearchString);
        const TLineScanner scanner(criteria);
        TMatchList expected;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            const int count = scanner.ScanLine(lines[i], static_cast<int32_t>(i + 1), expected);
            if (criteria.StopAfterFirstMatch && count > 0)
                break;
        }
        Results.Clear();
        Pending = 0;
        EXPECT_EQ(Scan(criteria, content), Text(expected, true));
        EXPECT_LE(Pending, static_cast<int>(lines.size()));
    }
}

} // namespace
