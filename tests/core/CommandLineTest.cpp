// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "model/TSearchData.h"

namespace {

using Strings = std::vector<std::string>;

const std::string CurrentFolder = "/home/me/work dir";

struct Parsed {
    int Result;
    std::string ParameterFile;
    TSearchData Data;
};

Parsed Parse(Strings arguments)
{
    arguments.insert(arguments.begin(), "quarnel32");
    Parsed parsed;
    parsed.ParameterFile = "stale";
    parsed.Result = parsed.Data.ParseCommandLine(arguments, parsed.ParameterFile, CurrentFolder);
    return parsed;
}

TEST(CommandLine, SearchTextFileSpecsAndFolder)
{
    struct Case {
        const char* Name;
        Strings Arguments;
        int Result;
        std::string SearchString;
        Strings FileSpecs;
        Strings Folders;
    };
    const std::string longText(300, 'p');
    const Case cases[] = {
        {"switch, text and specs search the current folder", {"/r", "hello", "*.txt"}, 3, "hello", {"*.txt"},
         {CurrentFolder}},
        {"quoted specs and a folder", {"hello", "*.c *.h", "/src"}, 3, "hello", {"*.c", "*.h"}, {"/src"}},
        {"specs keep their quoting", {"x", "\"my file.c\" *.h"}, 3, "x", {"my file.c", "*.h"}, {CurrentFolder}},
        {"only the last switch may stand before the text", {"/c", "/m", "text", "*.txt"}, 3, "/m", {"text"}, {"*.txt"}},
        {"the pair check runs again after a search was taken", {"/c", "a", "b", "c", "d"}, 3, "c", {"d"},
         {CurrentFolder}},
        {"a lone text is no search", {"hello"}, 0, "", {}, {}},
        {"switches alone are no search", {"/m", "/r-"}, 0, "", {}, {}},
        {"P names one folder with its blanks", {"/P/my docs/a b"}, 2, "", {}, {"/my docs/a b"}},
        {"P with a double quote in the name stays one folder", {"/P/x\"y z"}, 2, "", {}, {"/x\"y z"}},
        {"P is cut to 255 characters", {"/P" + longText}, 2, "", {}, {longText.substr(0, 255)}},
        {"P then a search without folder uses the current one", {"/P/src", "hi", "*.c"}, 3, "hi", {"*.c"},
         {CurrentFolder}},
        {"empty arguments are positional", {"", ""}, 3, "", {}, {CurrentFolder}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const Parsed parsed = Parse(c.Arguments);
        EXPECT_EQ(parsed.Result, c.Result);
        EXPECT_EQ(parsed.ParameterFile, "");
        EXPECT_EQ(parsed.Data.SearchString, c.SearchString);
        EXPECT_EQ(parsed.Data.FileSpecs, c.FileSpecs);
        EXPECT_EQ(parsed.Data.Folders, c.Folders);
    }
}

TEST(CommandLine, FlagSwitches)
{
    struct Case {
        const char* Argument;
        bool TSearchData::*Field;
        bool Expected;
    };
    const Case cases[] = {
        {"/c", &TSearchData::CountFilesFirst, true},     {"/C-", &TSearchData::CountFilesFirst, false},
        {"/m", &TSearchData::MatchCase, true},           {"/M", &TSearchData::MatchCase, true},
        {"-m", &TSearchData::MatchCase, true},           {"/m-", &TSearchData::MatchCase, false},
        {"/m+", &TSearchData::MatchCase, true},          {"/mx", &TSearchData::MatchCase, true},
        {"/w", &TSearchData::WholeWordsOnly, true},      {"/W-", &TSearchData::WholeWordsOnly, false},
        {"/r", &TSearchData::RecurseSubdirs, true},      {"-r-", &TSearchData::RecurseSubdirs, false},
        {"/x", &TSearchData::StopAfterFirstMatch, true}, {"/X-", &TSearchData::StopAfterFirstMatch, false},
        {"/v", &TSearchData::Invert, true},              {"/V-", &TSearchData::Invert, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Argument);
        for (bool before : {false, true}) {
            TSearchData data;
            data.*c.Field = before;
            std::string parameterFile;
            EXPECT_EQ(data.ParseCommandLine({"quarnel32", c.Argument}, parameterFile, CurrentFolder), 0);
            EXPECT_EQ(data.*c.Field, c.Expected);
        }
    }
}

TEST(CommandLine, SearchModeSwitches)
{
    struct Case {
        Strings Arguments;
        uint8_t Expected;
    };
    const Case cases[] = {
        {{"/s"}, TSearchData::ModeSoundex}, {{"/S-"}, TSearchData::ModeNormal}, {{"/q"}, TSearchData::ModeQuick},
        {{"/q-"}, TSearchData::ModeNormal}, {{"/q", "/s"}, TSearchData::ModeSoundex},
        {{"/s", "/q-"}, TSearchData::ModeNormal},
    };
    for (const Case& c : cases) {
        const Parsed parsed = Parse(c.Arguments);
        EXPECT_EQ(parsed.Data.SearchMode, c.Expected) << c.Arguments.size();
    }
}

TEST(CommandLine, ParameterFileSwitch)
{
    Parsed parsed = Parse({"/F/work/my.par"});
    EXPECT_EQ(parsed.Result, 1);
    EXPECT_EQ(parsed.ParameterFile, "/work/my.par");

    parsed = Parse({"/fa.par", "-Fb.par"});
    EXPECT_EQ(parsed.Result, 1);
    EXPECT_EQ(parsed.ParameterFile, "b.par");

    parsed = Parse({"/F" + std::string(300, 'f')});
    EXPECT_EQ(parsed.ParameterFile, std::string(255, 'f'));

    parsed = Parse({"/F"});
    EXPECT_EQ(parsed.Result, 1);
    EXPECT_EQ(parsed.ParameterFile, "");

    // The last step that sets the result wins; the file name stays.
    parsed = Parse({"/Fx.par", "text", "*.c"});
    EXPECT_EQ(parsed.Result, 3);
    EXPECT_EQ(parsed.ParameterFile, "x.par");
    parsed = Parse({"/Fx.par", "/P/src"});
    EXPECT_EQ(parsed.Result, 2);
}

TEST(CommandLine, NoArgumentsChangeNothing)
{
    TSearchData data;
    data.SearchString = "kept";
    data.Folders = {"kept"};
    data.MatchCase = true;
    std::string parameterFile = "stale";
    EXPECT_EQ(data.ParseCommandLine({"quarnel32"}, parameterFile, CurrentFolder), 0);
    EXPECT_EQ(data.ParseCommandLine({}, parameterFile, CurrentFolder), 0);
    EXPECT_EQ(parameterFile, "");
    EXPECT_EQ(data.SearchString, "kept");
    EXPECT_EQ(data.Folders, Strings{"kept"});
    EXPECT_TRUE(data.MatchCase);
}

TEST(CommandLine, AFolderArgumentIsNotTakenAsASwitchToo)
{
    // Absolute folders start with "/" like a switch; the one used as the folder must not
    // also switch on MatchCase, Invert or Soundex matching.
    for (const char* folder : {"/mnt/data", "/var/log", "/srv", "/Fx"}) {
        SCOPED_TRACE(folder);
        const Parsed parsed = Parse({"/r", "text", "*.log", folder});
        EXPECT_EQ(parsed.Result, 3);
        EXPECT_EQ(parsed.Data.Folders, Strings{folder});
        EXPECT_FALSE(parsed.Data.MatchCase);
        EXPECT_FALSE(parsed.Data.Invert);
        EXPECT_EQ(parsed.Data.SearchMode, 0);
        EXPECT_EQ(parsed.ParameterFile, "");
        EXPECT_TRUE(parsed.Data.RecurseSubdirs);
    }
}

TEST(CommandLine, ACurrentFolderWithADoubleQuoteStaysOneFolder)
{
    TSearchData data;
    std::string parameterFile;
    EXPECT_EQ(data.ParseCommandLine({"quarnel32", "hi", "*.c"}, parameterFile, "/tmp/say \"hi\""), 3);
    EXPECT_EQ(data.Folders, Strings{"/tmp/say \"hi\""});
}

TEST(CommandLine, OddSwitchesAreIgnored)
{
    const Strings odd[] = {{"-"}, {"/"}, {"--"}, {"//"}, {"/z"}, {"/\xff\xfe"}, {"-?"}, {"/-"},
                           {std::string("/\0m", 3)}, {"/z" + std::string(10000, 'm')}};
    for (const Strings& arguments : odd) {
        const Parsed parsed = Parse(arguments);
        EXPECT_EQ(parsed.Result, 0);
        EXPECT_FALSE(parsed.Data.MatchCase);
        EXPECT_EQ(parsed.Data.SearchString, "");
        EXPECT_TRUE(parsed.Data.Folders.empty());
    }
}

} // namespace
