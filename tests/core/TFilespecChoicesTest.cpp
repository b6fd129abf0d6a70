// SPDX-License-Identifier: MIT
#include <algorithm>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

#include "TestDir.h"
#include "model/TFilespecChoices.h"
#include "model/TSettingsStore.h"

namespace {

using Items = std::vector<std::string>;

std::string ChoicesFile(const std::string& values)
{
    return "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Quarnel\\Quarnel\\Current Version\\Filespec Choices]\n" + values;
}

TEST(TFilespecChoicesTest, KeepsItsEntriesInAlphabeticalOrder)
{
    TFilespecChoices choices;
    EXPECT_EQ(choices.Items(), TFilespecChoices::BuiltInEntries());
    EXPECT_EQ(choices.Items().size(), 13u);

    struct Case {
        std::string Text;
        std::size_t Position;
    };
    const Case cases[] = {
        {"*.py", 11},        // between "*.pas" and "*.rtf"
        {"*.ZIP", 14},       // last: case is ignored
        {"*.C", 2},          // after the equal "*.c"
        {"", 0},             // an empty text sorts first
        {"a*", 17},          // letters after "*"
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Text);
        EXPECT_EQ(choices.Add(c.Text), c.Position);
    }
    EXPECT_EQ(choices.Items(), (Items{"", "*.*", "*.c", "*.C", "*.cpp", "*.dll", "*.doc", "*.exe", "*.h", "*.htm", "*.html",
                                      "*.java", "*.pas", "*.py", "*.rtf", "*.txt", "*.ZIP", "a*"}));
    EXPECT_EQ(choices.IndexOf("*.HTML"), 10);
    EXPECT_EQ(choices.IndexOf("*.htmx"), -1);
}

TEST(TFilespecChoicesTest, LoadsTheStoredListOrKeepsTheBuiltInOne)
{
    Items many;
    std::string manyValues;
    for (int i = 0; i < 30; ++i) {
        many.push_back("*.x" + std::string(1, static_cast<char>('a' + i / 10)) + std::to_string(i % 10));
        manyValues += "\"" + std::to_string(i) + "\"=\"" + many.back() + "\"\n";
    }
    struct Case {
        const char* Name;
        std::optional<std::string> File;
        Items Expected; // empty: the built-in list
    };
    const Case cases[] = {
        {"no key", std::nullopt, {}},
        {"no value 0 leaves the built-in list, even with 1 to 5",
         ChoicesFile("\"1\"=\"*.a\"\n\"2\"=\"*.b\"\n\"3\"=\"*.c\"\n\"4\"=\"*.d\"\n\"5\"=\"*.e\"\n"), {}},
        {"a value 0 that is not a text leaves the built-in list", ChoicesFile("\"0\"=dword:1\n\"1\"=\"*.a\"\n"), {}},
        {"the stored entries replace the built-in ones, sorted", ChoicesFile("\"0\"=\"*.txt\"\n\"1\"=\"*.LOG\"\n\"2\"=\"*.c\"\n"),
         {"*.c", "*.LOG", "*.txt"}},
        {"empty texts are entries", ChoicesFile("\"0\"=\"*.b\"\n\"1\"=\"\"\n"), {"", "*.b"}},
        {"gaps are skipped", ChoicesFile("\"0\"=\"*.b\"\n\"7\"=\"*.a\"\n"), {"*.a", "*.b"}},
        {"more than twenty-one entries are all loaded", ChoicesFile(manyValues), many},
        {"an entry stored twice is loaded once", ChoicesFile("\"0\"=\"*.b\"\n\"1\"=\"*.a\"\n\"2\"=\"*.B\"\n"), {"*.a", "*.b"}},
        {"a value of the wrong type ends the load", ChoicesFile("\"0\"=\"*.b\"\n\"1\"=\"*.a\"\n\"2\"=dword:0\n\"3\"=\"*.c\"\n"),
         {"*.a", "*.b"}},
        {"names that are not plain numbers are ignored", ChoicesFile("\"0\"=\"*.b\"\n\"01\"=\"*.x\"\n\"Name\"=\"*.y\"\n\"-1\"=\"*.z\"\n"),
         {"*.b"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TestDir dir;
        const TSettingsStore store(c.File ? dir.WriteFile("settings.reg", *c.File) : dir.PathOf("settings.reg"));
        TFilespecChoices choices;
        choices.Load(store);
        EXPECT_EQ(choices.Items(), c.Expected.empty() ? TFilespecChoices::BuiltInEntries() : c.Expected);
    }
}

TEST(TFilespecChoicesTest, SavesTheListInItsOrderAndLoadsItBack)
{
    TestDir dir;
    const std::string path = dir.PathOf("settings.reg");
    TFilespecChoices saved;
    for (int i = 0; i < 12; ++i)
        saved.Add("*.typed" + std::to_string(i));
    {
        TSettingsStore store(path);
        saved.Save(store);
        ASSERT_TRUE(store.Save());
    }
    const TSettingsStore store(path);
    const TSettingsKey key = store.OpenKey(TSettingsStore::KeyPath(TFilespecChoices::SubKey));
    ASSERT_EQ(key.ValueNames().size(), saved.Items().size());
    for (std::size_t i = 0; i < saved.Items().size(); ++i)
        EXPECT_EQ(key.ReadString(std::to_string(i)).Value, saved.Items()[i]);

    // 25 entries: the ones at the end of the alphabet come back too.
    TFilespecChoices loaded;
    loaded.Load(store);
    EXPECT_EQ(loaded.Items(), saved.Items());
    EXPECT_NE(loaded.IndexOf("*.txt"), -1);
}

} // namespace
