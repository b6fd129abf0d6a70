#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Reads a file line by line, or writes one line by line.
//
// Text mode (FileType 1) returns each line whole, however long, without its line end (LF or
// CR LF). Block mode (any other FileType) returns each 1025-byte block reduced to the bytes 32-127
// and 192-255, so that a binary file can be searched like lines. A reader whose open failed
// yields EndOfLines at once. Writers are always text mode.
class TOpenFile {
public:
    static constexpr int EndOfLines = -1;
    static constexpr std::size_t BlockSize = 1025;

    enum class LineEnd : uint8_t { None, LF, CRLF };

    TOpenFile() = default;
    ~TOpenFile();
    TOpenFile(const TOpenFile&) = delete;
    TOpenFile& operator=(const TOpenFile&) = delete;

    // Opens for reading. `endsWithNewline` starts the end flag: when it is false, a file whose
    // last byte is a line feed yields one more, empty line at its end.
    bool OpenRead(const std::string& path, bool endsWithNewline, int fileType);
    // Opens for writing, creating or emptying the file.
    bool OpenWrite(const std::string& path);
    bool IsOpen() const { return Opened; }

    // The next line's length, or EndOfLines. The view form points into the reader's buffer and
    // stays valid until the next call on this reader.
    int ReadLine(std::string& line);
    int ReadLine(std::string_view& line);
    // The line end of the line read last (None for the last line of a file without one, and
    // in block mode).
    LineEnd LastLineEnd() const { return LastEnd; }

    // Text mode, for scanners that look for hits in a whole buffer before splitting lines:
    // the buffered bytes from the start of the next line, refilled when fewer than one whole
    // line is buffered. Empty at the end of the file.
    std::string_view BufferedText();
    // Skips the whole lines that start before `lineStart`, a pointer into BufferedText() that is
    // the start of a line (or its end). Returns how many lines were skipped.
    int SkipLinesBefore(const char* lineStart);

    // Writes `text` and a line feed.
    bool WriteLine(std::string_view text);
    // Writes `text` as it is.
    bool WriteText(std::string_view text);

    // For a writer: writes what is buffered to the file now. False when this or any earlier
    // write failed, or when the file is not open for writing.
    bool Flush();
    // Closes the file; for a writer, flushes and reports whether every write reached the file.
    bool CloseFile();

private:
    bool FillBuffer();
    int ReadTextLine(std::string_view& line);
    int ReadBlock(std::string_view& line);
    std::size_t NextLineFeed();
    uint64_t WindowMask(std::size_t at) const;
    void Reset();

    int Fd = -1;
    bool Opened = false;
    bool Writing = false;
    bool TextMode = true;
    bool EndFlag = false;
    bool AtEof = false;
    bool WriteFailed = false;
    LineEnd LastEnd = LineEnd::None;
    std::vector<char> Buffer;
    std::size_t Begin = 0;   // first unread byte in Buffer
    std::size_t End = 0;     // one past the last valid byte in Buffer
    std::string BlockLine;   // the reduced block of block mode
    // The line feeds of a 64-byte window of Buffer, one bit a byte, found in one pass so that
    // short lines do not cost a memchr call each. Bits before Begin are cleared; the window is
    // dropped whenever the buffer moves or Begin jumps.
    std::size_t MaskAt = 0;
    uint64_t Mask = 0;
    bool MaskValid = false;
};
