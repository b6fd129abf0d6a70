// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <string>

#include "replace/TReplaceCsv.h"

namespace {

TEST(TReplaceCsvTest, QuotesEveryTextSoThatItStaysInItsField)
{
    struct Case {
        std::string Text;
        std::string Field;
    };
    const Case cases[] = {
        {"plain", "\"plain\""},
        {"", "\"\""},
        {"a,b", "\"a,b\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"two\r\nlines", "\"two\r\nlines\""},
        {"caf\xe9", "\"caf\xe9\""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TReplaceCsv::Field(c.Text), c.Field) << c.Text;
}

TEST(TReplaceCsvTest, WritesAHeaderAndARowPerChange)
{
    TReplaceJournal::TFileRecord first;
    first.Path = "/data/a,b.txt";
    first.Hits = {{3, 7, "old", "new"}, {12, 1, "x\"y", ""}};
    TReplaceJournal::TFileRecord second;
    second.Path = "/data/c.txt";
    second.Hits = {{1, 2, "o", "n"}};
    EXPECT_EQ(TReplaceCsv::Document({first, second}),
              "File,Line,Column,Old text,New text\n"
              "\"/data/a,b.txt\",3,7,\"old\",\"new\"\n"
              "\"/data/a,b.txt\",12,1,\"x\"\"y\",\"\"\n"
              "\"/data/c.txt\",1,2,\"o\",\"n\"\n");
}

} // namespace
