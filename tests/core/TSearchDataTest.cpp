// SPDX-License-Identifier: MIT
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "TestDir.h"
#include "model/TDateFormat.h"
#include "model/TIniText.h"
#include "model/TProfile.h"
#include "model/TSearchData.h"

namespace {

using Strings = std::vector<std::string>;

// Parameter files are written and read with a fixed day/month/year format here, whatever the
// locale of the machine running the tests.
class TSearchDataTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Saved = TDateFormat::Program();
        TDateFormat::SetProgram(TDateFormat(TDateFormat::Order::DayMonthYear, '/'));
        Profile.FileName = Dir.PathOf("test.par");
    }
    void TearDown() override { TDateFormat::SetProgram(Saved); }

    TSearchData Load(const std::string& content)
    {
        Dir.WriteFile("test.par", content);
        TSearchData data;
        data.LoadFromProfile(Profile);
        return data;
    }

    static TSearchData Populated()
    {
        TSearchData data;
        data.SearchMode = 2;
        data.TextFileFormat = 1;
        data.SearchString = "needle (x|y)";
        data.FileSpecs = {"*.txt", "my docs*.c", "*.h"};
        data.Folders = {"/src", "/home/me/My Files"};
        data.ShowLog = data.CountFilesFirst = data.MatchCase = data.WholeWordsOnly = true;
        data.RecurseSubdirs = data.StopAfterFirstMatch = data.SkipTextFiles = data.SkipBinaryFiles = true;
        data.SkipUnderscoreDirs = data.SearchZIPs = data.Invert = true;
        data.DateFilterMode = 3;
        data.MinDate = TDateTime::FromYMD(2021, 2, 28);
        data.MaxDate = TDateTime::FromYMD(2024, 12, 31);
        data.GreaterThanDays = 30;
        data.LessThanDays = 3;
        data.SizeFilterMode = 2;
        data.FieldNumber = 4;
        data.FieldStart = 10;
        data.FieldWidth = 20;
        data.MinSize = 11;
        data.MaxSize = 22;
        data.LessThanSize = 33;
        data.GreaterThanSize = -44;
        data.SeparatorChar = "Tab";
        return data;
    }

    static void ExpectSame(const TSearchData& a, const TSearchData& b)
    {
        EXPECT_EQ(a.SearchMode, b.SearchMode);
        EXPECT_EQ(a.TextFileFormat, b.TextFileFormat);
        EXPECT_EQ(a.SearchString, b.SearchString);
        EXPECT_EQ(a.FileSpecs, b.FileSpecs);
        EXPECT_EQ(a.Folders, b.Folders);
        EXPECT_EQ(a.ShowLog, b.ShowLog);
        EXPECT_EQ(a.CountFilesFirst, b.CountFilesFirst);
        EXPECT_EQ(a.MatchCase, b.MatchCase);
        EXPECT_EQ(a.WholeWordsOnly, b.WholeWordsOnly);
        EXPECT_EQ(a.RecurseSubdirs, b.RecurseSubdirs);
        EXPECT_EQ(a.StopAfterFirstMatch, b.StopAfterFirstMatch);
        EXPECT_EQ(a.SkipTextFiles, b.SkipTextFiles);
        EXPECT_EQ(a.SkipBinaryFiles, b.SkipBinaryFiles);
        EXPECT_EQ(a.SkipUnderscoreDirs, b.SkipUnderscoreDirs);
        EXPECT_EQ(a.SearchZIPs, b.SearchZIPs);
        EXPECT_EQ(a.Invert, b.Invert);
        EXPECT_EQ(a.DateFilterMode, b.DateFilterMode);
        EXPECT_EQ(a.MinDate.Value(), b.MinDate.Value());
        EXPECT_EQ(a.MaxDate.Value(), b.MaxDate.Value());
        EXPECT_EQ(a.GreaterThanDays, b.GreaterThanDays);
        EXPECT_EQ(a.LessThanDays, b.LessThanDays);
        EXPECT_EQ(a.SizeFilterMode, b.SizeFilterMode);
        EXPECT_EQ(a.FieldNumber, b.FieldNumber);
        EXPECT_EQ(a.FieldStart, b.FieldStart);
        EXPECT_EQ(a.FieldWidth, b.FieldWidth);
        EXPECT_EQ(a.MinSize, b.MinSize);
        EXPECT_EQ(a.MaxSize, b.MaxSize);
        EXPECT_EQ(a.LessThanSize, b.LessThanSize);
        EXPECT_EQ(a.GreaterThanSize, b.GreaterThanSize);
        EXPECT_EQ(a.SeparatorChar, b.SeparatorChar);
    }

    // What a file without any key of ours loads as.
    static TSearchData ReadDefaults()
    {
        TSearchData data;
        data.SearchString = "Not specified";
        data.CountFilesFirst = true;
        data.RecurseSubdirs = true;
        data.MinDate = data.MaxDate = TDateTime::Today();
        data.GreaterThanDays = data.LessThanDays = 7;
        data.FieldNumber = data.FieldStart = 1;
        data.FieldWidth = 100;
        data.MinSize = 1000;
        data.MaxSize = 100000;
        data.LessThanSize = 1000;
        data.GreaterThanSize = 100000;
        data.SeparatorChar = ",";
        return data;
    }

    TestDir Dir;
    TProfile Profile;
    TDateFormat Saved;
};

TEST_F(TSearchDataTest, CreatedEmpty)
{
    const TSearchData data;
    EXPECT_TRUE(data.FileSpecs.empty());
    EXPECT_TRUE(data.Folders.empty());
    EXPECT_EQ(data.SearchString, "");
    EXPECT_FALSE(data.CountFilesFirst);
    EXPECT_EQ(data.FieldWidth, 0);
}

TEST_F(TSearchDataTest, MissingFileAndBadFilesLoadTheReadDefaults)
{
    const TSearchData defaults = ReadDefaults();
    {
        SCOPED_TRACE("no file");
        TSearchData data;
        data.FileSpecs = {"old"};
        data.LoadFromProfile(Profile);
        ExpectSame(data, defaults);
    }
    using namespace std::string_literals;
    const std::string badFiles[] = {
        "",
        "garbage without any structure\n\x01\x02\x03\xff\xfe\n=\n==\n[\n]\n",
        "\0\0\0[General Search Parameters\0]\0Search String=x\0"s,
        "[Other Section]\nSearch String=x\nMatch Case=1\n",
        "[General Search Parameters]\nno equals sign here\n\"Search String=unterminated\n",
        "[General Search Parameters]\r\n\r\n[Active File Specifications]\r\n0=\r\n",
    };
    for (const std::string& content : badFiles) {
        SCOPED_TRACE(content);
        ExpectSame(Load(content), defaults);
    }
}

TEST_F(TSearchDataTest, ValuesReadByTheirRules)
{
    struct Case {
        const char* Name;
        const char* General; // lines of section "General Search Parameters"
        std::function<void(const TSearchData&)> Check;
    };
    const TDateTime today = TDateTime::Today();
    const Case cases[] = {
        {"empty search string is not the default", "Search String=\n",
         [](const TSearchData& d) { EXPECT_EQ(d.SearchString, ""); }},
        {"blanks and quotes around the search string go", "Search String=  \"  a b \"  \n",
         [](const TSearchData& d) { EXPECT_EQ(d.SearchString, "  a b "); }},
        {"empty flag is false even where the default is true", "Count Files First=\n",
         [](const TSearchData& d) { EXPECT_FALSE(d.CountFilesFirst); EXPECT_TRUE(d.RecurseSubdirs); }},
        {"yes, TRUE and 1 are true; on is not", "Match Case=yes\nWhole Words Only=TRUE\nInvert=1\nShow Log=on\n",
         [](const TSearchData& d) {
             EXPECT_TRUE(d.MatchCase);
             EXPECT_TRUE(d.WholeWordsOnly);
             EXPECT_TRUE(d.Invert);
             EXPECT_FALSE(d.ShowLog);
         }},
        {"a number written True reads as 1", "Field Width=True\nField Start=x\nField Number=\n",
         [](const TSearchData& d) { EXPECT_EQ(d.FieldWidth, 1); EXPECT_EQ(d.FieldStart, 0); EXPECT_EQ(d.FieldNumber, 0); }},
        {"modes keep the low 8 bits", "Search Mode=258\nText File Format=-1\nSize Filter Mode=256\n",
         [](const TSearchData& d) {
             EXPECT_EQ(d.SearchMode, 2);
             EXPECT_EQ(d.TextFileFormat, 255);
             EXPECT_EQ(d.SizeFilterMode, 0);
         }},
        {"duplicate keys: the first wins", "Max Size=5\nMax Size=6\n",
         [](const TSearchData& d) { EXPECT_EQ(d.MaxSize, 5); }},
        {"both dates read", "Min Date=01/02/2020\nMax Date=\"31/12/2023\"\n",
         [](const TSearchData& d) {
             EXPECT_EQ(d.MinDate, TDateTime::FromYMD(2020, 2, 1));
             EXPECT_EQ(d.MaxDate, TDateTime::FromYMD(2023, 12, 31));
         }},
        {"an empty date is today, the other one stays", "Min Date=01/02/2020\nMax Date=\n",
         [today](const TSearchData& d) {
             EXPECT_EQ(d.MinDate, TDateTime::FromYMD(2020, 2, 1));
             EXPECT_EQ(d.MaxDate, today);
         }},
        {"a bad Min Date makes both dates today", "Min Date=31/02/2020\nMax Date=31/12/2023\n",
         [today](const TSearchData& d) { EXPECT_EQ(d.MinDate, today); EXPECT_EQ(d.MaxDate, today); }},
        {"a bad Max Date makes both dates today", "Min Date=01/02/2020\nMax Date=soon\n",
         [today](const TSearchData& d) { EXPECT_EQ(d.MinDate, today); EXPECT_EQ(d.MaxDate, today); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        c.Check(Load(std::string("[General Search Parameters]\n") + c.General));
    }
}

TEST_F(TSearchDataTest, ListsStopAtTheFirstMissingOrEmptyKey)
{
    struct Case {
        const char* Section;
        Strings Expected;
    };
    const Case cases[] = {
        {"0=*.txt\n1=\"*.c\"\n3=*.h\n", {"*.txt", "*.c"}},
        {"1=*.c\n", {}},
        {"0=a\n1=\n2=b\n", {"a"}},
        {"0=a\n2=c\n1=b\n", {"a", "b", "c"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Section);
        const TSearchData data = Load(std::string("[Active File Specifications]\n") + c.Section +
                                      "[Active Directory Specifications]\n" + c.Section);
        EXPECT_EQ(data.FileSpecs, c.Expected);
        EXPECT_EQ(data.Folders, c.Expected);
    }
}

// Bytes this process has read from files so far (the kernel's count), or -1 when unknown.
long long BytesReadSoFar()
{
    std::ifstream io("/proc/self/io");
    std::string name;
    long long value = 0;
    while (io >> name >> value)
        if (name == "rchar:")
            return value;
    return -1;
}

// A load reads the file once however many list items it holds, not once per item.
TEST_F(TSearchDataTest, ALoadReadsTheFileOnce)
{
    const int items = 3000;
    std::string content = "[General Search Parameters]\nSearch String=many\n[Active File Specifications]\n";
    for (int i = 0; i < items; ++i)
        content += std::to_string(i) + "=*." + std::to_string(i) + "\n";
    Profile.FileName = Dir.WriteFile("many.par", content);
    if (BytesReadSoFar() < 0)
        GTEST_SKIP() << "the kernel does not count the bytes a process reads";

    TSearchData data;
    const long long before = BytesReadSoFar();
    data.LoadFromProfile(Profile);
    const long long read = BytesReadSoFar() - before;
    ASSERT_EQ(data.FileSpecs.size(), static_cast<std::size_t>(items));
    EXPECT_EQ(data.FileSpecs.back(), "*." + std::to_string(items - 1));
    EXPECT_EQ(data.SearchString, "many");
    EXPECT_LT(read, 2 * static_cast<long long>(content.size())) << "bytes read for a file of " << content.size();
}

TEST_F(TSearchDataTest, SavesEveryKeyInItsOrderAndForm)
{
    TSearchData data = Populated();
    data.MinDate = TDateTime::FromYMDHMS(2021, 2, 28, 23, 59, 0); // saved as its date alone
    data.FileSpecs = {"*.txt"};
    data.Folders = {};
    data.SaveToProfile(Profile);
    EXPECT_EQ(Dir.ReadFile("test.par"),
              "[General Search Parameters]\n"
              "Show Log=True\nSearch String=needle (x|y)\nMatch Case=True\nSkip Text Files=True\n"
              "Skip Binary Files=True\nSearch ZIPs=True\nSkip Underscore Dirs=True\nWhole Words Only=True\n"
              "Count Files First=True\nRecurse Subdirectories=True\nStop after first match=True\nInvert=True\n"
              "Search Mode=2\nText File Format=1\nDate Filter Mode=3\nMin Date=28/02/2021\nMax Date=31/12/2024\n"
              "Greater Than Days=30\nLess Than Days=3\nSize Filter Mode=2\nMin Size=11\nMax Size=22\n"
              "Less Than Size=33\nGreater Than Size=-44\nField Number=4\nField Start=10\nField Width=20\n"
              "Separator Char=Tab\n"
              "\n[Active File Specifications]\n0=*.txt\n");

    // Flags written False, and a second save over the first changes values in place.
    data = TSearchData();
    data.SaveToProfile(Profile);
    const std::string text = Dir.ReadFile("test.par");
    EXPECT_NE(text.find("\nShow Log=False\nSearch String=\nMatch Case=False\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nMin Date=30/12/1899\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\n[Active File Specifications]\n0=\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("[General Search Parameters]", 1), std::string::npos) << text;
}

TEST_F(TSearchDataTest, SaveThenLoadGivesTheSameData)
{
    TSearchData data = Populated();
    data.MaxDate = TDateTime::FromYMDHMS(2024, 12, 31, 12, 30, 0);
    data.SaveToProfile(Profile);
    TSearchData loaded;
    loaded.LoadFromProfile(Profile);
    TSearchData expected = Populated(); // the time of day is not stored
    ExpectSame(loaded, expected);

    // Saving into a file that holds other sections and lines keeps them.
    Dir.WriteFile("test.par", "; my notes\n[Mine]\nkeep=this\n");
    data.SaveToProfile(Profile);
    loaded = TSearchData();
    loaded.LoadFromProfile(Profile);
    ExpectSame(loaded, expected);
    EXPECT_EQ(Dir.ReadFile("test.par").rfind("; my notes\n[Mine]\nkeep=this\n\n[General Search Parameters]\n", 0), 0u);
}

TEST_F(TSearchDataTest, BlanksAndQuotesAroundTheSearchStringAreLostThroughAFile)
{
    const char* strings[] = {"  padded  ", "\"quoted\"", "'single'"};
    const char* expected[] = {"padded", "quoted", "single"};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(strings[i]);
        TSearchData data;
        data.SearchString = strings[i];
        data.SaveToProfile(Profile);
        TSearchData loaded;
        loaded.LoadFromProfile(Profile);
        EXPECT_EQ(loaded.SearchString, expected[i]);
    }
}

TEST_F(TSearchDataTest, AShorterListEmptiesTheKeysOfTheLongerOne)
{
    TSearchData data;
    data.FileSpecs = {"a", "b", "c", "d", "e"};
    data.SaveToProfile(Profile);
    data.FileSpecs = {"x", "y"};
    Profile.DefaultText = "left over"; // a default left in the profile must not fill the clean-up
    data.SaveToProfile(Profile);

    const std::string text = Dir.ReadFile("test.par");
    EXPECT_NE(text.find("\n[Active File Specifications]\n0=x\n1=y\n2=\n3=\n4=\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("5="), std::string::npos) << text;
    TSearchData loaded;
    loaded.LoadFromProfile(Profile);
    EXPECT_EQ(loaded.FileSpecs, (Strings{"x", "y"}));
    EXPECT_EQ(loaded.Folders, Strings{});
}

TEST_F(TSearchDataTest, ListTextQuotesItemsWithBlanks)
{
    TSearchData data;
    data.FileSpecs = {"*.txt", "my file.c"};
    data.Folders = {"/a b", "/c"};
    EXPECT_EQ(data.FileSpecsText(", "), "*.txt, \"my file.c\"");
    EXPECT_EQ(data.FoldersText(" "), "\"/a b\" /c");
    EXPECT_EQ(TSearchData().FileSpecsText(", "), "");
}

TEST(TSearchDataSplitList, SplitsByBlanksAndGroupsByQuotes)
{
    struct Case {
        const char* Text;
        Strings Expected;
    };
    const Case cases[] = {
        {"  *.txt    *.c   ", {"*.txt", "*.c"}},
        {"\t\n *.txt\r\n", {"*.txt"}},
        {"\"a b\" c", {"a b", "c"}},
        {"ab\"c d\"", {"abc d"}},
        {"\"\"", {""}},
        {"a \"\" b", {"a", "", "b"}},
        {"*.c;*.h,*.txt\tx", {"*.c;*.h,*.txt\tx"}},
        {"\"open quote stays", {"open quote stays"}},
        {"\"unclosed  ", {"unclosed"}},
        {"", {}},
        {"   ", {}},
        {"\xe4\xf6 \xc3\xa4", {"\xe4\xf6", "\xc3\xa4"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Text);
        Strings list;
        TSearchData::SplitList(c.Text, list);
        EXPECT_EQ(list, c.Expected);
    }
    // SplitList appends; SetFileSpecs and SetFolders replace.
    Strings list = {"kept"};
    TSearchData::SplitList("new", list);
    EXPECT_EQ(list, (Strings{"kept", "new"}));
    TSearchData data;
    data.FileSpecs = {"old"};
    data.Folders = {"old"};
    data.SetFileSpecs("*.c *.h");
    data.SetFolders("\"/my docs\"");
    EXPECT_EQ(data.FileSpecs, (Strings{"*.c", "*.h"}));
    EXPECT_EQ(data.Folders, (Strings{"/my docs"}));
}

TEST_F(TSearchDataTest, StoredKeysAreWhatASaveWritesIntoANewFile)
{
    TestDir dir;
    TSearchData data;
    data.SearchString = "needle";
    data.MatchCase = true;
    data.SearchMode = TSearchData::ModeQuick;
    data.MinSize = 17;
    data.MinDate = TDateTime::FromYMD(2024, 2, 29);
    data.FileSpecs = {"*.c", "*.h"};
    data.Folders = {"/src", "/a folder"};
    TProfile profile;
    profile.FileName = dir.PathOf("new.par");
    data.SaveToProfile(profile);
    const std::string content = dir.ReadFile("new.par");

    const std::vector<TSearchData::TStoredKey> keys = data.StoredKeys();
    ASSERT_EQ(keys.size(), 28u + 2u + 2u);
    std::size_t lines = 0;
    for (char c : content)
        lines += c == '=';
    EXPECT_EQ(keys.size(), lines);
    for (const TSearchData::TStoredKey& key : keys)
        EXPECT_EQ(TIniText::Read(content, key.Section, key.Key), key.Value) << key.Section << " / " << key.Key;
}

} // namespace
