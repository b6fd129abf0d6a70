#include <gtest/gtest.h>

#include "presentation/TTextDecoder.h"

namespace {

TEST(TTextDecoder, ValidUtf8StaysAndOtherBytesReadAsWindows1252)
{
    struct Case {
        std::string Bytes;
        std::string Expected;
    };
    const Case cases[] = {
        {"plain ascii", "plain ascii"},
        {"caf\xC3\xA9", "caf\xC3\xA9"},                         // UTF-8 e-acute kept
        {"caf\xE9", "caf\xC3\xA9"},                             // Latin-1 e-acute decoded
        {"\x80 euro", "\xE2\x82\xAC euro"},                     // 0x80 is the euro sign
        {"\x93quoted\x94", "\xE2\x80\x9Cquoted\xE2\x80\x9D"},
        {"\x81", "\xC2\x81"},                                   // undefined byte stands for itself
        {"\xC3", "\xC3\x83"},                                   // truncated sequence
        {"\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xE2\x82\xAC"},       // encoded surrogate is not UTF-8
        {"\xC0\xAF", "\xC3\x80\xC2\xAF"},                       // overlong form is not UTF-8
        {"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},               // four-byte sequence kept
        {std::string("a\0b", 3), std::string("a\0b", 3)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TTextDecoder::ToUtf8(c.Bytes), c.Expected) << c.Bytes;
}

} // namespace
