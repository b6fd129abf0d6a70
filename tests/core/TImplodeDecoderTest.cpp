#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "engine/TImplodeDecoder.h"
#include "engine/TZipBitReader.h"
#include "engine/TZipSink.h"

namespace {

class BitWriter {
public:
    // `width` bits of `value`, lowest first.
    void Put(unsigned value, unsigned width)
    {
        for (unsigned i = 0; i < width; ++i)
            Bit((value >> i) & 1);
    }
    // A tree code, its top bit first.
    void Code(unsigned code, unsigned width)
    {
        for (unsigned i = width; i-- > 0;)
            Bit((code >> i) & 1);
    }
    void Byte(unsigned char byte) { Put(byte, 8); }
    std::string Bytes() const { return Out; }

private:
    void Bit(unsigned bit)
    {
        if (Count % 8 == 0)
            Out += '\0';
        Out.back() = static_cast<char>(Out.back() | (bit << (Count % 8)));
        ++Count;
    }
    std::string Out;
    unsigned Count = 0;
};

std::optional<std::string> Explode(std::string_view stream, uint64_t size, bool largeWindow, bool literalTree)
{
    std::string out;
    TZipSink sink([&](const char* data, std::size_t n) {
        out.append(data, n);
        return true;
    });
    TZipBitReader input(stream);
    TImplodeDecoder decoder(largeWindow, literalTree);
    if (!decoder.Decode(input, size, sink))
        return std::nullopt;
    return out;
}

// One step of a hand-made stream: a literal, or a match of `Length` bytes `Distance` back.
struct Step {
    char Literal;
    unsigned Distance = 0;
    unsigned Length = 0;
};

// Writes `steps` with flat trees: every length and distance value 6 bits long and, with a literal
// tree, every byte 8 bits long. With equal lengths the codes run downwards, so value v has code
// 63 - v (255 - v for bytes). Also works out the output the steps stand for.
std::string Implode(const std::vector<Step>& steps, bool largeWindow, bool literalTree, std::string& expected)
{
    BitWriter w;
    if (literalTree) {
        w.Byte(15);
        for (int i = 0; i < 16; ++i)
            w.Byte(0xF7);  // 16 values of length 8
    }
    for (int tree = 0; tree < 2; ++tree) {
        w.Byte(3);
        for (int i = 0; i < 4; ++i)
            w.Byte(0xF5);  // 16 values of length 6
    }
    const unsigned lowBits = largeWindow ? 7 : 6;
    const unsigned minMatch = literalTree ? 3 : 2;
    expected.clear();
    for (const Step& s : steps) {
        if (s.Length == 0) {
            w.Put(1, 1);
            if (literalTree)
                w.Code(255 - static_cast<unsigned char>(s.Literal), 8);
            else
                w.Byte(static_cast<unsigned char>(s.Literal));
            expected += s.Literal;
            continue;
        }
        w.Put(0, 1);
        const unsigned d = s.Distance - 1;
        w.Put(d & ((1u << lowBits) - 1), lowBits);
        w.Code(63 - (d >> lowBits), 6);
        const unsigned length = s.Length - minMatch;
        w.Code(63 - std::min(length, 63u), 6);
        if (length >= 63)
            w.Byte(static_cast<unsigned char>(length - 63));
        for (unsigned i = 0; i < s.Length; ++i) {
            const std::size_t at = expected.size();
            expected += at >= s.Distance ? expected[at - s.Distance] : '\0';
        }
    }
    return w.Bytes();
}

std::string MemberData(const char* archive)
{
    const char* root = std::getenv("QUARNEL_TEST_DATA");
    EXPECT_NE(root, nullptr);
    std::ifstream in(std::string(root ? root : ".") + "/" + archive, std::ios::binary);
    const std::string zip((std::istreambuf_iterator<char>(in)), {});
    auto get = [&](std::size_t at, int width) {
        uint32_t v = 0;
        for (int i = width - 1; i >= 0; --i)
            v = (v << 8) | static_cast<unsigned char>(zip.at(at + static_cast<std::size_t>(i)));
        return v;
    };
    const std::size_t start = 30 + get(26, 2) + get(28, 2);
    return zip.substr(start, get(18, 4));
}

TEST(TImplodeDecoder, AllFourDictionaryAndTreeVariants)
{
    struct Case {
        bool LargeWindow;
        bool LiteralTree;
    };
    const Case variants[] = {{false, false}, {false, true}, {true, false}, {true, true}};
    for (const Case& v : variants) {
        SCOPED_TRACE(std::string(v.LargeWindow ? "8K" : "4K") + (v.LiteralTree ? ", three trees" : ", two trees"));
        const unsigned minMatch = v.LiteralTree ? 3 : 2;
        std::vector<Step> steps = {
            {.Literal = 0, .Distance = 5000, .Length = minMatch},  // before the start: zeros
            {.Literal = 'a'},
            {.Literal = 'b'},
            {.Literal = 0, .Distance = 2, .Length = minMatch + 3},  // overlapping copy
            {.Literal = 0, .Distance = 1, .Length = minMatch + 63 + 200},  // longest length code plus a byte
            {.Literal = '\xE9'},
            {.Literal = 0, .Distance = 200, .Length = minMatch + 62},  // needs the distance tree
        };
        if (v.LargeWindow)
            steps.push_back({.Literal = 0, .Distance = 8000, .Length = minMatch});
        else
            steps.push_back({.Literal = 0, .Distance = 4000, .Length = minMatch});
        std::string expected;
        const std::string stream = Implode(steps, v.LargeWindow, v.LiteralTree, expected);
        EXPECT_EQ(Explode(stream, expected.size(), v.LargeWindow, v.LiteralTree), expected);
        // A size inside the last match cuts it short.
        EXPECT_EQ(Explode(stream, expected.size() - 1, v.LargeWindow, v.LiteralTree), expected.substr(0, expected.size() - 1));
    }
}

TEST(TImplodeDecoder, RefusesMalformedTrees)
{
    struct Case {
        const char* What;
        std::string Trees;
    };
    const Case cases[] = {
        {"too few values", std::string("\x00\xF5", 2)},  // 16 values for a 64-value tree
        {"too many values", std::string("\x04\xF5\xF5\xF5\xF5\xF5", 6)},
        {"more codes than the lengths allow", std::string("\x03\xF0\xF0\xF0\xF0", 5)},  // 64 codes of 1 bit
        {"input ends inside a tree", std::string("\x03\xF5\xF5", 3)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        const std::string stream = c.Trees + c.Trees + std::string(64, '\x55');
        EXPECT_FALSE(Explode(stream, 10, false, false).has_value());
    }
}

TEST(TImplodeDecoder, FailsCleanlyOnDamagedInput)
{
    const std::string member = MemberData("zip/zip2-legacy-implode.zip");
    ASSERT_TRUE(Explode(member, 1092, true, true).has_value());
    for (std::size_t cut = 0; cut < member.size(); cut += 7)
        EXPECT_FALSE(Explode(member.substr(0, cut), 1092, true, true).has_value()) << cut;

    unsigned state = 77;
    auto next = [&] {
        state = state * 1103515245u + 12345u;
        return state >> 16;
    };
    for (int round = 0; round < 300; ++round) {
        std::string stream = round % 2 ? member : std::string(next() % 3000, '\0');
        for (char& c : stream)
            c = round % 2 ? static_cast<char>(next() % 50 == 0 ? c ^ static_cast<char>(1u << (next() % 8)) : c) : static_cast<char>(next());
        const auto result = Explode(stream, 1u << 20, (round & 2) != 0, (round & 4) != 0);
        if (result) {
            EXPECT_EQ(result->size(), 1u << 20);
        }
    }
}

} // namespace
