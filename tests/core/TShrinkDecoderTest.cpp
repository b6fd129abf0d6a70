// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "TestZip.h"
#include "engine/TShrinkDecoder.h"
#include "engine/TZipBitReader.h"
#include "engine/TZipSink.h"

namespace {

using namespace TestZip;

// Codes of the given widths packed lowest bit first, as a shrunk stream holds them.
std::string Pack(const std::vector<std::pair<unsigned, unsigned>>& codes)
{
    BitWriter out;
    for (auto [code, width] : codes)
        out.Put(code, width);
    return out.Bytes();
}

std::optional<std::string> Unshrink(std::string_view stream, uint64_t size)
{
    std::string out;
    TZipSink sink([&](const char* data, std::size_t n) {
        out.append(data, n);
        return true;
    });
    TZipBitReader input(stream);
    TShrinkDecoder decoder;
    if (!decoder.Decode(input, size, sink))
        return std::nullopt;
    return out;
}

constexpr unsigned Control = 256;

TEST(TShrinkDecoder, DecodesCodesAsTheTableStands)
{
    struct Case {
        const char* What;
        std::vector<std::pair<unsigned, unsigned>> Codes;
        uint64_t Size;
        std::optional<std::string> Expected;  // none: the stream must be refused
    };
    const Case cases[] = {
        {"plain bytes", {{'a', 9}, {'b', 9}, {'c', 9}}, 3, "abc"},
        {"a code used in the step that defines it", {{'a', 9}, {257, 9}, {258, 9}}, 6, "aaaaaa"},
        // 257 = "ab", 258 = "ba", 259 = "abc". The clear frees the leaves 258 and 259 but keeps
        // 257, a prefix; 258 is given out again first ("cd"). Then the codes grow to 10 bits.
        {"partial clear and wider codes",
         {{'a', 9}, {'b', 9}, {257, 9}, {'c', 9}, {Control, 9}, {2, 9}, {'d', 9}, {258, 9}, {257, 9}, {Control, 9}, {1, 9}, {259, 10}, {'a', 10}},
         13, "ababcdcdabdca"},
        // The first clear frees the leaves 258 and 259; 257, whose only child went, is a leaf only
        // for the second one. The entry after that takes 257 again ("cd").
        {"a prefix is freed by the next clear",
         {{'a', 9}, {'b', 9}, {257, 9}, {'c', 9}, {Control, 9}, {2, 9}, {Control, 9}, {2, 9}, {'d', 9}, {257, 9}}, 8, "ababcdcd"},
        {"clears with nothing left to free", [] {
             std::vector<std::pair<unsigned, unsigned>> codes = {{'a', 9}};
             for (int i = 0; i < 1000; ++i) {
                 codes.push_back({Control, 9});
                 codes.push_back({2, 9});
             }
             codes.push_back({'b', 9});
             codes.push_back({257, 9});
             return codes;
         }(), 4, "abab"},
        // The clear frees 257-260 while the previous code is 259; the next entry (257) is then
        // 259's next string plus "e", which is fixed once 259 is given out as "fg".
        {"entry whose prefix was freed",
         {{'a', 9}, {'b', 9}, {'c', 9}, {'d', 9}, {259, 9}, {Control, 9}, {2, 9}, {'e', 9}, {'f', 9}, {'g', 9}, {257, 9}},
         12, "abcdcdefgfge"},
        // The same, but 257 is used while its freed prefix 259 is the code being defined.
        {"freed prefix defined by the same step",
         {{'a', 9}, {'b', 9}, {'c', 9}, {'d', 9}, {259, 9}, {Control, 9}, {2, 9}, {'e', 9}, {'f', 9}, {257, 9}, {259, 9}},
         13, "abcdcdefffeff"},
        {"output stops at the member's size", {{'a', 9}, {'b', 9}, {'c', 9}}, 2, "ab"},
        {"nothing to produce", {}, 0, ""},
        {"first code not a byte", {{257, 9}}, 5, std::nullopt},
        {"unknown control code", {{'a', 9}, {Control, 9}, {3, 9}, {'b', 9}}, 2, std::nullopt},
        {"codes wider than 13 bits",
         {{'a', 9}, {Control, 9}, {1, 9}, {Control, 10}, {1, 10}, {Control, 11}, {1, 11}, {Control, 12}, {1, 12}, {Control, 13}, {1, 13}, {'b', 13}},
         2, std::nullopt},
        {"code not defined yet", {{'a', 9}, {300, 9}}, 5, std::nullopt},
        // After the clear the previous code 257 is itself the lowest free code, so the next entry
        // would be its own prefix: using it must fail, not loop.
        {"entry that is its own prefix", {{'a', 9}, {'b', 9}, {257, 9}, {Control, 9}, {2, 9}, {'c', 9}, {257, 9}}, 10, std::nullopt},
        {"stream ends before the size", {{'a', 9}, {'b', 9}}, 10, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        EXPECT_EQ(Unshrink(Pack(c.Codes), c.Size), c.Expected);
    }
}

TEST(TShrinkDecoder, DecodesWhatTheEncoderWrites)
{
    unsigned clears = 0;
    for (const Sample& sample : Samples()) {
        SCOPED_TRACE(sample.Name);
        unsigned sampleClears = 0;
        const std::string stream = Shrink(sample.Bytes, &sampleClears);
        clears += sampleClears;
        const auto decoded = Unshrink(stream, sample.Bytes.size());
        ASSERT_TRUE(decoded.has_value());
        EXPECT_TRUE(*decoded == sample.Bytes) << decoded->size() << " bytes of " << sample.Bytes.size();
    }
    // The large random sample fills the code table over and over: partial clears, the reuse of
    // freed codes and entries whose prefix was freed are all on the way.
    EXPECT_GT(clears, 2u);
}

TEST(TShrinkDecoder, FailsCleanlyOnDamagedInput)
{
    const std::string member = FirstMemberData(ReadTestData("zip/zip2-legacy-shrink.zip"));
    ASSERT_TRUE(Unshrink(member, 1092).has_value());
    // Every shortened stream runs out before the member's size; the encoded text reaches 13-bit
    // codes and clears the table.
    const std::string& text = SampleBytes("text");
    struct Case {
        std::string Stream;
        uint64_t Size;
    };
    const Case whole[] = {{member, 1092}, {Shrink(text), text.size()}};
    for (const Case& c : whole) {
        for (std::size_t cut = 0; cut < c.Stream.size(); cut += 1 + c.Stream.size() / 150)
            EXPECT_FALSE(Unshrink(c.Stream.substr(0, cut), c.Size).has_value()) << cut;
    }

    // Random and bit-flipped streams may decode to anything or fail, but must end either way.
    unsigned state = 2024;
    auto next = [&] {
        state = state * 1103515245u + 12345u;
        return state >> 16;
    };
    for (int round = 0; round < 300; ++round) {
        std::string stream = round % 2 ? member : std::string(next() % 3000, '\0');
        for (char& c : stream)
            c = round % 2 ? static_cast<char>(next() % 50 == 0 ? c ^ static_cast<char>(1u << (next() % 8)) : c) : static_cast<char>(next());
        const auto result = Unshrink(stream, 1u << 20);
        if (result) {
            EXPECT_EQ(result->size(), 1u << 20);
        }
    }
}

} // namespace
