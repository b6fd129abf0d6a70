// SPDX-License-Identifier: MIT
#include "TestZip.h"

#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <numeric>
#include <queue>
#include <random>
#include <set>
#include <stdexcept>

namespace TestZip {

uint16_t DosDate(int year, int month, int day) { return static_cast<uint16_t>(((year - 1980) << 9) | (month << 5) | day); }
uint16_t DosTime(int hour, int minute, int second) { return static_cast<uint16_t>((hour << 11) | (minute << 5) | (second / 2)); }

uint32_t Crc32(std::string_view bytes)
{
    return static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}

void BitWriter::Put(uint32_t value, unsigned width)
{
    for (unsigned i = 0; i < width; ++i, ++Count) {
        if (Count % 8 == 0)
            Out += '\0';
        Out.back() = static_cast<char>(Out.back() | (((value >> i) & 1) << (Count % 8)));
    }
}

void BitWriter::Code(uint32_t code, unsigned width)
{
    for (unsigned i = width; i-- > 0;)
        Put((code >> i) & 1, 1);
}

std::string RawDeflate(std::string_view bytes)
{
    z_stream stream{};
    deflateInit2(&stream, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&stream, static_cast<uLong>(bytes.size())), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    stream.avail_in = static_cast<uInt>(bytes.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

// ---- Shrink ----

namespace {

// The encoder keeps the same table the decoder builds, step for step: after every code but the
// first, the decoder adds "previous string + first byte of this one" at the lowest free code, and
// a partial clear frees every entry of 257 and up that is no other entry's prefix.
//
// An entry added while its prefix code is free (the clear freed the previous code) has no string
// the encoder can know in advance, so it is marked unusable: it is never sent and never becomes a
// prefix, and only takes up its code until a clear frees it.
class ShrinkEncoder {
public:
    std::string Encode(std::string_view in, unsigned* clears);

private:
    static constexpr unsigned TableSize = 8192;
    static constexpr unsigned Control = 256;
    static constexpr unsigned FirstFree = 257;

    void Send(unsigned code);
    unsigned LowestFree() const { return Free.empty() ? TableSize : *Free.begin(); }
    bool Usable(int code) const { return code < 256 || IsUsable[static_cast<unsigned>(code)]; }
    void Assign(unsigned code, int parent, unsigned char suffix);
    // Frees the leaves; false when there were none.
    bool PartialClear();

    BitWriter Out;
    unsigned CodeSize = 9;
    std::vector<int> Parent = std::vector<int>(TableSize, -1);
    std::vector<unsigned char> Suffix = std::vector<unsigned char>(TableSize, 0);
    std::vector<int> Children = std::vector<int>(TableSize, 0);
    std::vector<bool> IsUsable = std::vector<bool>(TableSize, false);
    // Usable entries by (prefix code, last byte).
    std::vector<int> Lookup = std::vector<int>(TableSize * 256, -1);
    std::set<unsigned> Free;
};

void ShrinkEncoder::Send(unsigned code)
{
    while (code >= (1u << CodeSize)) {
        Out.Put(Control, CodeSize);
        Out.Put(1, CodeSize);
        ++CodeSize;
    }
    Out.Put(code, CodeSize);
}

void ShrinkEncoder::Assign(unsigned code, int parent, unsigned char suffix)
{
    Parent[code] = parent;
    Suffix[code] = suffix;
    ++Children[static_cast<unsigned>(parent)];
    Free.erase(code);
    IsUsable[code] = Usable(parent);
    const std::size_t key = static_cast<std::size_t>(parent) * 256 + suffix;
    if (IsUsable[code] && Lookup[key] < 0)
        Lookup[key] = static_cast<int>(code);
}

bool ShrinkEncoder::PartialClear()
{
    std::vector<unsigned> leaves;
    for (unsigned code = FirstFree; code < TableSize; ++code) {
        if (Parent[code] >= 0 && Children[code] == 0)
            leaves.push_back(code);
    }
    for (unsigned code : leaves) {
        const unsigned parent = static_cast<unsigned>(Parent[code]);
        --Children[parent];
        const std::size_t key = std::size_t{parent} * 256 + Suffix[code];
        if (Lookup[key] == static_cast<int>(code))
            Lookup[key] = -1;
        Parent[code] = -1;
        IsUsable[code] = false;
        Free.insert(code);
    }
    return !leaves.empty();
}

std::string ShrinkEncoder::Encode(std::string_view in, unsigned* clears)
{
    for (unsigned code = FirstFree; code < TableSize; ++code)
        Free.insert(code);
    unsigned clearCount = 0;
    bool mayClear = true;
    int previous = -1;
    std::size_t previousStart = 0, previousLength = 0;
    for (std::size_t pos = 0; pos < in.size();) {
        unsigned code = static_cast<unsigned char>(in[pos]);
        std::size_t length = 1;
        for (int next; pos + length < in.size() &&
                       (next = Lookup[std::size_t{code} * 256 + static_cast<unsigned char>(in[pos + length])]) >= 0;
             ++length)
            code = static_cast<unsigned>(next);
        // The entry this step defines, the previous string plus its own first byte, may be sent
        // already: the decoder works out its last byte from the previous string.
        const unsigned defined = LowestFree();
        if (previous >= 0 && Usable(previous) && defined < TableSize && previousLength + 1 > length &&
            pos + previousLength < in.size() && in.substr(pos, previousLength) == in.substr(previousStart, previousLength) &&
            in[pos + previousLength] == in[pos]) {
            code = defined;
            length = previousLength + 1;
        }
        Send(code);
        if (previous >= 0 && defined < TableSize)
            Assign(defined, previous, static_cast<unsigned char>(in[pos]));
        previous = static_cast<int>(code);
        previousStart = pos;
        previousLength = length;
        pos += length;
        if (LowestFree() == TableSize && mayClear && pos < in.size()) {
            Send(Control);
            Out.Put(2, CodeSize);
            ++clearCount;
            mayClear = PartialClear();
        }
    }
    if (clears)
        *clears = clearCount;
    return Out.Bytes();
}

// ---- Implode ----

// Code lengths (1 to 16 bits) for every value, shorter for the frequent ones: Huffman's, with
// the counts flattened until no code is longer than 16 bits. Values never used still get a code,
// as the stored tree lists every value.
std::vector<unsigned> CodeLengths(std::vector<uint64_t> counts)
{
    for (;;) {
        struct Node {
            uint64_t Weight;
            int Parent;
        };
        std::vector<Node> nodes;
        using Entry = std::pair<uint64_t, int>;
        std::priority_queue<Entry, std::vector<Entry>, std::greater<>> queue;
        for (uint64_t count : counts) {
            queue.push({count + 1, static_cast<int>(nodes.size())});
            nodes.push_back({count + 1, -1});
        }
        while (queue.size() > 1) {
            const Entry a = queue.top();
            queue.pop();
            const Entry b = queue.top();
            queue.pop();
            const int joined = static_cast<int>(nodes.size());
            nodes.push_back({a.first + b.first, -1});
            nodes[static_cast<std::size_t>(a.second)].Parent = joined;
            nodes[static_cast<std::size_t>(b.second)].Parent = joined;
            queue.push({a.first + b.first, joined});
        }
        std::vector<unsigned> lengths(counts.size());
        for (std::size_t value = 0; value < counts.size(); ++value) {
            for (int node = static_cast<int>(value); nodes[static_cast<std::size_t>(node)].Parent >= 0;
                 node = nodes[static_cast<std::size_t>(node)].Parent)
                ++lengths[value];
        }
        if (*std::max_element(lengths.begin(), lengths.end()) <= 16)
            return lengths;
        for (uint64_t& count : counts)
            count /= 2;
    }
}

// The codes of the stored tree format: values ordered by length, ties by value; the last of that
// order gets code 0 and each one before it the code after, counted in units of its own length.
std::vector<uint32_t> TreeCodes(const std::vector<unsigned>& lengths)
{
    std::vector<unsigned> order(lengths.size());
    std::iota(order.begin(), order.end(), 0u);
    std::stable_sort(order.begin(), order.end(), [&](unsigned a, unsigned b) { return lengths[a] < lengths[b]; });
    std::vector<uint32_t> codes(lengths.size());
    uint32_t code = 0, step = 0;
    unsigned last = 0;
    for (std::size_t i = order.size(); i-- > 0;) {
        code += step;
        const unsigned length = lengths[order[i]];
        if (length != last) {
            last = length;
            step = 1u << (16 - length);
        }
        codes[order[i]] = code >> (16 - length);
    }
    return codes;
}

// Runs of equal lengths, at most 16 values a byte, behind a byte holding the byte count less one.
void WriteTree(BitWriter& out, const std::vector<unsigned>& lengths)
{
    std::string runs;
    for (std::size_t i = 0; i < lengths.size();) {
        std::size_t run = 1;
        while (run < 16 && i + run < lengths.size() && lengths[i + run] == lengths[i])
            ++run;
        runs += static_cast<char>(((run - 1) << 4) | (lengths[i] - 1));
        i += run;
    }
    out.Byte(static_cast<unsigned char>(runs.size() - 1));
    for (char c : runs)
        out.Byte(static_cast<unsigned char>(c));
}

struct Token {
    unsigned char Literal = 0;
    unsigned Distance = 0;  // 0: a literal
    unsigned Length = 0;
};

std::vector<Token> FindMatches(std::string_view in, unsigned window, unsigned minMatch, unsigned maxMatch)
{
    constexpr unsigned HashBits = 16;
    constexpr unsigned MaxChain = 64;
    auto hash = [&](std::size_t at) {
        uint32_t h = 0;
        for (unsigned i = 0; i < minMatch; ++i)
            h = h * 0x9E3779B1u + static_cast<unsigned char>(in[at + i]);
        return (h * 0x9E3779B1u) >> (32 - HashBits);
    };
    std::vector<long> head(1u << HashBits, -1), chain(in.size(), -1);
    auto insert = [&](std::size_t at) {
        if (at + minMatch <= in.size()) {
            const uint32_t h = hash(at);
            chain[at] = head[h];
            head[h] = static_cast<long>(at);
        }
    };
    std::vector<Token> tokens;
    for (std::size_t pos = 0; pos < in.size();) {
        std::size_t bestLength = 0, bestDistance = 0;
        if (pos + minMatch <= in.size()) {
            const std::size_t limit = std::min<std::size_t>(maxMatch, in.size() - pos);
            long candidate = head[hash(pos)];
            for (unsigned steps = 0; candidate >= 0 && pos - static_cast<std::size_t>(candidate) <= window && steps < MaxChain;
                 ++steps, candidate = chain[static_cast<std::size_t>(candidate)]) {
                const std::size_t from = static_cast<std::size_t>(candidate);
                std::size_t length = 0;
                while (length < limit && in[from + length] == in[pos + length])
                    ++length;
                if (length > bestLength) {
                    bestLength = length;
                    bestDistance = pos - from;
                }
            }
        }
        if (bestLength >= minMatch) {
            tokens.push_back({0, static_cast<unsigned>(bestDistance), static_cast<unsigned>(bestLength)});
            for (std::size_t i = 0; i < bestLength; ++i)
                insert(pos + i);
            pos += bestLength;
        } else {
            tokens.push_back({static_cast<unsigned char>(in[pos]), 0, 0});
            insert(pos++);
        }
    }
    return tokens;
}

} // namespace

std::string Shrink(std::string_view bytes, unsigned* clears)
{
    return ShrinkEncoder().Encode(bytes, clears);
}

std::string Implode(std::string_view bytes, bool largeWindow, bool literalTree)
{
    const unsigned lowBits = largeWindow ? 7 : 6;
    const unsigned minMatch = literalTree ? 3 : 2;
    const std::vector<Token> tokens = FindMatches(bytes, 64u << lowBits, minMatch, minMatch + 63 + 255);

    std::vector<uint64_t> literalCounts(256), lengthCounts(64), distanceCounts(64);
    for (const Token& t : tokens) {
        if (t.Distance == 0) {
            ++literalCounts[t.Literal];
        } else {
            ++lengthCounts[std::min(t.Length - minMatch, 63u)];
            ++distanceCounts[(t.Distance - 1) >> lowBits];
        }
    }
    const std::vector<unsigned> literalLengths = CodeLengths(literalCounts);
    const std::vector<unsigned> lengthLengths = CodeLengths(lengthCounts);
    const std::vector<unsigned> distanceLengths = CodeLengths(distanceCounts);
    const std::vector<uint32_t> literalCodes = TreeCodes(literalLengths);
    const std::vector<uint32_t> lengthCodes = TreeCodes(lengthLengths);
    const std::vector<uint32_t> distanceCodes = TreeCodes(distanceLengths);

    BitWriter out;
    if (literalTree)
        WriteTree(out, literalLengths);
    WriteTree(out, lengthLengths);
    WriteTree(out, distanceLengths);
    for (const Token& t : tokens) {
        if (t.Distance == 0) {
            out.Put(1, 1);
            if (literalTree)
                out.Code(literalCodes[t.Literal], literalLengths[t.Literal]);
            else
                out.Byte(t.Literal);
            continue;
        }
        const unsigned distance = t.Distance - 1;
        const unsigned high = distance >> lowBits;
        const unsigned length = std::min(t.Length - minMatch, 63u);
        out.Put(0, 1);
        out.Put(distance & ((1u << lowBits) - 1), lowBits);
        out.Code(distanceCodes[high], distanceLengths[high]);
        out.Code(lengthCodes[length], lengthLengths[length]);
        if (length == 63)
            out.Byte(static_cast<unsigned char>(t.Length - minMatch - 63));
    }
    return out.Bytes();
}

// ---- Archives ----

namespace {
void Put16(std::string& out, uint32_t v)
{
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& out, uint32_t v)
{
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}
void Put64(std::string& out, uint64_t v)
{
    Put32(out, static_cast<uint32_t>(v));
    Put32(out, static_cast<uint32_t>(v >> 32));
}
uint32_t Get(std::string_view bytes, std::size_t at, int width)
{
    uint32_t v = 0;
    for (int i = width - 1; i >= 0; --i)
        v = (v << 8) | static_cast<unsigned char>(bytes.at(at + static_cast<std::size_t>(i)));
    return v;
}
} // namespace

std::string MemberData(const Member& m)
{
    if (m.Data)
        return *m.Data;
    switch (m.Method) {
    case Stored:
        return m.Content;
    case Shrunk:
        return Shrink(m.Content);
    case Imploded:
        return Implode(m.Content, (m.Flags & LargeWindowFlag) != 0, (m.Flags & LiteralTreeFlag) != 0);
    case Deflated:
        return RawDeflate(m.Content);
    default:
        throw std::invalid_argument("a member of method " + std::to_string(m.Method) + " needs its Data");
    }
}

std::string BuildZip(const std::vector<Member>& members, std::string_view comment, bool zip64End)
{
    constexpr uint32_t Marker = 0xFFFFFFFF;
    std::string out, directory;
    for (const Member& m : members) {
        const std::string data = MemberData(m);
        const uint32_t crc = m.Crc ? *m.Crc : Crc32(m.Content);
        const uint32_t size = m.Size ? *m.Size : static_cast<uint32_t>(m.Content.size());
        const uint64_t offset = out.size();
        // A ZIP64 member marks its 32-bit fields and keeps the values in the extra field: in the
        // local header both sizes, in the directory the sizes and the header's offset.
        std::string localExtra, directoryExtra;
        if (m.Zip64) {
            std::string values;
            Put64(values, size);
            Put64(values, data.size());
            Put16(localExtra, 0x0001);
            Put16(localExtra, static_cast<uint32_t>(values.size()));
            localExtra += values;
            Put64(values, offset);
            Put16(directoryExtra, 0x0001);
            Put16(directoryExtra, static_cast<uint32_t>(values.size()));
            directoryExtra += values;
        }
        auto common = [&](std::string& s, const std::string& extra) {
            Put16(s, m.Zip64 ? 45 : 20);
            Put16(s, m.Flags);
            Put16(s, m.Method);
            Put16(s, m.Time);
            Put16(s, m.Date);
            Put32(s, crc);
            Put32(s, m.Zip64 ? Marker : static_cast<uint32_t>(data.size()));
            Put32(s, m.Zip64 ? Marker : size);
            Put16(s, static_cast<uint32_t>(m.Name.size()));
            Put16(s, static_cast<uint32_t>(extra.size()));
        };
        Put32(out, 0x04034b50);
        common(out, localExtra);
        out += m.Name;
        out += localExtra;
        out += data;

        Put32(directory, 0x02014b50);
        Put16(directory, 20);
        common(directory, directoryExtra);
        Put16(directory, 0);  // comment
        Put16(directory, 0);  // disk
        Put16(directory, 0);  // internal attributes
        Put32(directory, 0);  // external attributes
        Put32(directory, m.Zip64 ? Marker : static_cast<uint32_t>(offset));
        directory += m.Name;
        directory += directoryExtra;
    }
    const uint64_t directoryOffset = out.size();
    out += directory;
    zip64End = zip64End || members.size() > 0xFFFF;
    if (zip64End) {
        const uint64_t recordOffset = out.size();
        Put32(out, 0x06064b50);
        Put64(out, 44);  // the size of the rest of the record
        Put16(out, 45);
        Put16(out, 45);
        Put32(out, 0);  // this disk
        Put32(out, 0);  // the directory's disk
        Put64(out, members.size());
        Put64(out, members.size());
        Put64(out, directory.size());
        Put64(out, directoryOffset);
        Put32(out, 0x07064b50);
        Put32(out, 0);
        Put64(out, recordOffset);
        Put32(out, 1);  // disks
    }
    const uint32_t entries = zip64End ? 0xFFFF : static_cast<uint32_t>(members.size());
    Put32(out, 0x06054b50);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, entries);
    Put16(out, entries);
    Put32(out, zip64End ? Marker : static_cast<uint32_t>(directory.size()));
    Put32(out, zip64End ? Marker : static_cast<uint32_t>(directoryOffset));
    Put16(out, static_cast<uint32_t>(comment.size()));
    out += comment;
    return out;
}

std::string FirstMemberData(std::string_view zip)
{
    const std::size_t start = 30 + Get(zip, 26, 2) + Get(zip, 28, 2);
    return std::string(zip.substr(start, Get(zip, 18, 4)));
}

const std::vector<Sample>& Samples()
{
    static const std::vector<Sample> samples = [] {
        std::mt19937 random(20240611);
        // Bytes of any value, or only the first `alphabet` letters.
        auto randomBytes = [&](std::size_t size, unsigned alphabet) {
            const unsigned base = alphabet == 256 ? 0 : 'a';
            std::string bytes(size, '\0');
            for (char& c : bytes)
                c = static_cast<char>(base + random() % alphabet);
            return bytes;
        };
        std::string everyByte;
        for (int i = 0; i < 256; ++i)
            everyByte += static_cast<char>(i);
        std::string pattern;
        while (pattern.size() < 3000)
            pattern += "ab";
        const std::string runs = std::string(20000, 'a') + std::string(5000, '\0') + pattern + std::string(70000, 'z') + "end";
        static const char* const words[] = {"the",    "search", "finds",  "every", "line",   "in",   "a",
                                            "folder", "archive", "member", "of",   "text",   "with", "matches",
                                            "quarnel", "zip",    "file",   "date",  "filter", "and",  "results"};
        std::string text;
        while (text.size() < 60000) {
            const std::size_t count = 3 + random() % 12;
            for (std::size_t i = 0; i < count; ++i)
                text += std::string(i ? " " : "") + words[random() % std::size(words)];
            text += random() % 4 ? ".\n" : ".\r\n";
        }
        return std::vector<Sample>{
            {"empty", ""},
            {"one byte", "x"},
            {"every byte value", everyByte},
            {"long runs", runs},
            {"random 100", randomBytes(100, 256)},
            {"random 5000", randomBytes(5000, 256)},
            {"random 70000", randomBytes(70000, 256)},
            {"random 300000", randomBytes(300000, 256)},
            {"four letters 50000", randomBytes(50000, 4)},
            {"text", text},
        };
    }();
    return samples;
}

const std::string& SampleBytes(std::string_view name)
{
    for (const Sample& sample : Samples()) {
        if (sample.Name == name)
            return sample.Bytes;
    }
    throw std::invalid_argument("no sample named " + std::string(name));
}

std::string ReadTestData(const std::string& relative)
{
    const char* root = std::getenv("QUARNEL_TEST_DATA");
    if (!root)
        throw std::runtime_error("QUARNEL_TEST_DATA is not set (CTest sets it)");
    std::ifstream in(std::string(root) + "/" + relative, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read test data " + relative);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace TestZip
