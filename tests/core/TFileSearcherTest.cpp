// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "TestCriteria.h"
#include "TestDir.h"
#include "engine/TFileSearcher.h"
#include "engine/TLineSink.h"
#include "engine/TOpenFile.h"
#include "engine/TRecordSink.h"
#include "model/TFileData.h"
#include "model/TSearchData.h"
#include "model/TShellInfo.h"

namespace {

TSearchData Criteria(uint8_t mode, std::string pattern)
{
    return TestCriteria(mode, std::move(pattern));
}

// Writes every call it gets as a line of text: "line.piece [text] start-end ..." and "pending".
// After `linesWanted` lines it asks the search to end.
class TRecordingSink : public TLineSink {
public:
    explicit TRecordingSink(int linesWanted = -1) : LinesWanted(linesWanted) {}

    bool Line(int64_t number, uint32_t piece, std::string_view text, std::span<const TMatch> hits) override
    {
        Log += std::to_string(number) + "." + std::to_string(piece) + " [" + std::string(text) + "]";
        for (const TMatch& hit : hits)
            Log += " " + std::to_string(hit.StartPos) + "-" + std::to_string(hit.EndPos);
        Log += "\n";
        return --LinesWanted != 0;
    }
    void Pending() override { ++PendingCalls; }

    std::string Log;
    int PendingCalls = 0;

private:
    int LinesWanted;
};

class FileSearcherTest : public ::testing::Test {
protected:
    // Opens and scans a file holding `content`; the sink's log.
    std::string Search(const TSearchData& criteria, std::string_view content, int linesWanted = -1)
    {
        Dir.WriteFile("f.txt", content);
        TFileData record(Dir.Path(), "f.txt", Shell, TFileData::TNamesOnly{});
        TFileSearcher searcher(criteria, 0);
        EXPECT_EQ(searcher.Open(record), nullptr);
        TRecordingSink sink(linesWanted);
        Count = searcher.Scan(record, sink, Stop);
        return sink.Log;
    }

    TestDir Dir;
    TNullShellInfo Shell;
    std::atomic<bool> Stop{false};
    int64_t Count = 0;
};

TEST_F(FileSearcherTest, PushesEachLineWithHitsWithItsText)
{
    EXPECT_EQ(Search(Criteria(TSearchData::ModeQuick, "ab"), "ab ab\nno\r\nxab\r\nlast ab"),
              "1.0 [ab ab] 1-3 4-6\n3.0 [xab] 2-4\n4.0 [last ab] 6-8\n");
    EXPECT_EQ(Count, 4);

    TSearchData inverted = Criteria(TSearchData::ModeNormal, "b");
    inverted.Invert = true;
    EXPECT_EQ(Search(inverted, "a\nb\nc\n"), "1.0 [a] 1-2\n3.0 [c] 1-2\n");

    TSearchData first = Criteria(TSearchData::ModeNormal, "b+");
    first.StopAfterFirstMatch = true;
    EXPECT_EQ(Search(first, "a\nbb b\nb\n"), "2.0 [bb b] 1-3 4-5\n");
}

TEST_F(FileSearcherTest, TheSinksAnswerEndsTheFile)
{
    // Through the ways a scan looks at a buffer: literal alternatives, the pattern's buffer
    // program, and an anchored pattern line by line.
    const char* const patterns[] = {"x|y", "[x]", "xx*", "^x"};
    for (const char* pattern : patterns) {
        SCOPED_TRACE(pattern);
        EXPECT_EQ(Search(Criteria(TSearchData::ModeNormal, pattern), "x1\nx2\nx3\n", 2), "1.0 [x1] 1-2\n2.0 [x2] 1-2\n");
        EXPECT_EQ(Count, 2);
    }
}

TEST_F(FileSearcherTest, BinaryBlocksAndLongLinePiecesComeAsTheReaderGivesThem)
{
    std::string binary(TOpenFile::BlockSize, '\0');
    binary += "a\x01needle";
    EXPECT_EQ(Search(Criteria(TSearchData::ModeQuick, "needle"), binary), "2.0 [aneedle] 2-8\n");

    // Pieces of 4 bytes keep their line's number.
    TOpenFile::SetLineShape({4, 1});
    const std::string pieces = Search(Criteria(TSearchData::ModeQuick, "hi"), "hi\nxxhixxhi\nhi\n");
    TOpenFile::SetLineShape({});
    EXPECT_EQ(pieces, "1.0 [hi] 1-3\n2.0 [xxhi] 3-5\n2.1 [xxhi] 3-5\n3.0 [hi] 1-3\n");
}

TEST_F(FileSearcherTest, AStopRequestEndsTheScanAtOnce)
{
    Stop = true;
    EXPECT_EQ(Search(Criteria(TSearchData::ModeQuick, "a"), "a\na\n"), "");
    EXPECT_EQ(Count, 0);
}

// Open learns from one descriptor what the reading constructor of TFileData learns.
TEST_F(FileSearcherTest, OpenFillsTheRecordAsTheRecordReadsItself)
{
    const std::string longHead = std::string(TFileData::ClassifiedBytes + 10, 'x') + "\n";
    const std::string large = std::string(300 * 1024, 'y') + "\nz";  // more than one read
    const std::string largeWithLf = std::string(1024 * 1024, 'y') + "\n";
    const std::string contents[] = {"", "text\n", "no line feed", "\r\nbinary later\x01", std::string("\x01text\n"),
                                    longHead, "a\n" + large, "a\n" + largeWithLf, std::string(5000, '\t') + "\n"};
    TSearchData criteria = Criteria(TSearchData::ModeQuick, "z");
    int index = 0;
    for (const std::string& content : contents) {
        const std::string name = "f" + std::to_string(index++);
        SCOPED_TRACE(name);
        Dir.WriteFile(name, content, 1700000000, 123456789);
        const TFileData expected(Dir.Path(), name, Shell);
        TFileData record(Dir.Path(), name, Shell, TFileData::TNamesOnly{});
        TFileSearcher searcher(criteria, 0);
        EXPECT_EQ(searcher.Open(record), nullptr);
        EXPECT_EQ(record.FileType, expected.FileType);
        EXPECT_EQ(record.Size, expected.Size);
        EXPECT_EQ(record.EndsWithNewline, expected.EndsWithNewline);
        EXPECT_EQ(record.Date.Value(), expected.Date.Value());
        EXPECT_EQ(record.ModifiedNs, expected.ModifiedNs);
        EXPECT_EQ(record.Inode, expected.Inode);
        EXPECT_FALSE(record.IsFileChanged());
        searcher.Close();
    }
}

TEST_F(FileSearcherTest, FiltersDecideFromTheOneOpen)
{
    struct Case {
        const char* Name;
        std::string Content;
        bool SkipText;
        uint8_t SizeMode;
        const char* Reason;
    };
    const Case cases[] = {
        {"passes", "a\n", false, 0, nullptr},
        {"text skipped", "a\n", true, 0, "File is text"},
        {"binary kept", std::string("\x01\n"), true, 0, nullptr},
        {"too large, never read", "abc\n", false, 2, "not within file size filter criteria"},
        {"too large and text: the last reason", "abc\n", true, 2, "File is text"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TSearchData criteria = Criteria(TSearchData::ModeQuick, "a");
        criteria.SkipTextFiles = c.SkipText;
        criteria.SizeFilterMode = c.SizeMode;
        criteria.LessThanSize = 3;
        Dir.WriteFile("f.txt", c.Content);
        TFileData record(Dir.Path(), "f.txt", Shell, TFileData::TNamesOnly{});
        TFileSearcher searcher(criteria, 0);
        const char* reason = searcher.Open(record);
        EXPECT_STREQ(reason, c.Reason);
        TRecordingSink sink;
        // A skipped file is closed; a scan then reads it from its record again.
        if (!reason) {
            EXPECT_EQ(searcher.Scan(record, sink, Stop), c.Content == "a\n" ? 1 : 0);
        }
    }
}

TEST_F(FileSearcherTest, WhatCannotBeReadStaysUnknownAndFindsNothing)
{
    TSearchData criteria = Criteria(TSearchData::ModeQuick, "a");
    const std::string fifo = Dir.PathOf("pipe");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    Dir.MakeFolder("folder");
    for (const char* name : {"pipe", "folder", "missing"}) {
        SCOPED_TRACE(name);
        TFileData record(Dir.Path(), name, Shell, TFileData::TNamesOnly{});
        TFileSearcher searcher(criteria, 0);
        EXPECT_EQ(searcher.Open(record), nullptr);
        EXPECT_EQ(record.FileType, TFileData::Unknown);
        EXPECT_EQ(record.Size, 0);
        TRecordingSink sink;
        EXPECT_EQ(searcher.Scan(record, sink, Stop), 0);
    }
}

TEST_F(FileSearcherTest, TheRecordSinkKeepsLinesOnlyWhenAsked)
{
    Dir.WriteFile("f.txt", "ab ab\nno\nab\n");
    const TSearchData criteria = Criteria(TSearchData::ModeQuick, "ab");
    for (const bool keep : {false, true}) {
        auto record = std::make_unique<TFileData>(Dir.Path(), "f.txt", Shell, TFileData::TNamesOnly{});
        TFileSearcher searcher(criteria, 0);
        ASSERT_EQ(searcher.Open(*record), nullptr);
        TRecordSink sink(*record, keep);
        EXPECT_EQ(searcher.Scan(*record, sink, Stop), 3);
        ASSERT_EQ(record->Matches.size(), 3u);
        EXPECT_EQ(record->Matches[2].LineNumber, 3);
        const std::vector<std::string> kept = keep ? std::vector<std::string>{"ab ab", "ab"} : std::vector<std::string>{};
        EXPECT_EQ(record->MatchedLines, kept);
    }
}

TEST(OpenFileStop, ASetStopFlagEndsTheFileBeforeTheNextRead)
{
    TestDir dir;
    const std::string path = dir.WriteFile("f.txt", "a\nb\n");
    std::atomic<bool> stop{true};
    TOpenFile reader;
    ASSERT_TRUE(reader.OpenRead(path, true, TFileData::Text));
    reader.SetStopFlag(&stop);
    std::string line;
    EXPECT_EQ(reader.ReadLine(line), TOpenFile::EndOfLines);
    // Another open starts without the flag.
    ASSERT_TRUE(reader.OpenRead(path, true, TFileData::Text));
    EXPECT_EQ(reader.ReadLine(line), 1);
}

} // namespace
