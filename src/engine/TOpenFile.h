// SPDX-License-Identifier: MIT
#pragma once

#include <sys/stat.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/TMatch.h"

// Reads a file line by line, or writes one line by line.
//
// Text mode (FileType 1) returns each line without its line end (LF or CR LF), whole up to
// MaxLinePiece bytes; a longer line comes in pieces that keep its line number. Block mode (any other FileType) returns each 1025-byte block reduced to the bytes 32-127
// and 192-255, so that a binary file can be searched like lines. A reader whose open failed
// yields EndOfLines at once. Writers are always text mode.
class TOpenFile {
public:
    static constexpr int EndOfLines = -1;
    static constexpr std::size_t BlockSize = 1025;

    // The longest piece a line comes in: its length must fit the int ReadLine returns, and a
    // file without line ends must not take all the memory there is.
    static constexpr std::size_t MaxLinePiece = std::size_t{1} << 30;

    enum class LineEnd : uint8_t { None, LF, CRLF };

    // How readers cut and number lines. The defaults serve every reader; tests lower the piece
    // size and raise the first line's number to try gigabyte lines and billions of lines on
    // small files. Readers opened afterwards take it; set it only while no other thread opens
    // a reader.
    struct TLineShape {
        std::size_t PieceSize = MaxLinePiece;  // 1 to MaxLinePiece
        int64_t FirstLine = 1;
    };
    static void SetLineShape(const TLineShape& shape);
    static TLineShape LineShape();

    TOpenFile() = default;
    ~TOpenFile();
    TOpenFile(const TOpenFile&) = delete;
    TOpenFile& operator=(const TOpenFile&) = delete;

    // Opens for reading. `endsWithNewline` starts the end flag: when it is false, a file whose
    // last byte is a line feed yields one more, empty line at its end.
    bool OpenRead(const std::string& path, bool endsWithNewline, int fileType);
    // Opens for a search that classifies the file from its own first bytes: `info` receives
    // the file's status from the open descriptor, nothing is read yet, and the reader stays in
    // text mode until SetFileType.
    bool OpenUnclassified(const std::string& path, struct stat& info);
    // The same for the file `name` of the open folder `folderFd`, or for `path` when folderFd
    // is negative.
    bool OpenUnclassified(int folderFd, const std::string& name, struct stat& info);
    // Before any line is read: the first `count` bytes (fewer at the end of the file), read
    // into the buffer as far as needed; ReadLine gives them again.
    std::string_view Head(std::size_t count);
    // The file's last byte: from the buffer when the reads have reached the end, otherwise
    // read at the size the open found. False for an empty file or when it cannot be read.
    bool LastByte(unsigned char& byte);
    // True once a read has failed (the lines read so far stand, as at the end of the file).
    bool ReadFailed() const { return ReadError; }
    // Sets how the lines of a file opened with OpenUnclassified are read.
    void SetFileType(int fileType, bool endsWithNewline);
    // While `stop` (when not null) is set, no more is read: the file ends there. Looked at
    // before every read, and reads are at most MaxReadSize, so that a stop is honoured soon
    // even while a very long line is being gathered. Each open starts without a flag.
    void SetStopFlag(const std::atomic<bool>* stop) { StopFlag = stop; }
    static constexpr std::size_t MaxReadSize = std::size_t{16} << 20;
    // Opens for writing, creating or emptying the file.
    bool OpenWrite(const std::string& path);
    bool IsOpen() const { return Opened; }

    // The next line's length, or EndOfLines. The view form points into the reader's buffer and
    // stays valid until the next call on this reader.
    int ReadLine(std::string& line);
    int ReadLine(std::string_view& line);
    // The line end of the line read last (None for the last line of a file without one, for
    // a piece that the rest of its line follows, and in block mode).
    LineEnd LastLineEnd() const { return LastEnd; }
    // The number of the line read last (the first line's number less one before any): the
    // pieces of a line share it, and SkipLinesBefore counts the lines it passes over. In block
    // mode every block is a line.
    int64_t LineNumber() const
    {
        if (Uncounted)
            CountPassedLines();
        return Line;
    }
    // 0 for a whole line and for the first piece of a long one; 1, 2 ... for the pieces after.
    uint32_t LinePiece() const { return Piece; }
    TLinePlace Place() const { return {LineNumber(), Piece}; }
    // The longest piece this reader gives: a line of BufferedText() that is longer comes in
    // pieces from ReadLine.
    std::size_t PieceLimit() const { return PieceSize; }

    // Text mode, for scanners that look for hits in a whole buffer before splitting lines:
    // the buffered bytes from the start of the next line, refilled when fewer than one whole
    // line is buffered. Empty at the end of the file, and while the rest of a line that came in
    // pieces is still to be read (ReadLine gives it).
    std::string_view BufferedText();
    // Skips the whole lines that start before `lineStart`, a pointer into BufferedText() that is
    // the start of a line (or its end). Returns how many lines were skipped.
    int SkipLinesBefore(const char* lineStart);
    // As SkipLinesBefore, but the lines passed are counted only when a line number is next
    // needed: a file whose last hit is early, or that has none, is not counted to its end.
    // True when any line was passed.
    bool PassLinesBefore(const char* lineStart);

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
    // Opens `path`, relative to the folder `folderFd` (AT_FDCWD for the current folder).
    bool OpenDescriptor(int folderFd, const std::string& path, struct stat& info);
    bool FillBuffer();
    int ReadTextLine(std::string_view& line);
    int ReadBlock(std::string_view& line);
    std::size_t NextLineFeed();
    uint64_t WindowMask(std::size_t at) const;
    void Reset();
    // Numbers the line about to be returned; `cut` tells that the rest of it follows.
    void CountLine(bool cut);
    // Adds the lines PassLinesBefore passed to the line number.
    void CountPassedLines() const;
    int ReturnPiece(std::string_view& line, std::size_t length);

    int Fd = -1;
    bool Opened = false;
    bool Writing = false;
    bool TextMode = true;
    bool EndFlag = false;
    bool AtEof = false;
    bool WriteFailed = false;
    bool ReadError = false;
    bool NonBlocking = false; // the descriptor still has the O_NONBLOCK of its open
    uint64_t OpenedSize = 0;  // the size the open found
    uint64_t FileOffset = 0;  // bytes read from the descriptor so far
    const std::atomic<bool>* StopFlag = nullptr;
    LineEnd LastEnd = LineEnd::None;
    std::size_t PieceSize = MaxLinePiece;
    mutable int64_t Line = 0;
    // Lines passed and not counted yet: their line feeds lie from UncountedFrom to UncountedTo
    // (that one included) in Buffer.
    mutable bool Uncounted = false;
    std::size_t UncountedFrom = 0;
    std::size_t UncountedTo = 0;
    uint32_t Piece = 0;
    bool Continues = false;  // the line read last was cut: the next read gives more of it
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
