// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

#include "TestDir.h"
#include "model/THistoryList.h"
#include "model/TSettingsStore.h"

namespace {

using Items = std::vector<std::string>;

const std::string StringsPath = "Software\\Quarnel\\Quarnel\\Current Version\\Search Dialog\\Strings";

std::string StringsFile(const std::string& values)
{
    return "REGEDIT4\n\n[HKEY_CURRENT_USER\\" + StringsPath + "]\n" + values;
}

// Value lines "0" to count-1 holding "entry 0", "entry 1", ...
std::string Numbered(int count)
{
    std::string lines;
    for (int i = 0; i < count; ++i)
        lines += "\"" + std::to_string(i) + "\"=\"entry " + std::to_string(i) + "\"\n";
    return lines;
}

Items NumberedItems(int from, int to)
{
    Items items;
    for (int i = from; i < to; ++i)
        items.push_back("entry " + std::to_string(i));
    return items;
}

TEST(THistoryListTest, LoadsNumberedValuesUpToTwenty)
{
    struct Case {
        const char* Name;
        std::optional<std::string> File;
        Items Before;
        Items Expected;
    };
    const Case cases[] = {
        {"no key leaves the list as it is", std::nullopt, {"typed"}, {"typed"}},
        {"values 0, 2 and 25: gaps skipped, 25 not looked at", StringsFile("\"0\"=\"a\"\n\"2\"=\"c\"\n\"25\"=\"z\"\n"), {}, {"a", "c"}},
        {"an empty text is skipped", StringsFile("\"0\"=\"a\"\n\"1\"=\"\"\n\"2\"=\"c\"\n"), {}, {"a", "c"}},
        {"thirty values give the first twenty-one", StringsFile(Numbered(30)), {}, NumberedItems(0, 21)},
        {"values are taken in number order", StringsFile("\"1\"=\"b\"\n\"0\"=\"a\"\n"), {}, {"a", "b"}},
        {"a value of the wrong type ends the load", StringsFile("\"0\"=\"a\"\n\"1\"=dword:1\n\"2\"=\"c\"\n"), {}, {"a"}},
        {"loaded entries are appended", StringsFile("\"0\"=\"a\"\n"), {"typed"}, {"typed", "a"}},
        {"a text already in the list is not loaded again", StringsFile("\"0\"=\"a\"\n\"1\"=\"B\"\n\"2\"=\"A\"\n"), {"b"},
         {"b", "a"}},
        {"names that only look like numbers", StringsFile("\"00\"=\"x\"\n\" 1\"=\"y\"\n\"2\"=\"c\"\n"), {}, {"c"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TestDir dir;
        const TSettingsStore store(c.File ? dir.WriteFile("settings.reg", *c.File) : dir.PathOf("settings.reg"));
        THistoryList list(THistoryList::StringsKey);
        list.Items = c.Before;
        list.Load(store);
        EXPECT_EQ(list.Items, c.Expected);
    }
}

TEST(THistoryListTest, SavesEveryEntryAndLeavesHigherNumbersOfALongerList)
{
    TestDir dir;
    const std::string path = dir.PathOf("settings.reg");
    {
        TSettingsStore store(path);
        THistoryList list(THistoryList::FoldersKey);
        list.Items = NumberedItems(0, 30);
        list.Save(store);
        ASSERT_TRUE(store.Save());
    }
    {
        TSettingsStore store(path);
        const TSettingsKey key = store.OpenKey(TSettingsStore::KeyPath(THistoryList::FoldersKey));
        EXPECT_EQ(key.ValueNames().size(), 30u);
        EXPECT_EQ(key.ReadString("29").Value, "entry 29");

        THistoryList list(THistoryList::FoldersKey);
        list.Load(store);
        EXPECT_EQ(list.Items, NumberedItems(0, 21));
        list.Items = {"new 0", "new 1"};
        list.Save(store);
        ASSERT_TRUE(store.Save());
    }
    const TSettingsStore store(path);
    THistoryList list(THistoryList::FoldersKey);
    list.Load(store);
    Items expected = {"new 0", "new 1"};
    for (const std::string& item : NumberedItems(2, 21))
        expected.push_back(item);
    EXPECT_EQ(list.Items, expected);
    // The other boxes' keys are untouched.
    EXPECT_FALSE(store.OpenKey(TSettingsStore::KeyPath(THistoryList::StringsKey)).ok());
}

// Two windows start with the same history; one adds two entries, the other one, and the one
// with the shorter list exits last. Its save leaves the other's last entry in place.
TEST(THistoryListTest, TwoWindowsSavingListsOfDifferentLengthsLeaveNoDuplicates)
{
    TestDir dir;
    const std::string path = dir.WriteFile("settings.reg", StringsFile("\"0\"=\"x\"\n\"1\"=\"y\"\n\"2\"=\"z\"\n"));
    TSettingsStore firstStore(path);
    TSettingsStore secondStore(path);
    THistoryList first(THistoryList::StringsKey);
    THistoryList second(THistoryList::StringsKey);
    first.Load(firstStore);
    second.Load(secondStore);
    first.Add("p");
    first.Add("q");
    second.Add("r");
    first.Save(firstStore);
    ASSERT_TRUE(firstStore.Save());
    second.Save(secondStore);
    ASSERT_TRUE(secondStore.Save());

    const TSettingsStore store(path);
    THistoryList next(THistoryList::StringsKey);
    next.Load(store);
    EXPECT_EQ(next.Items, (Items{"r", "x", "y", "z"}));
}

TEST(THistoryListTest, AddPutsANewTextFirstAndLeavesAKnownOneInPlace)
{
    struct Case {
        const char* Name;
        Items Before;
        std::string Text;
        Items Expected;
    };
    const Case cases[] = {
        {"into an empty list", {}, "*.txt", {"*.txt"}},
        {"a new text goes first", {"a", "b"}, "c", {"c", "a", "b"}},
        {"a known text keeps its place", {"a", "b", "c"}, "b", {"a", "b", "c"}},
        {"a text differing only in case is known", {"Hello", "World"}, "WORLD", {"Hello", "World"}},
        {"a text that is a prefix is new", {"abc"}, "ab", {"ab", "abc"}},
        {"non-ASCII letters are compared as they are", {"\xC3\xA9t\xC3\xA9"}, "\xC3\x89T\xC3\x89", {"\xC3\x89T\xC3\x89", "\xC3\xA9t\xC3\xA9"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        THistoryList list(THistoryList::StringsKey);
        list.Items = c.Before;
        list.Add(c.Text);
        EXPECT_EQ(list.Items, c.Expected);
    }
}

} // namespace
