// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "TestZip.h"
#include "engine/TImplodeDecoder.h"
#include "engine/TZipBitReader.h"
#include "engine/TZipSink.h"

namespace {

using namespace TestZip;

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
std::string ImplodeSteps(const std::vector<Step>& steps, bool largeWindow, bool literalTree, std::string& expected)
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
        const std::string stream = ImplodeSteps(steps, v.LargeWindow, v.LiteralTree, expected);
        EXPECT_EQ(Explode(stream, expected.size(), v.LargeWindow, v.LiteralTree), expected);
        // A size inside the last match cuts it short.
        EXPECT_EQ(Explode(stream, expected.size() - 1, v.LargeWindow, v.LiteralTree), expected.substr(0, expected.size() - 1));
    }
}

TEST(TImplodeDecoder, DecodesWhatTheEncoderWrites)
{
    for (const bool largeWindow : {false, true}) {
        for (const bool literalTree : {false, true}) {
            SCOPED_TRACE(std::string(largeWindow ? "8K" : "4K") + (literalTree ? ", three trees" : ", two trees"));
            for (const Sample& sample : Samples()) {
                SCOPED_TRACE(sample.Name);
                const auto decoded = Explode(Implode(sample.Bytes, largeWindow, literalTree), sample.Bytes.size(), largeWindow, literalTree);
                ASSERT_TRUE(decoded.has_value());
                EXPECT_TRUE(*decoded == sample.Bytes) << decoded->size() << " bytes of " << sample.Bytes.size();
            }
        }
    }
}

// Trees need not use every code; a code that falls in the gap fails the member.
TEST(TImplodeDecoder, RefusesCodesNoTreeHolds)
{
    // With all lengths equal, value v has the highest code less v: codes with the top bit set stay
    // unused when the lengths are one bit longer than the values need.
    auto tree = [](unsigned values, unsigned length) {
        BitWriter w;
        w.Byte(static_cast<unsigned char>(values / 16 - 1));
        for (unsigned i = 0; i < values / 16; ++i)
            w.Byte(static_cast<unsigned char>(0xF0 | (length - 1)));
        return w.Bytes();
    };
    struct Case {
        const char* What;
        bool LiteralTree;
        std::string Trees;
        // Value and width in bits, written lowest bit first; with Code added to the width, a
        // tree code written top bit first.
        std::vector<std::pair<unsigned, unsigned>> Bits;
        uint64_t Size;
        std::optional<std::string> Expected;
    };
    constexpr unsigned Code = 0x100;
    auto stream = [&](const Case& c) {
        BitWriter w;
        for (auto [value, width] : c.Bits) {
            if (width & Code)
                w.Code(value, width & ~Code);
            else
                w.Put(value, width);
        }
        return c.Trees + w.Bytes();
    };
    const Case cases[] = {
        {"literal held", true, tree(256, 9) + tree(64, 6) + tree(64, 6), {{1, 1}, {255 - 'A', Code | 9}}, 1, "A"},
        {"literal in the gap", true, tree(256, 9) + tree(64, 6) + tree(64, 6), {{1, 1}, {0x1FF, Code | 9}}, 1, std::nullopt},
        {"distance held", false, tree(64, 6) + tree(64, 7), {{1, 1}, {'x', 8}, {0, 1}, {0, 6}, {63, Code | 7}, {63, Code | 6}}, 3, "xxx"},
        {"distance in the gap", false, tree(64, 6) + tree(64, 7), {{1, 1}, {'x', 8}, {0, 1}, {0, 6}, {0x7F, Code | 7}, {63, Code | 6}}, 3, std::nullopt},
        {"length in the gap", false, tree(64, 7) + tree(64, 6), {{1, 1}, {'x', 8}, {0, 1}, {0, 6}, {63, Code | 6}, {0x7F, Code | 7}}, 3, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        EXPECT_EQ(Explode(stream(c), c.Size, false, c.LiteralTree), c.Expected);
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
    const std::string member = FirstMemberData(ReadTestData("zip/zip2-legacy-implode.zip"));
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
