// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "TestDir.h"
#include "model/TSettingsStore.h"
#include "replace/TReplaceData.h"

namespace {

const std::string OptionsKey = "Software\\Quarnel\\Quarnel\\Current Version\\Replace Options";

std::string OptionsFile(const std::string& values)
{
    return "REGEDIT4\n\n[HKEY_CURRENT_USER\\" + OptionsKey + "]\n" + values;
}

const std::string AllValues = "\"Replace String\"=\"new text\"\n"
                              "\"Confirmation\"=dword:00000001\n"
                              "\"Overwrite\"=dword:00000001\n"
                              "\"Mode\"=dword:00000001\n"
                              "\"Make Backup\"=dword:00000001\n";

std::string Replaced(std::string text, const std::string& part, const std::string& by)
{
    text.replace(text.find(part), part.size(), by);
    return text;
}

struct Options {
    std::string ReplaceString;
    int Confirmation;
    int Overwrite;
    int Mode;
    bool MakeBackup;

    static Options Of(const TReplaceData& data)
    {
        return {data.ReplaceString, data.Confirmation, data.Overwrite, data.Mode, data.MakeBackup};
    }
    bool operator==(const Options&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Options& o)
{
    return out << "{\"" << o.ReplaceString << "\", confirm " << o.Confirmation << ", overwrite " << o.Overwrite
               << ", mode " << o.Mode << ", backup " << o.MakeBackup << "}";
}

const Options Defaults = {"", 0, 0, 0, false};

TEST(TReplaceDataTest, LoadsReplaceOptionsUntilTheFirstFailingRead)
{
    struct Case {
        const char* Name;
        std::optional<std::string> File; // nothing: no settings file at all
        Options Expected;
    };
    const Case cases[] = {
        {"first start: no settings file", std::nullopt, Defaults},
        {"no key Replace Options", "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Quarnel\\Quarnel\\Current Version\\General]\n",
         Defaults},
        {"every value", OptionsFile(AllValues), {"new text", 1, 1, 1, true}},
        {"an empty key keeps the defaults", OptionsFile(""), Defaults},
        {"a missing replace string reads as empty and the reading goes on",
         OptionsFile(Replaced(AllValues, "\"Replace String\"=\"new text\"\n", "")), {"", 1, 1, 1, true}},
        {"a replace string stored as a number stops at once",
         OptionsFile(Replaced(AllValues, "\"new text\"", "dword:00000005")), Defaults},
        {"a number stored as a text stops there", OptionsFile(Replaced(AllValues, "\"Overwrite\"=dword:00000001", "\"Overwrite\"=\"1\"")),
         {"new text", 1, 0, 0, false}},
        {"a missing number stops there", OptionsFile(Replaced(AllValues, "\"Mode\"=dword:00000001\n", "")),
         {"new text", 1, 1, 0, false}},
        {"a missing backup flag keeps its default", OptionsFile(Replaced(AllValues, "\"Make Backup\"=dword:00000001\n", "")),
         {"new text", 1, 1, 1, false}},
        {"only the low byte of a number counts",
         OptionsFile("\"Replace String\"=\"x\"\n\"Confirmation\"=dword:00000101\n\"Overwrite\"=dword:00000100\n"
                     "\"Mode\"=dword:ffffff01\n\"Make Backup\"=dword:00000200\n"),
         {"x", 1, 0, 1, true}},
        {"names in any case", OptionsFile("\"REPLACE STRING\"=\"y\"\n\"confirmation\"=dword:1\n\"OVERWRITE\"=dword:0\n"
                                          "\"mode\"=dword:1\n\"make backup\"=dword:0\n"),
         {"y", 1, 0, 1, false}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TestDir dir;
        const std::string path = c.File ? dir.WriteFile("settings.reg", *c.File) : dir.PathOf("settings.reg");
        const TSettingsStore store(path);
        TReplaceData data(store);
        EXPECT_EQ(Options::Of(data), c.Expected);
        EXPECT_FALSE(store.HasPendingWrites()) << "loading wrote to the store";

        // Loading again starts from the defaults, not from what the object held.
        data = TReplaceData();
        data.ReplaceString = "stale";
        data.Mode = 1;
        data.Load(store);
        EXPECT_EQ(Options::Of(data), c.Expected);
    }
    EXPECT_EQ(Options::Of(TReplaceData()), Defaults);
}

TEST(TReplaceDataTest, SavesTheFiveValuesInOrderAndLoadsThemBack)
{
    TestDir dir;
    const std::string path = dir.WriteFile("settings.reg", OptionsFile("\"Other\"=\"kept\"\n"));
    const Options saved = {"caf\xc3\xa9 & \"quoted\"", 1, 1, 0, true};
    {
        TSettingsStore store(path);
        TReplaceData data;
        data.ReplaceString = saved.ReplaceString;
        data.Confirmation = 1;
        data.Overwrite = 1;
        data.Mode = 0;
        data.MakeBackup = true;
        data.Save(store);
        ASSERT_TRUE(store.Save());
    }
    const TSettingsStore store(path);
    EXPECT_EQ(Options::Of(TReplaceData(store)), saved);

    const TSettingsKey key = store.OpenKey(OptionsKey);
    EXPECT_EQ(key.ValueNames(),
              (std::vector<std::string>{"Other", "Replace String", "Confirmation", "Overwrite", "Mode", "Make Backup"}));
    EXPECT_EQ(key.ReadInteger("Confirmation").Value, 1);
    EXPECT_EQ(key.ReadInteger("Mode").Value, 0);
    // The flag is a boolean: an integer 0 or 1.
    EXPECT_EQ(key.ReadInteger("Make Backup").Value, 1);

    // Saving the defaults into a file without the key creates it.
    TSettingsStore fresh(dir.PathOf("fresh.reg"));
    TReplaceData().Save(fresh);
    ASSERT_TRUE(fresh.Save());
    const TSettingsStore reread(dir.PathOf("fresh.reg"));
    ASSERT_TRUE(reread.OpenKey(OptionsKey).ok());
    EXPECT_EQ(reread.OpenKey(OptionsKey).ReadString("Replace String").Status, TSettingsStatus::Ok);
    EXPECT_EQ(Options::Of(TReplaceData(reread)), Defaults);
}

} // namespace
