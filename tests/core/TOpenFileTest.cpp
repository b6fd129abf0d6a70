// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>

#include <string>
#include <string_view>
#include <vector>

#include "TestDir.h"
#include "engine/TOpenFile.h"

namespace {

using LineEnd = TOpenFile::LineEnd;

constexpr int TextMode = 1;
constexpr int BlockMode = 2;
// Larger than the reader's biggest single read, so that lines cross buffer boundaries.
constexpr std::size_t ReadChunk = 256 * 1024;

struct ReadResult {
    std::vector<std::string> Lines;
    std::vector<LineEnd> Ends;
};

// Reads every line through the zero-copy form, checking on the way that the lengths match the
// views and that the copying form yields the same lines.
ReadResult ReadAll(const std::string& path, bool endsWithNewline, int fileType)
{
    ReadResult result;
    TOpenFile views;
    TOpenFile copies;
    views.OpenRead(path, endsWithNewline, fileType);
    copies.OpenRead(path, endsWithNewline, fileType);
    for (;;) {
        std::string_view view;
        std::string copy = "stale";
        const int length = views.ReadLine(view);
        const int copyLength = copies.ReadLine(copy);
        EXPECT_EQ(length, copyLength);
        if (length == TOpenFile::EndOfLines) {
            EXPECT_TRUE(copy.empty());
            break;
        }
        EXPECT_EQ(static_cast<std::size_t>(length), view.size());
        EXPECT_TRUE(copy == view) << "the copying form differs at line " << result.Lines.size() + 1;
        result.Lines.emplace_back(view);
        result.Ends.push_back(views.LastLineEnd());
        if (result.Lines.size() > 100000) {
            ADD_FAILURE() << "the reader does not stop";
            break;
        }
    }
    // The end is final.
    std::string_view after;
    EXPECT_EQ(views.ReadLine(after), TOpenFile::EndOfLines);
    return result;
}

// Splits the way the reader must: at LF, a CR right before the LF belonging to the line end.
ReadResult ReferenceLines(std::string_view bytes)
{
    ReadResult result;
    while (!bytes.empty()) {
        const std::size_t lf = bytes.find('\n');
        if (lf == std::string_view::npos) {
            result.Lines.emplace_back(bytes);
            result.Ends.push_back(LineEnd::None);
            break;
        }
        std::string_view line = bytes.substr(0, lf);
        const bool crlf = !line.empty() && line.back() == '\r';
        if (crlf)
            line.remove_suffix(1);
        result.Lines.emplace_back(line);
        result.Ends.push_back(crlf ? LineEnd::CRLF : LineEnd::LF);
        bytes.remove_prefix(lf + 1);
    }
    return result;
}

TEST(TOpenFile, TextLinesAndTheEndOfTheFile)
{
    using namespace std::string_literals;
    const LineEnd None = LineEnd::None, LF = LineEnd::LF, CRLF = LineEnd::CRLF;
    struct Case {
        const char* Name;
        std::string Bytes;
        bool EndsWithNewline;
        std::vector<std::string> Lines;
        std::vector<LineEnd> Ends;
    };
    const Case cases[] = {
        {"final LF, flag set", "one\ntwo\n", true, {"one", "two"}, {LF, LF}},
        {"final LF, flag clear: one more empty line", "one\ntwo\n", false, {"one", "two", ""}, {LF, LF, None}},
        {"no final LF", "one\ntwo", false, {"one", "two"}, {LF, None}},
        // The flag says LF but the file no longer ends with one: the last line is still read.
        {"no final LF, flag set", "one\ntwo", true, {"one", "two"}, {LF, None}},
        {"CR LF", "one\r\ntwo\r\n", true, {"one", "two"}, {CRLF, CRLF}},
        {"mixed ends", "a\r\nb\nc\r\n\r\n", true, {"a", "b", "c", ""}, {CRLF, LF, CRLF, CRLF}},
        {"lone CR inside a line", "a\rb\nc\r\rd", false, {"a\rb", "c\r\rd"}, {LF, None}},
        {"CR at the very end", "abc\r", false, {"abc\r"}, {None}},
        {"CR CR LF keeps one CR", "x\r\r\n", true, {"x\r"}, {CRLF}},
        {"empty file, flag clear", "", false, {""}, {None}},
        {"empty file, flag set", "", true, {}, {}},
        {"only LF, flag set", "\n", true, {""}, {LF}},
        {"only LF, flag clear", "\n", false, {"", ""}, {LF, None}},
        {"blank lines", "\n\n\nx\n", true, {"", "", "", "x"}, {LF, LF, LF, LF}},
        {"zero bytes in lines", "a\0b\n\0\nc\0"s, false, {"a\0b"s, "\0"s, "c\0"s}, {LF, LF, None}},
        {"bytes above 127", "\xe4\xf6\xfc\n\x80\xff", false, {"\xe4\xf6\xfc", "\x80\xff"}, {LF, None}},
    };
    TestDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string path = dir.WriteFile("case.txt", c.Bytes);
        const ReadResult got = ReadAll(path, c.EndsWithNewline, TextMode);
        EXPECT_EQ(got.Lines, c.Lines);
        EXPECT_EQ(got.Ends, c.Ends);
    }
}

TEST(TOpenFile, LongLinesAndBufferBoundaries)
{
    struct Case {
        const char* Name;
        std::string Bytes;
    };
    const std::string big(3 * ReadChunk + 17, 'x');
    const Case cases[] = {
        {"a line far longer than the buffer", "head\n" + big + "\ntail\n"},
        {"a long last line without LF", "head\r\n" + big},
        {"LF as the last byte of the first read", std::string(ReadChunk - 1, 'a') + "\nnext\n"},
        {"LF as the first byte of the second read", std::string(ReadChunk, 'a') + "\nnext\n"},
        {"CR LF split across two reads", std::string(ReadChunk - 1, 'a') + "\r\nnext\r\n"},
        {"lone CR at a boundary", std::string(ReadChunk - 1, 'a') + "\rb\nnext"},
        {"many short lines over several reads", [] {
             std::string s;
             for (int i = 0; s.size() < 3 * ReadChunk; ++i)
                 s += "line " + std::to_string(i) + (i % 3 ? "\n" : "\r\n");
             return s;
         }()},
        {"several reads, last line without LF", [] {
             std::string s;
             for (int i = 0; s.size() < ReadChunk + 3000; ++i)
                 s += std::to_string(i) + "\n";
             return s + std::string(100, 'z');
         }()},
    };
    TestDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string path = dir.WriteFile("long.txt", c.Bytes);
        const ReadResult got = ReadAll(path, c.Bytes.back() == '\n', TextMode);
        const ReadResult want = ReferenceLines(c.Bytes);
        ASSERT_EQ(got.Lines.size(), want.Lines.size());
        for (std::size_t i = 0; i < want.Lines.size(); ++i) {
            EXPECT_EQ(got.Lines[i].size(), want.Lines[i].size()) << "line " << i + 1;
            EXPECT_TRUE(got.Lines[i] == want.Lines[i]) << "line " << i + 1;
        }
        EXPECT_EQ(got.Ends, want.Ends);
    }
}

// Files of every size up to a few hundred bytes, of letters, CRs and LFs in varying density, so
// that line ends fall on every position of the reader's internal windows and near the end.
TEST(TOpenFile, GeneratedFilesSplitLikeASimpleSplit)
{
    TestDir dir;
    uint32_t seed = 12345;
    auto next = [&seed] { return seed = seed * 1103515245 + 12345, (seed >> 16) & 0x7fff; };
    const std::string path = dir.PathOf("generated.txt");
    for (int size = 0; size < 400; ++size) {
        for (unsigned density : {2u, 9u, 70u}) {
            std::string bytes;
            for (int i = 0; i < size; ++i) {
                const unsigned roll = next() % 100;
                bytes.push_back(roll < density ? '\n' : roll < density + 3 ? '\r' : static_cast<char>('a' + roll % 26));
            }
            dir.WriteFile("generated.txt", bytes);
            // (An empty file read with the flag clear gives one empty line; that is tested above.)
            const bool endsWithNewline = bytes.empty() || bytes.back() == '\n';
            const ReadResult got = ReadAll(path, endsWithNewline, TextMode);
            const ReadResult want = ReferenceLines(bytes);
            ASSERT_EQ(got.Lines, want.Lines) << "size " << size << ", density " << density;
            ASSERT_EQ(got.Ends, want.Ends) << "size " << size << ", density " << density;
        }
    }
}

std::string Reduced(std::string_view block)
{
    std::string kept;
    for (unsigned char c : block)
        if ((c >= 32 && c <= 127) || c >= 192)
            kept.push_back(static_cast<char>(c));
    return kept;
}

TEST(TOpenFile, BlocksReducedToPrintableBytes)
{
    std::string allBytes;
    for (int i = 0; i < 256; ++i)
        allBytes.push_back(static_cast<char>(i));
    std::string noisy;
    for (std::size_t i = 0; noisy.size() < ReadChunk + 5000; ++i)
        noisy.push_back(static_cast<char>((i * 7919 + i / 3) & 0xff));

    struct Case {
        const char* Name;
        std::string Bytes;
        std::vector<std::string> Lines; // empty: compare with the reduced 1025-byte blocks
    };
    const Case cases[] = {
        {"2050 bytes: two blocks", std::string(2050, 'a'), {std::string(1025, 'a'), std::string(1025, 'a')}},
        {"one byte over a block", std::string(1026, 'b'), {std::string(1025, 'b'), "b"}},
        {"only low bytes: an empty line", std::string(1025, '\x01'), {""}},
        {"every byte value", allBytes, {Reduced(allBytes)}},
        {"line ends are dropped too", "ab\r\ncd\n", {"abcd"}},
        {"blocks across buffer refills", noisy, {}},
    };
    TestDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string path = dir.WriteFile("block.bin", c.Bytes);
        std::vector<std::string> want = c.Lines;
        if (want.empty())
            for (std::size_t at = 0; at < c.Bytes.size(); at += TOpenFile::BlockSize)
                want.push_back(Reduced(std::string_view(c.Bytes).substr(at, TOpenFile::BlockSize)));
        for (bool endsWithNewline : {false, true}) {
            const ReadResult got = ReadAll(path, endsWithNewline, BlockMode);
            EXPECT_EQ(got.Lines, want);
            for (LineEnd end : got.Ends)
                EXPECT_EQ(end, LineEnd::None);
        }
    }
    EXPECT_TRUE(ReadAll(dir.WriteFile("empty.bin", ""), false, BlockMode).Lines.empty());
    // Any file type but 1 reads in blocks.
    EXPECT_EQ(ReadAll(dir.WriteFile("zero.bin", "a\nb\n"), false, 0).Lines, std::vector<std::string>{"ab"});
}

TEST(TOpenFile, BufferedTextAndSkippedLines)
{
    TestDir dir;
    TOpenFile file;
    ASSERT_TRUE(file.OpenRead(dir.WriteFile("scan.txt", "l1\r\nl2\nhit\nl4"), false, TextMode));

    std::string_view text = file.BufferedText();
    ASSERT_EQ(text, "l1\r\nl2\nhit\nl4");
    EXPECT_EQ(file.SkipLinesBefore(text.data() + text.find("hit")), 2);
    EXPECT_EQ(file.LastLineEnd(), LineEnd::LF);
    std::string_view line;
    EXPECT_EQ(file.ReadLine(line), 3);
    EXPECT_EQ(line, "hit");

    text = file.BufferedText();
    EXPECT_EQ(text, "l4");
    // A last line without a line feed is not a whole line: it stays for ReadLine.
    EXPECT_EQ(file.SkipLinesBefore(text.data() + text.size()), 0);
    EXPECT_EQ(file.ReadLine(line), 2);
    EXPECT_EQ(line, "l4");
    EXPECT_TRUE(file.BufferedText().empty());
    EXPECT_EQ(file.ReadLine(line), TOpenFile::EndOfLines);
}

TEST(TOpenFile, SkippingKeepsTheEndOfFileRules)
{
    struct Case {
        const char* Name;
        std::string Bytes;
        bool EndsWithNewline;
        int Skipped;
        std::vector<std::string> Rest; // what ReadLine gives after skipping the whole buffer
        LineEnd EndOfLastSkipped;
    };
    const Case cases[] = {
        {"final LF, flag set", "a\nb\n", true, 2, {}, LineEnd::LF},
        {"final LF, flag clear", "a\nb\n", false, 2, {""}, LineEnd::LF},
        {"last line without LF", "a\r\nb", false, 1, {"b"}, LineEnd::CRLF},
        {"empty file, flag clear", "", false, 0, {""}, LineEnd::None},
        {"thousands of empty lines", std::string(10000, '\n') + "x", true, 10000, {"x"}, LineEnd::LF},
    };
    TestDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TOpenFile file;
        ASSERT_TRUE(file.OpenRead(dir.WriteFile("skip.txt", c.Bytes), c.EndsWithNewline, TextMode));
        const std::string_view text = file.BufferedText();
        EXPECT_EQ(file.SkipLinesBefore(text.data() + text.size()), c.Skipped);
        EXPECT_EQ(file.LastLineEnd(), c.EndOfLastSkipped);
        std::vector<std::string> rest;
        std::string line;
        while (file.ReadLine(line) != TOpenFile::EndOfLines && rest.size() < 10)
            rest.push_back(line);
        EXPECT_EQ(rest, c.Rest);
    }
}

TEST(TOpenFile, SkipIgnoresPointersOutsideTheBuffer)
{
    TestDir dir;
    TOpenFile file;
    ASSERT_TRUE(file.OpenRead(dir.WriteFile("a.txt", "one\ntwo\n"), true, TextMode));
    const std::string elsewhere = "x\ny\n";
    EXPECT_EQ(file.SkipLinesBefore(elsewhere.data() + 2), 0);
    EXPECT_EQ(file.SkipLinesBefore(nullptr), 0);
    std::string line;
    EXPECT_EQ(file.ReadLine(line), 3);
    EXPECT_EQ(line, "one");
}

// A scanner that looks for a word in the whole buffer and only splits lines around hits must
// find the same lines, with the same numbers, as one that reads every line.
TEST(TOpenFile, BufferScanFindsTheSameLinesAsLineByLine)
{
    std::string bytes;
    std::vector<int> planted;
    for (int i = 1; bytes.size() < 3 * ReadChunk; ++i) {
        const bool hit = i % 997 == 0 || i == 1;
        if (hit)
            planted.push_back(i);
        bytes += (hit ? "say NEEDLE " : "say nothing ") + std::string(i % 120, '-') + (i % 2 ? "\r\n" : "\n");
    }
    bytes += "last NEEDLE";
    planted.push_back(static_cast<int>(std::count(bytes.begin(), bytes.end(), '\n')) + 1);

    TestDir dir;
    const std::string path = dir.WriteFile("needles.txt", bytes);
    TOpenFile file;
    ASSERT_TRUE(file.OpenRead(path, false, TextMode));
    std::vector<int> found;
    int lineNumber = 0;
    std::string_view line;
    for (int rounds = 0; rounds < 1000000; ++rounds) {
        const std::string_view text = file.BufferedText();
        if (text.empty()) {
            while (file.ReadLine(line) != TOpenFile::EndOfLines)
                ++lineNumber;
            break;
        }
        const std::size_t at = text.find("NEEDLE");
        if (at == std::string_view::npos) {
            const int skipped = file.SkipLinesBefore(text.data() + text.size());
            lineNumber += skipped;
            if (skipped == 0 && file.ReadLine(line) != TOpenFile::EndOfLines)
                ++lineNumber;
            continue;
        }
        const std::size_t lineStart = text.rfind('\n', at);
        lineNumber += file.SkipLinesBefore(text.data() + (lineStart == std::string_view::npos ? 0 : lineStart + 1));
        ASSERT_NE(file.ReadLine(line), TOpenFile::EndOfLines);
        ++lineNumber;
        EXPECT_NE(line.find("NEEDLE"), std::string_view::npos) << "line " << lineNumber;
        EXPECT_FALSE(!line.empty() && line.back() == '\r');
        found.push_back(lineNumber);
    }
    EXPECT_EQ(found, planted);
    EXPECT_EQ(lineNumber, planted.back());
}

// Passing lines defers their count; every line number read afterwards, whether the next hit
// is in the same buffer, after a refill, or after runs of passes, must be the true one.
TEST(TOpenFile, PassedLinesAreCountedWhenANumberIsNeeded)
{
    std::string bytes;
    std::vector<int64_t> planted;
    for (int i = 1; bytes.size() < 3 * ReadChunk; ++i) {
        const bool hit = i % 1499 == 0 || i == 2;
        if (hit)
            planted.push_back(i);
        bytes += (hit ? "a NEEDLE " : "nothing ") + std::string(i % 70, '\n' + (i % 3 == 0)) + "\r\n";
    }
    // (Some lines are runs of empty lines, so that counts cross the vector loops' strides.)
    planted.clear();
    int64_t number = 1;
    for (std::size_t at = 0; at < bytes.size(); ++at) {
        if (bytes.compare(at, 6, "NEEDLE") == 0)
            planted.push_back(number);
        number += bytes[at] == '\n';
    }

    TestDir dir;
    TOpenFile file;
    ASSERT_TRUE(file.OpenRead(dir.WriteFile("passes.txt", bytes), true, TextMode));
    std::vector<int64_t> found;
    std::string_view line;
    for (int rounds = 0; rounds < 1000000; ++rounds) {
        const std::string_view text = file.BufferedText();
        if (text.empty())
            break;
        const std::size_t at = text.find("NEEDLE");
        if (at == std::string_view::npos) {
            // Two passes in a row over the rest of the buffer: half, then all.
            file.PassLinesBefore(text.data() + text.size() / 2);
            file.PassLinesBefore(text.data() + text.size());
            continue;
        }
        const std::size_t lineStart = text.rfind('\n', at);
        file.PassLinesBefore(text.data() + (lineStart == std::string_view::npos ? 0 : lineStart + 1));
        found.push_back(file.LineNumber() + 1);
        ASSERT_NE(file.ReadLine(line), TOpenFile::EndOfLines);
        EXPECT_EQ(file.LineNumber(), found.back());
        EXPECT_NE(line.find("NEEDLE"), std::string_view::npos) << "line " << found.back();
    }
    EXPECT_EQ(found, planted);
    EXPECT_EQ(file.LineNumber(), number - 1);
}

TEST(TOpenFile, WrittenLinesReadBack)
{
    TestDir dir;
    const std::string path = dir.WriteFile("out.txt", "old content that must go away\n");
    const std::string big(300 * 1024, 'w');
    TOpenFile writer;
    ASSERT_TRUE(writer.OpenWrite(path));
    EXPECT_TRUE(writer.WriteLine("first"));
    EXPECT_TRUE(writer.WriteText("par"));
    EXPECT_TRUE(writer.WriteText("tial"));
    EXPECT_TRUE(writer.WriteLine(""));
    EXPECT_TRUE(writer.WriteLine(big));
    EXPECT_TRUE(writer.WriteLine(std::string_view("a\0b", 3)));
    std::string_view line;
    EXPECT_EQ(writer.ReadLine(line), TOpenFile::EndOfLines);
    EXPECT_TRUE(writer.CloseFile());
    EXPECT_FALSE(writer.IsOpen());
    EXPECT_EQ(dir.ReadFile("out.txt"), "first\npartial\n" + big + "\n" + std::string("a\0b\n", 4));

    const ReadResult back = ReadAll(path, true, TextMode);
    EXPECT_EQ(back.Lines, (std::vector<std::string>{"first", "partial", big, std::string("a\0b", 3)}));

    // Opening again empties the file.
    ASSERT_TRUE(writer.OpenWrite(path));
    EXPECT_TRUE(writer.CloseFile());
    EXPECT_EQ(dir.ReadFile("out.txt"), "");
}

TEST(TOpenFile, FailedWritesAreReported)
{
    TestDir dir;
    TOpenFile missingFolder;
    EXPECT_FALSE(missingFolder.OpenWrite(dir.PathOf("no/such/folder/out.txt")));
    EXPECT_FALSE(missingFolder.WriteLine("lost"));
    EXPECT_FALSE(missingFolder.CloseFile());

    // /dev/full accepts the open and fails every write: the buffered text only fails on close.
    struct stat info;
    if (stat("/dev/full", &info) == 0) {
        TOpenFile full;
        ASSERT_TRUE(full.OpenWrite("/dev/full"));
        full.WriteLine("does not fit");
        EXPECT_FALSE(full.CloseFile());
        TOpenFile fullBig;
        ASSERT_TRUE(fullBig.OpenWrite("/dev/full"));
        EXPECT_FALSE(fullBig.WriteText(std::string(1 << 20, 'x')));
        EXPECT_FALSE(fullBig.WriteLine("after the failure"));
        EXPECT_FALSE(fullBig.CloseFile());
    }
}

TEST(TOpenFile, ReaderThatDidNotOpenYieldsNoLines)
{
    TestDir dir;
    dir.MakeFolder("folder");
    const std::string fifo = dir.PathOf("pipe.txt");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    struct Case {
        const char* Name;
        std::string Path;
    };
    const Case cases[] = {
        {"missing file", dir.PathOf("missing.txt")},
        {"a folder", dir.PathOf("folder")},
        // Opening a FIFO for reading would wait for a writer; it must be refused at once.
        {"a FIFO", fifo},
    };
    for (const Case& c : cases) {
        for (int fileType : {TextMode, BlockMode}) {
            SCOPED_TRACE(std::string(c.Name) + (fileType == TextMode ? ", text" : ", blocks"));
            TOpenFile file;
            EXPECT_FALSE(file.OpenRead(c.Path, false, fileType));
            EXPECT_FALSE(file.IsOpen());
            std::string line = "stale";
            EXPECT_EQ(file.ReadLine(line), TOpenFile::EndOfLines);
            EXPECT_EQ(line, "");
            EXPECT_TRUE(file.BufferedText().empty());
            EXPECT_FALSE(file.WriteLine("x"));
            EXPECT_FALSE(file.CloseFile());
        }
    }
    // Nor does writing wait for a FIFO to get a reader.
    TOpenFile writer;
    EXPECT_FALSE(writer.OpenWrite(fifo));
    EXPECT_FALSE(writer.IsOpen());
}

TEST(TOpenFile, ReopeningStartsAfresh)
{
    TestDir dir;
    const std::string first = dir.WriteFile("first.txt", "a\nb\n");
    const std::string second = dir.WriteFile("second.txt", "c");
    TOpenFile file;
    ASSERT_TRUE(file.OpenRead(first, false, TextMode));
    std::string line;
    file.ReadLine(line);
    ASSERT_TRUE(file.OpenRead(second, false, TextMode));
    EXPECT_EQ(file.ReadLine(line), 1);
    EXPECT_EQ(line, "c");
    EXPECT_EQ(file.ReadLine(line), TOpenFile::EndOfLines);
    EXPECT_TRUE(file.CloseFile());
}

} // namespace
