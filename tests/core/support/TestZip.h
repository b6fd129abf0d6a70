// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Writes ZIP archives for tests, with members stored, shrunk, imploded or deflated, so that each
// test states its archive in a few lines. The shrink and implode encoders exist only here: no
// tool at hand writes those methods any more.
namespace TestZip {

constexpr uint16_t Stored = 0;
constexpr uint16_t Shrunk = 1;
constexpr uint16_t Imploded = 6;
constexpr uint16_t Deflated = 8;
// General-purpose flags of an imploded member: 8 KB dictionary, literal tree.
constexpr uint16_t LargeWindowFlag = 2;
constexpr uint16_t LiteralTreeFlag = 4;

uint16_t DosDate(int year, int month, int day);
uint16_t DosTime(int hour, int minute, int second);
uint32_t Crc32(std::string_view bytes);

// Bits packed into bytes lowest bit first, the order of the shrink and implode formats.
class BitWriter {
public:
    // `width` bits of `value`, lowest first.
    void Put(uint32_t value, unsigned width);
    // A Shannon-Fano code of `width` bits, its top bit first.
    void Code(uint32_t code, unsigned width);
    void Byte(unsigned char byte) { Put(byte, 8); }
    // The bytes so far, the last one padded with zero bits.
    const std::string& Bytes() const { return Out; }

private:
    std::string Out;
    unsigned Count = 0;
};

// Raw DEFLATE (no zlib header), as a deflated member holds it.
std::string RawDeflate(std::string_view bytes);

// LZW with codes of 9 to 13 bits. Codes are widened by control code 256,1 when the next one needs
// it; when the table is full a partial clear (256,2) frees its leaves for reuse. `clears`, when
// given, receives how many clears the stream holds.
std::string Shrink(std::string_view bytes, unsigned* clears = nullptr);

// Greedy matches in a 4 KB or 8 KB dictionary, the lengths and distances (and, with the literal
// tree, the bytes) coded through Shannon-Fano trees built from their frequencies.
std::string Implode(std::string_view bytes, bool largeWindow, bool literalTree);

struct Member {
    std::string Name;
    std::string Content = {};
    // Stored, Shrunk, Imploded (with the options of Flags) and Deflated compress Content here;
    // any other method needs Data.
    uint16_t Method = Stored;
    uint16_t Flags = 0;
    std::optional<std::string> Data = std::nullopt;  // the member's bytes as stored, instead of Content compressed
    std::optional<uint32_t> Crc = std::nullopt;  // instead of Content's CRC-32
    std::optional<uint32_t> Size = std::nullopt;  // instead of Content's size
    uint16_t Date = DosDate(2021, 6, 15);
    uint16_t Time = DosTime(13, 45, 30);
    // Sizes and header offset kept in ZIP64 extra fields, their 32-bit fields marked 0xFFFFFFFF.
    bool Zip64 = false;
};

// Content compressed by the member's method (Data when given).
std::string MemberData(const Member& member);
// With `zip64End` (and always for more than 65,535 members) the directory is described by a
// ZIP64 end record and its locator, the plain end record's fields marked as kept there.
std::string BuildZip(const std::vector<Member>& members, std::string_view comment = {}, bool zip64End = false);
// The compressed bytes of the first member of an archive, read through its local header.
std::string FirstMemberData(std::string_view zip);

// Data of varied shape for round trips: empty, one byte, every byte value, long runs, random
// bytes of several sizes, text.
struct Sample {
    std::string Name;
    std::string Bytes;
};
const std::vector<Sample>& Samples();
// The bytes of the sample of that name.
const std::string& SampleBytes(std::string_view name);

// The bytes of a file under the test data folder (QUARNEL_TEST_DATA, which CTest sets).
std::string ReadTestData(const std::string& relative);

} // namespace TestZip
