// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "TestDir.h"
#include "engine/TLineScanner.h"
#include "engine/TOpenFile.h"
#include "engine/TSearchEngine.h"
#include "engine/TSearchNotifications.h"
#include "model/TFileData.h"
#include "model/TFileList.h"
#include "model/TProgramData.h"
#include "model/TSearchData.h"
#include "model/TSearchStats.h"
#include "presentation/THTMLWin.h"
#include "replace/TReplaceData.h"
#include "replace/TReplaceEngine.h"

// Lines longer than the reader takes at once, and line numbers past 2^31, tried on small files:
// the reader's pieces are made a few bytes long and its first line number is raised.
namespace {

constexpr int64_t Past31Bits = (int64_t{1} << 31) - 1;  // the last number an int32 holds

// Sets the readers' line shape for one test and puts the default back after it.
class LineShape {
public:
    LineShape(std::size_t pieceSize, int64_t firstLine) { TOpenFile::SetLineShape({pieceSize, firstLine}); }
    ~LineShape() { TOpenFile::SetLineShape({}); }
};

const char* EndName(TOpenFile::LineEnd end)
{
    switch (end) {
    case TOpenFile::LineEnd::LF:
        return "LF";
    case TOpenFile::LineEnd::CRLF:
        return "CRLF";
    case TOpenFile::LineEnd::None:
        break;
    }
    return "-";
}

// Every line the reader gives as "number.piece:text:end", one a line.
std::string ReadAll(const std::string& path, bool endsWithNewline, int fileType)
{
    TOpenFile reader;
    EXPECT_TRUE(reader.OpenRead(path, endsWithNewline, fileType));
    std::string out;
    std::string line;
    while (reader.ReadLine(line) != TOpenFile::EndOfLines)
        out += std::to_string(reader.LineNumber()) + "." + std::to_string(reader.LinePiece()) + ":" + line + ":" +
               EndName(reader.LastLineEnd()) + "\n";
    return out;
}

TEST(LinePieces, PiecesOfALongLineShareItsNumber)
{
    struct Case {
        const char* Name;
        std::string Content;
        bool EndsWithNewline;
        std::string Expected;
    };
    const Case cases[] = {
        {"a long line between short ones", "ab\nabcdefghij\nxy\n", true,
         "1.0:ab:LF\n2.0:abcd:-\n2.1:efgh:-\n2.2:ij:LF\n3.0:xy:LF\n"},
        {"a line of exactly one piece comes whole", "abcd\nabcd\r\nz\n", true, "1.0:abcd:LF\n2.0:abcd:CRLF\n3.0:z:LF\n"},
        {"CR LF after the last piece", "abcdefg\r\nz\n", true, "1.0:abcd:-\n1.1:efg:CRLF\n2.0:z:LF\n"},
        {"a cut line that ends the file", "z\nabcdefgh", false, "1.0:z:LF\n2.0:abcd:-\n2.1:efgh:-\n"},
        {"a cut last line with a line feed", "abcdefgh\n", false, "1.0:abcd:-\n1.1:efgh:LF\n2.0::-\n"},
    };
    const LineShape shape(4, 1);
    TestDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(ReadAll(dir.WriteFile("f.txt", c.Content), c.EndsWithNewline, TFileData::Text), c.Expected);
    }
}

TEST(LinePieces, LineNumbersGoPast31Bits)
{
    const LineShape shape(TOpenFile::MaxLinePiece, Past31Bits);
    TestDir dir;
    EXPECT_EQ(ReadAll(dir.WriteFile("f.txt", "a\nb\n"), true, TFileData::Text),
              "2147483647.0:a:LF\n2147483648.0:b:LF\n");
    EXPECT_EQ(ReadAll(dir.WriteFile("f.bin", std::string(TOpenFile::BlockSize + 1, 'x')), false, TFileData::Binary),
              "2147483647.0:" + std::string(TOpenFile::BlockSize, 'x') + ":-\n2147483648.0:x:-\n");

    // Lines passed over in the buffer are counted too.
    TOpenFile reader;
    ASSERT_TRUE(reader.OpenRead(dir.WriteFile("g.txt", "a\nb\nc\n"), true, TFileData::Text));
    const std::string_view buffer = reader.BufferedText();
    EXPECT_EQ(reader.SkipLinesBefore(buffer.data() + 4), 2);
    std::string line;
    EXPECT_EQ(reader.ReadLine(line), 1);
    EXPECT_EQ(line, "c");
    EXPECT_EQ(reader.LineNumber(), Past31Bits + 2);
}

// The matches of a scan as "line.piece:start-end" items.
std::string Scan(const TSearchData& criteria, TestDir& dir, const std::string& content)
{
    TNullShellInfo shell;
    dir.WriteFile("f.txt", content);
    auto record = std::make_unique<TFileData>(dir.Path(), "f.txt", shell);
    TFileList results;
    std::atomic<bool> stop{false};
    TLineScanner scanner(criteria);
    scanner.ScanFile(record, results, TSearchNotifications(), stop);
    const TMatchList& matches = record ? record->Matches : results.Item(0).Matches;
    std::string out;
    for (const TMatch& m : matches)
        out += std::to_string(m.LineNumber) + "." + std::to_string(m.Piece) + ":" + std::to_string(m.StartPos) + "-" +
               std::to_string(m.EndPos) + " ";
    return out;
}

TEST(LinePieces, TheScanNumbersLinesAsTheReaderDoes)
{
    // Line 2 is cut into "xxxxxxxx", "xxhitxxx" and "hit": the hits keep line 2, and the lines
    // after it keep their own numbers, whichever way the scan looks at the buffer.
    const std::string content = "hit\n" + std::string(10, 'x') + "hitxxxhit\nno\nhit\n";
    const std::string n = std::to_string(Past31Bits);
    const std::string n1 = std::to_string(Past31Bits + 1);
    const std::string n3 = std::to_string(Past31Bits + 3);
    struct Case {
        const char* Name;
        uint8_t Mode;
        const char* Pattern;
        bool Invert;
        std::string Expected;
    };
    const Case cases[] = {
        {"quick text", TSearchData::ModeQuick, "hit", false, n + ".0:1-4 " + n1 + ".1:3-6 " + n1 + ".2:1-4 " + n3 + ".0:1-4 "},
        {"pattern of literals", TSearchData::ModeNormal, "hit", false,
         n + ".0:1-4 " + n1 + ".1:3-6 " + n1 + ".2:1-4 " + n3 + ".0:1-4 "},
        {"pattern", TSearchData::ModeNormal, "h[aeiou]t", false,
         n + ".0:1-4 " + n1 + ".1:3-6 " + n1 + ".2:1-4 " + n3 + ".0:1-4 "},
        {"inverted", TSearchData::ModeQuick, "hit", true, n1 + ".0:1-9 " + std::to_string(Past31Bits + 2) + ".0:1-3 "},
    };
    const LineShape shape(8, Past31Bits);
    TestDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TSearchData criteria;
        criteria.SearchMode = c.Mode;
        criteria.SearchString = c.Pattern;
        criteria.Invert = c.Invert;
        EXPECT_EQ(Scan(criteria, dir, content), c.Expected);
    }
}

TEST(LinePieces, ReplaceChangesEachPieceWhereItsHitsWere)
{
    const LineShape shape(8, Past31Bits);
    TestDir dir;
    const std::string original = "hit\n" + std::string(10, 'x') + "hitxxxhit\nno\nhit\n";
    dir.WriteFile("files/f.txt", original);

    TSearchData criteria;
    criteria.SearchMode = TSearchData::ModeQuick;
    criteria.SearchString = "hit";
    criteria.FileSpecs = {"*.txt"};
    criteria.Folders = {dir.PathOf("files")};
    TFileList results;
    TSearchStats stats;
    TNullShellInfo shell;
    TSearchEngine search(criteria, results, stats, shell);
    search.Search();
    ASSERT_EQ(results.Count(), 1u);
    ASSERT_EQ(results.Item(0).Matches.size(), 4u);

    TReplaceData options;
    options.Overwrite = 1;
    options.ReplaceString = "HIT!";
    TProgramData program;
    THTMLWin report(nullptr, dir.Path());
    report.TempFolder = dir.MakeFolder("report");
    TReplaceEngine replace(options, program, report);
    report.BeginDocument();
    replace.ReplaceFiles(results);
    report.FinishDocument();
    EXPECT_EQ(dir.ReadFile("files/f.txt"), "HIT!\n" + std::string(10, 'x') + "HIT!xxxHIT!\nno\nHIT!\n");
}

} // namespace
