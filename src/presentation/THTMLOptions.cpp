// SPDX-License-Identifier: MIT
#include "presentation/THTMLOptions.h"

#include <array>
#include <cstddef>
#include <string_view>

#include "model/TSettingsStore.h"

namespace {

struct TOptionEntry {
    const char* Name;            // registry value name
    bool THTMLOptions::*Field;
    bool Default;
    std::size_t SavePosition;    // the options are written in a slightly different order than read
    const char* ToggleLink;      // toolbar link that flips it; null when the toolbar has none
};

// In reading order.
constexpr std::array<TOptionEntry, 8> Entries{{
    {"Line Numbers", &THTMLOptions::LineNumbers, true, 0, "ToggleLineNumbers"},
    {"Title", &THTMLOptions::TitleAndMenu, true, 1, nullptr},
    {"Word Wrap", &THTMLOptions::WordWrap, false, 2, "ToggleWordWrap"},
    {"Show File Contents", &THTMLOptions::ShowFileContents, true, 3, "ToggleFileContents"},
    {"Show Matches Only", &THTMLOptions::MatchesOnly, false, 4, "ToggleMatchesOnly"},
    {"Fixed Font", &THTMLOptions::FixedFont, false, 6, "ToggleFixedFont"},
    {"Fancy output", &THTMLOptions::FancyOutput, true, 5, "TogglePlain"},
    {"Filenames", &THTMLOptions::FileNames, true, 7, "ToggleFilenames"},
}};

constexpr std::string_view SubKey = "RTF Data";

}

THTMLOptions::THTMLOptions()
{
    for (const TOptionEntry& entry : Entries)
        this->*entry.Field = entry.Default;
}

bool THTMLOptions::ApplyToggleLink(std::string_view link)
{
    for (const TOptionEntry& entry : Entries) {
        if (entry.ToggleLink && link == entry.ToggleLink) {
            this->*entry.Field = !(this->*entry.Field);
            return true;
        }
    }
    return false;
}

bool THTMLOptions::IsToggleLink(std::string_view link)
{
    for (const TOptionEntry& entry : Entries)
        if (entry.ToggleLink && link == entry.ToggleLink)
            return true;
    return false;
}

void THTMLOptions::Load(const TSettingsStore& store)
{
    const TSettingsKey key = store.OpenKey(TSettingsStore::KeyPath(SubKey));
    if (!key.ok())
        return;
    for (const TOptionEntry& entry : Entries) {
        const TSettingsResult<bool> value = key.ReadBool(entry.Name);
        if (!value.ok())
            return;
        this->*entry.Field = value.Value;
    }
}

void THTMLOptions::Save(TSettingsStore& store) const
{
    const TSettingsKey key = store.CreateKey(TSettingsStore::KeyPath(SubKey));
    if (!key.ok())
        return;
    std::array<const TOptionEntry*, Entries.size()> order{};
    for (const TOptionEntry& entry : Entries)
        order[entry.SavePosition] = &entry;
    for (const TOptionEntry* entry : order)
        key.WriteBool(entry->Name, this->*entry->Field);
}
