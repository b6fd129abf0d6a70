// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <optional>
#include <string>

#include "TestDir.h"
#include "model/TProgramData.h"
#include "model/TSettingsStore.h"

namespace {

const std::string General = "Software\\Quarnel\\Quarnel\\Current Version\\General";

// A settings file whose key "General" holds `values` (value lines of the file).
std::string GeneralFile(const std::string& values)
{
    return "REGEDIT4\n\n[HKEY_CURRENT_USER\\" + General + "]\n" + values;
}

const std::string AllValues = "\"Expert Mode\"=dword:00000001\n"
                              "\"Horizontal Split\"=dword:00000000\n"
                              "\"Editor Command\"=\"kate $f -l $l\"\n"
                              "\"Short Filenames\"=dword:00000001\n"
                              "\"Match Window\"=dword:00000003\n"
                              "\"OMWAS\"=dword:00000001\n"
                              "\"ExitConfirm\"=dword:00000000\n"
                              "\"ShowDlgOnStart\"=dword:00000000\n";

// The eight preferences, in reading order.
struct Preferences {
    bool ExpertMode;
    bool HorizontalSplit;
    std::string EditorCommand;
    bool ShortFilenames;
    int32_t MatchWindow;
    bool OMWAS;
    bool ExitConfirm;
    bool ShowDlgOnStart;

    static Preferences Of(const TProgramData& data)
    {
        return {data.ExpertMode,  data.HorizontalSplit, data.EditorCommand, data.ShortFilenames,
                data.MatchWindow, data.OMWAS,           data.ExitConfirm,   data.ShowDlgOnStart};
    }
    bool operator==(const Preferences&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Preferences& p)
{
    return out << "{expert " << p.ExpertMode << ", split " << p.HorizontalSplit << ", editor \"" << p.EditorCommand
               << "\", short " << p.ShortFilenames << ", window " << p.MatchWindow << ", omwas " << p.OMWAS
               << ", exit confirm " << p.ExitConfirm << ", dialog " << p.ShowDlgOnStart << "}";
}

const Preferences Defaults = {false, true, "xdg-open $f", false, 0, false, true, true};
const Preferences Cleared = {false, false, "", false, 0, false, false, false};

std::string Without(std::string text, const std::string& line)
{
    text.erase(text.find(line), line.size());
    return text;
}

std::string Replaced(std::string text, const std::string& line, const std::string& by)
{
    text.replace(text.find(line), line.size(), by);
    return text;
}

TEST(TProgramDataTest, LoadsTheGeneralKeyWithItsQuirks)
{
    struct Case {
        const char* Name;
        std::optional<std::string> File; // nothing: no settings file at all
        Preferences Expected;
    };
    const Case cases[] = {
        {"no settings file", std::nullopt, Defaults},
        {"no key General", "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Quarnel\\Quarnel\\Current Version\\Columns]\n", Defaults},
        {"every value", GeneralFile(AllValues), {true, false, "kate $f -l $l", true, 3, true, false, false}},
        {"an empty key: nothing read, and not the defaults either", GeneralFile(""), Cleared},
        {"only Expert Mode", GeneralFile("\"Expert Mode\"=dword:00000001\n"), {true, false, "", false, 0, false, false, false}},
        {"Match Window as a text stops there",
         GeneralFile(Replaced(AllValues, "\"Match Window\"=dword:00000003", "\"Match Window\"=\"3\"")),
         {true, false, "kate $f -l $l", true, 0, false, false, false}},
        {"a missing editor command is empty and the reading goes on",
         GeneralFile(Without(AllValues, "\"Editor Command\"=\"kate $f -l $l\"\n")), {true, false, "", true, 3, true, false, false}},
        {"an editor command of the wrong type stops there",
         GeneralFile(Replaced(AllValues, "\"Editor Command\"=\"kate $f -l $l\"", "\"Editor Command\"=dword:00000001")),
         {true, false, "", false, 0, false, false, false}},
        {"a missing value in the middle stops there", GeneralFile(Without(AllValues, "\"OMWAS\"=dword:00000001\n")),
         {true, false, "kate $f -l $l", true, 3, false, false, false}},
        {"the editor command written with a small c",
         GeneralFile(Replaced(AllValues, "\"Editor Command\"", "\"Editor command\"")),
         {true, false, "kate $f -l $l", true, 3, true, false, false}},
        {"names in any case and true as any non-zero integer",
         GeneralFile("\"EXPERT MODE\"=dword:00000002\n\"horizontal split\"=dword:ffffffff\n\"EDITOR COMMAND\"=\"x\"\n"
                     "\"short filenames\"=dword:0\n\"match window\"=dword:a\n\"omwas\"=dword:0\n\"exitconfirm\"=dword:1\n"
                     "\"showdlgonstart\"=dword:100\n"),
         {true, true, "x", false, 10, false, true, true}},
        {"a match window beyond the settable range",
         GeneralFile(Replaced(AllValues, "dword:00000003", "dword:7fffffff")), {true, false, "kate $f -l $l", true, 10, true, false, false}},
        {"a negative match window", GeneralFile(Replaced(AllValues, "dword:00000003", "dword:fffffffd")),
         {true, false, "kate $f -l $l", true, 0, true, false, false}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TestDir dir;
        const std::string path = c.File ? dir.WriteFile("settings.reg", *c.File) : dir.PathOf("settings.reg");
        const TSettingsStore store(path);
        const TProgramData data(store);
        EXPECT_EQ(Preferences::Of(data), c.Expected);
        EXPECT_EQ(data.BusyState, TProgramData::Idle);
        EXPECT_EQ(data.SelectedItem, nullptr);
        EXPECT_EQ(data.DisplayedFile, nullptr);
        EXPECT_FALSE(store.HasPendingWrites()) << "loading wrote to the store";
    }
    EXPECT_EQ(Preferences::Of(TProgramData()), Defaults);
}

TEST(TProgramDataTest, SavesTheEightValuesAndLoadsThemBack)
{
    TestDir dir;
    // The old spelling of the editor command is replaced, not doubled.
    const std::string path = dir.WriteFile("settings.reg", GeneralFile("\"Editor Command\"=\"old\"\n\"Other\"=\"kept\"\n"));
    const Preferences saved = {true, false, "vi +$l \"$f\"", true, 7, true, false, false};
    {
        TSettingsStore store(path);
        TProgramData data;
        data.ExpertMode = saved.ExpertMode;
        data.HorizontalSplit = saved.HorizontalSplit;
        data.EditorCommand = saved.EditorCommand;
        data.ShortFilenames = saved.ShortFilenames;
        data.MatchWindow = saved.MatchWindow;
        data.OMWAS = saved.OMWAS;
        data.ExitConfirm = saved.ExitConfirm;
        data.ShowDlgOnStart = saved.ShowDlgOnStart;
        data.SaveSettings(store);
        ASSERT_TRUE(store.Save());
    }
    const TSettingsStore store(path);
    EXPECT_EQ(Preferences::Of(TProgramData(store)), saved);

    const TSettingsKey key = store.OpenKey(General);
    EXPECT_EQ(key.ValueNames(), (std::vector<std::string>{"Editor Command", "Other", "Expert Mode", "Horizontal Split",
                                                          "Short Filenames", "Match Window", "OMWAS", "ExitConfirm",
                                                          "ShowDlgOnStart"}));
    // Booleans are stored as the integers 0 and 1.
    EXPECT_EQ(key.ReadInteger("Expert Mode").Value, 1);
    EXPECT_EQ(key.ReadInteger("Horizontal Split").Value, 0);
    EXPECT_TRUE(key.ReadInteger("Match Window").ok());
    EXPECT_TRUE(key.ReadString("Editor command").ok());

    // A fresh file gets the written spelling of the editor command.
    TSettingsStore fresh(dir.PathOf("fresh.reg"));
    TProgramData().SaveSettings(fresh);
    ASSERT_TRUE(fresh.Save());
    EXPECT_NE(dir.ReadFile("fresh.reg").find("\"Editor command\"=\"xdg-open $f\""), std::string::npos);
    EXPECT_EQ(Preferences::Of(TProgramData(TSettingsStore(dir.PathOf("fresh.reg")))), Defaults);
}

} // namespace

namespace {

// The replace journal's limits live in a key of their own; each is read on its own.
TEST(TProgramDataTest, KeepsTheReplaceHistoryLimits)
{
    const std::string history = "[HKEY_CURRENT_USER\\Software\\Quarnel\\Quarnel\\Current Version\\Replace History]\n";
    struct Case {
        std::string Values;
        int32_t Runs;
        int32_t Megabytes;
    };
    const Case cases[] = {
        {"", TProgramData::DefaultHistoryRuns, TProgramData::DefaultHistoryMegabytes},
        {"\"Runs\"=dword:00000007\n\"Megabytes\"=dword:00000010\n", 7, 16},
        {"\"Runs\"=\"seven\"\n\"Megabytes\"=dword:00000010\n", TProgramData::DefaultHistoryRuns, 16},
        {"\"Runs\"=dword:00000000\n\"Megabytes\"=dword:ffffffff\n", 1, 1},
        {"\"Runs\"=dword:7fffffff\n\"Megabytes\"=dword:7fffffff\n", TProgramData::MaxHistoryRuns,
         TProgramData::MaxHistoryMegabytes},
    };
    for (const Case& c : cases) {
        TestDir dir;
        const std::string path = dir.WriteFile("settings.reg", GeneralFile(AllValues) + "\n" + history + c.Values);
        const TProgramData data{TSettingsStore(path)};
        EXPECT_EQ(data.ReplaceHistoryRuns, c.Runs) << c.Values;
        EXPECT_EQ(data.ReplaceHistoryMegabytes, c.Megabytes) << c.Values;
        EXPECT_EQ(Preferences::Of(data).MatchWindow, 3) << "General read as before";
    }
    TestDir dir;
    {
        TSettingsStore store(dir.PathOf("saved.reg"));
        TProgramData data;
        data.ReplaceHistoryRuns = 12;
        data.ReplaceHistoryMegabytes = 300;
        data.SaveSettings(store);
        ASSERT_TRUE(store.Save());
    }
    const TProgramData loaded{TSettingsStore(dir.PathOf("saved.reg"))};
    EXPECT_EQ(loaded.ReplaceHistoryRuns, 12);
    EXPECT_EQ(loaded.ReplaceHistoryMegabytes, 300);
    EXPECT_EQ(loaded.ReplaceHistoryBytes(), int64_t{300} * 1024 * 1024);
}

} // namespace
