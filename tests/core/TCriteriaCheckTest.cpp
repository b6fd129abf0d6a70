// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/TCriteriaCheck.h"
#include "engine/TLineScanner.h"
#include "model/TSearchData.h"

namespace {

using TField = TCriteriaCheck::TField;
using TReason = TCriteriaCheck::TReason;

// The faults as text, one "field:reason[:error code]" each, blank-separated.
std::string Text(const std::vector<TCriteriaCheck::TFault>& faults)
{
    static const char* const fields[] = {"text", "specs", "folders", "kinds"};
    static const char* const reasons[] = {"missing", "pattern", "nothing"};
    std::string text;
    for (const TCriteriaCheck::TFault& fault : faults) {
        if (!text.empty())
            text += ' ';
        text += fields[static_cast<int>(fault.Field)];
        text += ':';
        text += reasons[static_cast<int>(fault.Reason)];
        if (fault.PatternError != 0)
            text += ':' + std::to_string(fault.PatternError);
    }
    return text;
}

TCriteriaCheck::TEntries Entries(std::string_view text, uint8_t mode = TSearchData::ModeNormal, bool matchCase = false)
{
    TCriteriaCheck::TEntries entries;
    entries.SearchString = text;
    entries.SearchMode = mode;
    entries.MatchCase = matchCase;
    return entries;
}

} // namespace

TEST(TCriteriaCheck, FaultsComeInTheirOrderOnePerField)
{
    struct Case {
        const char* Name;
        TCriteriaCheck::TEntries Entries;
        std::string Faults;
    };
    auto with = [](TCriteriaCheck::TEntries entries, bool specs, bool folders, bool skipText, bool skipBinary) {
        entries.HasFileSpecs = specs;
        entries.HasFolders = folders;
        entries.SkipTextFiles = skipText;
        entries.SkipBinaryFiles = skipBinary;
        return entries;
    };
    const Case cases[] = {
        {"all given", Entries("needle"), ""},
        {"blanks are a search text", Entries("   "), ""},
        {"no text: the pattern is not compiled", Entries(""), "text:missing"},
        {"unbalanced (", Entries("a(b"), "text:pattern:6"},
        {"unbalanced [", Entries("[ab"), "text:pattern:10"},
        {"soundex takes a bad pattern", Entries("a(b", TSearchData::ModeSoundex), ""},
        {"quick takes a bad pattern", Entries("[ab", TSearchData::ModeQuick), ""},
        {"nothing given at all", with(Entries(""), false, false, true, true),
         "text:missing specs:missing folders:missing kinds:nothing"},
        {"bad pattern and no folders", with(Entries("a(b"), true, false, false, false), "text:pattern:6 folders:missing"},
        {"one kind skipped", with(Entries("x"), true, true, true, false), ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Text(TCriteriaCheck::Faults(c.Entries)), c.Faults) << c.Name;
}

TEST(TCriteriaCheck, PatternIsCheckedAsTheScanCompilesIt)
{
    // Folded, [Z-a] is [Z-A], which is no range, and [a-Z] is [A-Z], which is one.
    struct Case {
        const char* Pattern;
        bool MatchCase;
        int32_t Error;
    };
    const Case cases[] = {
        {"[Z-a]", false, 9}, {"[Z-a]", true, 0}, {"[a-Z]", false, 0},
        {"[a-Z]", true, 9},  {"a(b", false, 6},  {"[a-z]+", false, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TCriteriaCheck::PatternErrorCode(c.Pattern, TSearchData::ModeNormal, c.MatchCase), c.Error) << c.Pattern;
        TSearchData data;
        data.SearchString = c.Pattern;
        data.MatchCase = c.MatchCase;
        EXPECT_EQ(TCriteriaCheck::PatternErrorCode(c.Pattern, TSearchData::ModeNormal, c.MatchCase),
                  TLineScanner(data).PatternErrorCode())
            << c.Pattern;
    }
}

TEST(TCriteriaCheck, EntriesOfStoredCriteria)
{
    TSearchData data;
    data.SearchString = "[Z-a]";
    data.FileSpecs = {"*.txt"};
    data.SkipTextFiles = data.SkipBinaryFiles = true;
    EXPECT_EQ(Text(TCriteriaCheck::Faults(TCriteriaCheck::TEntries::Of(data))),
              "text:pattern:9 folders:missing kinds:nothing");
    data.MatchCase = true;
    data.Folders = {"/data"};
    data.SkipBinaryFiles = false;
    EXPECT_EQ(Text(TCriteriaCheck::Faults(TCriteriaCheck::TEntries::Of(data))), "");
}
