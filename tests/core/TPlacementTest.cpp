// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <optional>
#include <string>

#include "TestDir.h"
#include "model/TPlacement.h"
#include "model/TSettingsStore.h"

namespace {

const std::string MainFormKey = "Software\\Quarnel\\Quarnel\\Current Version\\Form Positions\\MainForm";

TPlacement MainFormPlacement()
{
    TPlacement placement("MainForm");
    placement.RegKeyName = TPlacement::FormPositionsPath();
    return placement;
}

TEST(TPlacementTest, RestoresOnlyACompleteUsablePlacement)
{
    const std::string all = "\"Left\"=dword:00000064\n\"Width\"=dword:00000320\n\"Top\"=dword:00000032\n\"Height\"=dword:00000258\n";
    auto replaced = [&](const std::string& from, const std::string& to) {
        std::string text = all;
        text.replace(text.find(from), from.size(), to);
        return text;
    };
    struct Case {
        const char* Name;
        std::optional<std::string> Values; // nothing: no key
        std::optional<TPlacementBounds> Expected;
    };
    const Case cases[] = {
        {"no key", std::nullopt, std::nullopt},
        {"all four", all, TPlacementBounds{100, 800, 50, 600}},
        {"names in any case", "\"left\"=dword:1\n\"WIDTH\"=dword:2\n\"tOp\"=dword:3\n\"height\"=dword:4\n", TPlacementBounds{1, 2, 3, 4}},
        {"left of and above the first screen", replaced("\"Left\"=dword:00000064", "\"Left\"=dword:fffffc18"),
         TPlacementBounds{-1000, 800, 50, 600}},
        {"one missing", replaced("\"Top\"=dword:00000032\n", ""), std::nullopt},
        {"one of the wrong type", replaced("\"Height\"=dword:00000258", "\"Height\"=\"600\""), std::nullopt},
        {"zero width", replaced("\"Width\"=dword:00000320", "\"Width\"=dword:0"), std::nullopt},
        {"negative height", replaced("\"Height\"=dword:00000258", "\"Height\"=dword:ffffffff"), std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TestDir dir;
        const std::string path =
            c.Values ? dir.WriteFile("settings.reg", "REGEDIT4\n\n[HKEY_CURRENT_USER\\" + MainFormKey + "]\n" + *c.Values)
                     : dir.PathOf("settings.reg");
        const TSettingsStore store(path);
        EXPECT_EQ(MainFormPlacement().RestorePlacement(store), c.Expected);
    }
}

TEST(TPlacementTest, SavesTheFourValuesUnderTheFormsKey)
{
    TestDir dir;
    const std::string path = dir.PathOf("settings.reg");
    const TPlacement placement = MainFormPlacement();
    EXPECT_EQ(placement.KeyPath(), MainFormKey);
    {
        TSettingsStore store(path);
        EXPECT_TRUE(placement.SavePlacement(store, {-8, 1024, 0, 768}));
        ASSERT_TRUE(store.Save());
    }
    const TSettingsStore store(path);
    EXPECT_EQ(store.OpenKey(MainFormKey).ValueNames(), (std::vector<std::string>{"Left", "Width", "Top", "Height"}));
    EXPECT_EQ(placement.RestorePlacement(store), (TPlacementBounds{-8, 1024, 0, 768}));

    // Without its key name the placement has nowhere to go.
    TSettingsStore other(dir.PathOf("other.reg"));
    EXPECT_FALSE(TPlacement("MainForm").SavePlacement(other, {0, 1, 0, 1}));
}

} // namespace
