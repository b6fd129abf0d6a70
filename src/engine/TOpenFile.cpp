// SPDX-License-Identifier: MIT
#include "engine/TOpenFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <new>


#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define QUARNEL_X86 1
#elif defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// Reads are made in large pieces so that a line costs a few instructions, not a system call.
// Small files get a buffer of their own size (plus the byte that lets the end be seen) so that
// opening many tiny files does not clear a quarter of a megabyte each time.
constexpr std::size_t ReadBufferSize = 256 * 1024;
constexpr std::size_t MinBufferSize = 4096;
constexpr std::size_t WriteBufferSize = 64 * 1024;
// A buffer never outgrows the longest piece of a line.
constexpr std::size_t MaxBufferSize = TOpenFile::MaxLinePiece;

TOpenFile::TLineShape Shape;

bool KeptInBlock(unsigned char c)
{
    return (c >= 32 && c <= 127) || c >= 192;
}

constexpr std::size_t WindowSize = 64;

// Bit i is set when p[i] is a line feed; all 64 bytes must be readable.
uint64_t LineFeedBits(const char* p)
{
#if defined(__SSE2__)
    const __m128i lf = _mm_set1_epi8('\n');
    uint64_t bits = 0;
    for (int i = 0; i < 4; ++i) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i));
        bits |= static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, lf)))) << (16 * i);
    }
    return bits;
#else
    uint64_t bits = 0;
    for (std::size_t i = 0; i < WindowSize; ++i)
        bits |= static_cast<uint64_t>(p[i] == '\n') << i;
    return bits;
#endif
}

std::size_t CountLineFeedsSse2(const char* p, std::size_t size)
{
    std::size_t count = 0;
#if defined(__SSE2__)
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i zero = _mm_setzero_si128();
    while (size >= 16) {
        // Byte counters take at most 255 rounds before they are summed.
        const std::size_t rounds = std::min<std::size_t>(size / 16, 255);
        __m128i counters = zero;
        for (std::size_t i = 0; i < rounds; ++i, p += 16)
            counters = _mm_sub_epi8(counters, _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), lf));
        const __m128i sums = _mm_sad_epu8(counters, zero);
        count += static_cast<std::size_t>(_mm_cvtsi128_si32(sums)) + static_cast<std::size_t>(_mm_extract_epi16(sums, 4));
        size -= rounds * 16;
    }
#endif
    for (std::size_t i = 0; i < size; ++i)
        count += p[i] == '\n';
    return count;
}

#ifdef QUARNEL_X86
// As CountLineFeedsSse2, 64 bytes a round in two counters: a big file is numbered as fast as
// it is read.
__attribute__((target("avx2"))) std::size_t CountLineFeedsAvx2(const char* p, std::size_t size)
{
    std::size_t count = 0;
    const __m256i lf = _mm256_set1_epi8('\n');
    const __m256i zero = _mm256_setzero_si256();
    while (size >= 64) {
        const std::size_t rounds = std::min<std::size_t>(size / 64, 255);
        __m256i low = zero;
        __m256i high = zero;
        for (std::size_t i = 0; i < rounds; ++i, p += 64) {
            low = _mm256_sub_epi8(low, _mm256_cmpeq_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)), lf));
            high = _mm256_sub_epi8(high,
                                   _mm256_cmpeq_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32)), lf));
        }
        const __m256i sums = _mm256_add_epi64(_mm256_sad_epu8(low, zero), _mm256_sad_epu8(high, zero));
        count += static_cast<std::size_t>(_mm256_extract_epi64(sums, 0) + _mm256_extract_epi64(sums, 1) +
                                          _mm256_extract_epi64(sums, 2) + _mm256_extract_epi64(sums, 3));
        size -= rounds * 64;
    }
    return count + CountLineFeedsSse2(p, size);
}

const bool HaveAvx2 = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
}();
#endif

std::size_t CountLineFeeds(const char* p, std::size_t size)
{
#ifdef QUARNEL_X86
    if (HaveAvx2)
        return CountLineFeedsAvx2(p, size);
#endif
    return CountLineFeedsSse2(p, size);
}

bool Within(const char* p, const char* first, const char* last)
{
    const auto value = reinterpret_cast<std::uintptr_t>(p);
    return value >= reinterpret_cast<std::uintptr_t>(first) && value <= reinterpret_cast<std::uintptr_t>(last);
}

} // namespace

TOpenFile::~TOpenFile()
{
    if (Fd >= 0)
        CloseFile();
}

void TOpenFile::SetLineShape(const TLineShape& shape)
{
    Shape = shape;
    Shape.PieceSize = std::clamp<std::size_t>(shape.PieceSize, 1, MaxLinePiece);
}

TOpenFile::TLineShape TOpenFile::LineShape()
{
    return Shape;
}

void TOpenFile::CountLine(bool cut)
{
    if (Uncounted)
        CountPassedLines();
    if (Continues) {
        ++Piece;
    } else {
        ++Line;
        Piece = 0;
    }
    Continues = cut;
}

// Hands over the first `length` buffered bytes as a piece of a line the rest of which follows.
int TOpenFile::ReturnPiece(std::string_view& line, std::size_t length)
{
    line = std::string_view(Buffer.data() + Begin, length);
    Begin += length;
    LastEnd = LineEnd::None;
    CountLine(true);
    return static_cast<int>(length);
}

void TOpenFile::Reset()
{
    Fd = -1;
    Opened = false;
    Writing = false;
    TextMode = true;
    EndFlag = false;
    AtEof = false;
    WriteFailed = false;
    ReadError = false;
    NonBlocking = false;
    OpenedSize = 0;
    FileOffset = 0;
    StopFlag = nullptr;
    LastEnd = LineEnd::None;
    Begin = 0;
    End = 0;
    MaskValid = false;
    Uncounted = false;
    PieceSize = Shape.PieceSize;
    Line = Shape.FirstLine - 1;
    Piece = 0;
    Continues = false;
}

bool TOpenFile::OpenDescriptor(int folderFd, const std::string& path, struct stat& info)
{
    // Only a regular file is read: reading anything else might never end. The open itself
    // cannot block (a FIFO under a file's name would hold it); the O_NONBLOCK it takes is left
    // on, since regular files ignore it, and taken off by the first read that says EAGAIN.
    // That saves a system call on every file of a search.
    int fd;
    do
        fd = ::openat(folderFd, path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return false;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return false;
    }

    const auto size = static_cast<uint64_t>(info.st_size);
    const std::size_t wanted = size + 1 >= ReadBufferSize ? ReadBufferSize
                                                          : std::max<std::size_t>(MinBufferSize, size + 1);
    // A reader used for file after file keeps its buffer, unless a long line made it grow.
    if (Buffer.size() < wanted || Buffer.size() > ReadBufferSize) {
        Buffer.resize(wanted);
        Buffer.shrink_to_fit();
    }
    if (size > ReadBufferSize)
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);

    Fd = fd;
    Opened = true;
    NonBlocking = true;
    OpenedSize = size;
    return true;
}

bool TOpenFile::OpenRead(const std::string& path, bool endsWithNewline, int fileType)
{
    if (Fd >= 0)
        CloseFile();
    Reset();
    TextMode = fileType == 1;
    EndFlag = endsWithNewline;
    struct stat info;
    return OpenDescriptor(AT_FDCWD, path, info);
}

bool TOpenFile::OpenUnclassified(const std::string& path, struct stat& info)
{
    return OpenUnclassified(AT_FDCWD, path, info);
}

bool TOpenFile::OpenUnclassified(int folderFd, const std::string& name, struct stat& info)
{
    if (Fd >= 0)
        CloseFile();
    Reset();
    return OpenDescriptor(folderFd < 0 ? AT_FDCWD : folderFd, name, info);
}

void TOpenFile::SetFileType(int fileType, bool endsWithNewline)
{
    TextMode = fileType == 1;
    EndFlag = endsWithNewline;
}

std::string_view TOpenFile::Head(std::size_t count)
{
    if (!Opened || Writing)
        return {};
    while (End - Begin < count && FillBuffer()) {
    }
    return std::string_view(Buffer.data() + Begin, std::min(count, End - Begin));
}

bool TOpenFile::LastByte(unsigned char& byte)
{
    if (!Opened || Writing)
        return false;
    if (AtEof && !ReadError) {
        // The last read ended at the file's end; its last byte is still buffered.
        if (End == 0)
            return false;
        byte = static_cast<unsigned char>(Buffer[End - 1]);
        return true;
    }
    if (OpenedSize == 0)
        return false;
    ssize_t got;
    do
        got = ::pread(Fd, &byte, 1, static_cast<off_t>(OpenedSize - 1));
    while (got < 0 && errno == EINTR);
    return got == 1;
}

bool TOpenFile::OpenWrite(const std::string& path)
{
    if (Fd >= 0)
        CloseFile();
    Reset();
    Writing = true;
    int fd;
    do
        fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0666);
    while (fd < 0 && errno == EINTR);
    // O_NONBLOCK lets a FIFO without a reader fail the open instead of holding it; the writes
    // that follow wait as usual.
    if (fd >= 0 && ::fcntl(fd, F_SETFL, 0) != 0) {
        ::close(fd);
        fd = -1;
    }
    if (fd < 0) {
        WriteFailed = true;
        return false;
    }
    if (Buffer.size() < WriteBufferSize)
        Buffer.resize(WriteBufferSize);
    Fd = fd;
    Opened = true;
    return true;
}

bool TOpenFile::FillBuffer()
{
    if (AtEof)
        return false;
    if (StopFlag && StopFlag->load(std::memory_order_relaxed)) {
        AtEof = true;
        return false;
    }
    MaskValid = false;
    // The passed lines are counted while their bytes are still buffered.
    if (Uncounted)
        CountPassedLines();
    if (Begin == End) {
        Begin = End = 0;
    } else if (Begin > 0) {
        // What is left is part of one line (or of one block): move it to the front.
        std::memmove(Buffer.data(), Buffer.data() + Begin, End - Begin);
        End -= Begin;
        Begin = 0;
    }
    if (End == Buffer.size()) {
        const std::size_t grown = std::min(Buffer.size() * 2, MaxBufferSize);
        if (grown <= Buffer.size())
            return false;
        try {
            Buffer.resize(grown);
        } catch (const std::bad_alloc&) {
            return false;
        }
    }
    const std::size_t wanted = std::min(Buffer.size() - End, MaxReadSize);
    ssize_t got;
    for (;;) {
        got = ::read(Fd, Buffer.data() + End, wanted);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0 && errno == EAGAIN && NonBlocking) {
            NonBlocking = false;
            if (::fcntl(Fd, F_SETFL, 0) == 0)
                continue;
        }
        break;
    }
    if (got <= 0) {
        // A read error ends the file as the end of the data does: the lines read so far stand.
        ReadError = got < 0;
        AtEof = true;
        return false;
    }
    FileOffset += static_cast<uint64_t>(got);
    // A read of a regular file that comes back short, past the size the open found, has met
    // the end: no further read is needed to learn it.
    if (static_cast<std::size_t>(got) < wanted && FileOffset >= OpenedSize)
        AtEof = true;
    End += static_cast<std::size_t>(got);
    return true;
}

int TOpenFile::ReadLine(std::string& line)
{
    std::string_view view;
    const int length = ReadLine(view);
    if (length == EndOfLines)
        line.clear();
    else
        line.assign(view.data(), view.size());
    return length;
}

int TOpenFile::ReadLine(std::string_view& line)
{
    if (MaskValid) {
        // The common case, kept free of calls: the next line feed lies in the current window
        // or in one of the whole windows after it.
        uint64_t mask = Mask;
        std::size_t at = MaskAt;
        while (mask == 0 && at + 2 * WindowSize <= End) {
            at += WindowSize;
            mask = LineFeedBits(Buffer.data() + at);
        }
        MaskAt = at;
        Mask = mask;
        const std::size_t lf = at + static_cast<std::size_t>(std::countr_zero(mask));
        if (mask != 0 && lf - Begin <= PieceSize) {
            Mask = mask & (mask - 1);
            const char* start = Buffer.data() + Begin;
            std::size_t length = lf - Begin;
            Begin = lf + 1;
            if (length > 0 && start[length - 1] == '\r') {
                --length;
                LastEnd = LineEnd::CRLF;
            } else {
                LastEnd = LineEnd::LF;
            }
            CountLine(false);
            line = std::string_view(start, length);
            return static_cast<int>(length);
        }
    }
    line = {};
    if (!Opened || Writing)
        return EndOfLines;
    return TextMode ? ReadTextLine(line) : ReadBlock(line);
}

uint64_t TOpenFile::WindowMask(std::size_t at) const
{
    const char* p = Buffer.data() + at;
    if (End - at >= WindowSize)
        return LineFeedBits(p);
    uint64_t bits = 0;
    const char* stop = Buffer.data() + End;
    for (const char* q = p; (q = static_cast<const char*>(std::memchr(q, '\n', static_cast<std::size_t>(stop - q)))); ++q)
        bits |= uint64_t{1} << (q - p);
    return bits;
}

// The offset of the first line feed at or after Begin, or npos when none is buffered.
std::size_t TOpenFile::NextLineFeed()
{
    if (!MaskValid) {
        MaskAt = Begin;
        Mask = Begin < End ? WindowMask(Begin) : 0;
        MaskValid = true;
    }
    while (Mask == 0) {
        if (MaskAt + WindowSize >= End)
            return std::string::npos;
        MaskAt += WindowSize;
        Mask = WindowMask(MaskAt);
    }
    return MaskAt + static_cast<std::size_t>(std::countr_zero(Mask));
}

int TOpenFile::ReadTextLine(std::string_view& line)
{
    for (;;) {
        const std::size_t lf = NextLineFeed();
        if (lf != std::string::npos) {
            const char* start = Buffer.data() + Begin;
            std::size_t length = lf - Begin;
            if (length - (length > 0 && start[length - 1] == '\r') > PieceSize)
                return ReturnPiece(line, PieceSize);
            Mask &= Mask - 1;
            Begin = lf + 1;
            if (length > 0 && start[length - 1] == '\r') {
                --length;
                LastEnd = LineEnd::CRLF;
            } else {
                LastEnd = LineEnd::LF;
            }
            CountLine(false);
            line = std::string_view(start, length);
            return static_cast<int>(length);
        }
        // One byte more than a piece tells whether the line goes on past it.
        if (End - Begin > PieceSize)
            return ReturnPiece(line, PieceSize);
        if (FillBuffer())
            continue;

        MaskValid = false;
        LastEnd = LineEnd::None;
        if (!AtEof) {
            // The buffer cannot grow (it holds a whole piece, or memory ran out): what is
            // buffered is one piece.
            return ReturnPiece(line, End - Begin);
        }
        if (Begin < End) {
            // The last line has no line feed. It is returned whatever the end flag says, so
            // that a file which lost its final line feed since it was classified loses no text.
            line = std::string_view(Buffer.data() + Begin, End - Begin);
            Begin = End;
            EndFlag = true;
            CountLine(false);
            return static_cast<int>(line.size());
        }
        // A line cut into pieces that ends with the file has had its last piece.
        if (Continues) {
            Continues = false;
            EndFlag = true;
            return EndOfLines;
        }
        // Nothing after the last line feed: one empty line unless the end flag is already set.
        if (EndFlag)
            return EndOfLines;
        EndFlag = true;
        CountLine(false);
        return 0;
    }
}

int TOpenFile::ReadBlock(std::string_view& line)
{
    while (End - Begin < BlockSize && FillBuffer()) {
    }
    const std::size_t taken = std::min(BlockSize, End - Begin);
    LastEnd = LineEnd::None;
    if (taken == 0)
        return EndOfLines;
    BlockLine.resize(BlockSize);
    const char* block = Buffer.data() + Begin;
    char* out = BlockLine.data();
    std::size_t kept = 0;
    std::size_t i = 0;
#if defined(__SSE2__)
    // Whole runs of kept or of dropped bytes, common in binary files, are handled 16 at a time.
    const __m128i above31 = _mm_set1_epi8(31);
    const __m128i aboveMinus65 = _mm_set1_epi8(-65);
    const __m128i zero = _mm_setzero_si128();
    for (; i + 16 <= taken; i += 16) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + i));
        // As signed bytes, 32-127 are those above 31 and 192-255 are -64 to -1.
        const __m128i keep = _mm_or_si128(_mm_cmpgt_epi8(chunk, above31),
                                          _mm_and_si128(_mm_cmpgt_epi8(chunk, aboveMinus65), _mm_cmplt_epi8(chunk, zero)));
        const int bits = _mm_movemask_epi8(keep);
        if (bits == 0xffff) {
            std::memcpy(out + kept, block + i, 16);
            kept += 16;
        } else if (bits != 0) {
            for (std::size_t j = i; j < i + 16; ++j) {
                out[kept] = block[j];
                kept += KeptInBlock(static_cast<unsigned char>(block[j]));
            }
        }
    }
#endif
    for (; i < taken; ++i) {
        // Every byte is stored, and only the kept ones advance the end: no branch to mispredict.
        out[kept] = block[i];
        kept += KeptInBlock(static_cast<unsigned char>(block[i]));
    }
    BlockLine.resize(kept);
    Begin += taken;
    CountLine(false);
    line = BlockLine;
    return static_cast<int>(BlockLine.size());
}

std::string_view TOpenFile::BufferedText()
{
    if (!Opened || Writing || !TextMode || Continues)
        return {};
    std::size_t searched = 0;
    while (!AtEof) {
        const std::size_t available = End - Begin;
        if (std::memchr(Buffer.data() + Begin + searched, '\n', available - searched))
            break;
        searched = available;
        if (!FillBuffer())
            break;
    }
    return std::string_view(Buffer.data() + Begin, End - Begin);
}

void TOpenFile::CountPassedLines() const
{
    Line += static_cast<int64_t>(CountLineFeeds(Buffer.data() + UncountedFrom, UncountedTo - UncountedFrom)) + 1;
    Uncounted = false;
}

bool TOpenFile::PassLinesBefore(const char* lineStart)
{
    if (!Opened || Writing || !TextMode || Continues)
        return false;
    const char* start = Buffer.data() + Begin;
    if (!lineStart || !Within(lineStart, start, Buffer.data() + End))
        return false;
    const void* last = memrchr(start, '\n', static_cast<std::size_t>(lineStart - start));
    if (!last)
        return false;
    const char* lastLf = static_cast<const char*>(last);
    // Lines passed one run after another are counted together, when a number is needed.
    if (Uncounted && UncountedTo + 1 != Begin)
        CountPassedLines();
    if (!Uncounted)
        UncountedFrom = Begin;
    UncountedTo = static_cast<std::size_t>(lastLf - Buffer.data());
    Uncounted = true;
    LastEnd = lastLf > start && lastLf[-1] == '\r' ? LineEnd::CRLF : LineEnd::LF;
    Begin = UncountedTo + 1;
    MaskValid = false;
    Piece = 0;
    return true;
}

int TOpenFile::SkipLinesBefore(const char* lineStart)
{
    const int64_t before = LineNumber();
    if (!PassLinesBefore(lineStart))
        return 0;
    return static_cast<int>(LineNumber() - before);
}

bool TOpenFile::Flush()
{
    if (!Opened || !Writing)
        return false;
    const char* data = Buffer.data();
    std::size_t left = End;
    while (left > 0 && !WriteFailed) {
        const ssize_t done = ::write(Fd, data, left);
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0) {
            WriteFailed = true;
            break;
        }
        data += done;
        left -= static_cast<std::size_t>(done);
    }
    End = 0;
    return !WriteFailed;
}

bool TOpenFile::WriteText(std::string_view text)
{
    if (!Opened || !Writing || WriteFailed)
        return false;
    if (text.size() > Buffer.size() - End) {
        if (!Flush())
            return false;
        if (text.size() >= Buffer.size()) {
            // Too big to buffer: write it straight through.
            std::size_t left = text.size();
            const char* data = text.data();
            while (left > 0) {
                const ssize_t done = ::write(Fd, data, left);
                if (done < 0 && errno == EINTR)
                    continue;
                if (done <= 0) {
                    WriteFailed = true;
                    return false;
                }
                data += done;
                left -= static_cast<std::size_t>(done);
            }
            return true;
        }
    }
    std::memcpy(Buffer.data() + End, text.data(), text.size());
    End += text.size();
    return true;
}

bool TOpenFile::WriteLine(std::string_view text)
{
    const bool wrote = WriteText(text);
    return WriteText("\n") && wrote;
}

bool TOpenFile::CloseFile()
{
    if (Fd < 0) {
        // A file that never opened: nothing was written, so a writer reports failure.
        Reset();
        return false;
    }
    bool ok = true;
    if (Writing) {
        ok = Flush();
        // A failed close can be the first report of a write that did not reach the disk (on
        // network file systems); even an interrupted close leaves that unknown, so it counts
        // as a failure.
        if (::close(Fd) != 0)
            ok = false;
    } else {
        ::close(Fd);
    }
    Reset();
    return ok;
}
