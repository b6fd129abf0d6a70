// SPDX-License-Identifier: MIT
#include "model/TProgramData.h"

#include <algorithm>

#include "model/TSettingsStore.h"
#include "model/TSettingsTable.h"

namespace {

using TField = TSettingsField<TProgramData>;

// The values of "General" in reading order, with the defaults used when the key is missing.
// The editor command is written as "Editor command" and read as "Editor Command": names compare
// without regard to case, so both spellings name the same value.
const TField GeneralValues[] = {
    {"Expert Mode", &TProgramData::ExpertMode, false},
    {"Horizontal Split", &TProgramData::HorizontalSplit, true},
    {"Editor Command", &TProgramData::EditorCommand, std::string_view("xdg-open $f"), "Editor command"},
    {"Short Filenames", &TProgramData::ShortFilenames, false},
    {"Match Window", &TProgramData::MatchWindow, int32_t{0}},
    {"OMWAS", &TProgramData::OMWAS, false},
    {"ExitConfirm", &TProgramData::ExitConfirm, true},
    {"ShowDlgOnStart", &TProgramData::ShowDlgOnStart, true},
};

// One of the journal's limits: its stored value brought into 1..`maximum`, or `fallback` when
// it is missing or not a number.
int32_t ReadLimit(const TSettingsKey& key, std::string_view name, int32_t fallback, int32_t maximum)
{
    const TSettingsResult<int32_t> stored = key.ReadInteger(name);
    return stored.ok() ? std::clamp(stored.Value, int32_t{1}, maximum) : fallback;
}

} // namespace

TProgramData::TProgramData()
{
    SettingsTable::ApplyDefaults<TProgramData>(*this, GeneralValues);
}

TProgramData::TProgramData(const TSettingsStore& store)
{
    LoadSettings(store);
}

void TProgramData::LoadSettings(const TSettingsStore& store)
{
    const TSettingsKey history = store.OpenKey(TSettingsStore::KeyPath(HistorySubKey));
    ReplaceHistoryRuns = ReadLimit(history, HistoryRunsName, DefaultHistoryRuns, MaxHistoryRuns);
    ReplaceHistoryMegabytes = ReadLimit(history, HistorySizeName, DefaultHistoryMegabytes, MaxHistoryMegabytes);

    const TSettingsKey key = store.OpenKey(TSettingsStore::KeyPath(SubKey));
    if (!key.ok()) {
        SettingsTable::ApplyDefaults<TProgramData>(*this, GeneralValues);
        return;
    }
    SettingsTable::ClearFields<TProgramData>(*this, GeneralValues);
    SettingsTable::ReadFields<TProgramData>(key, *this, GeneralValues);
    // The results document counts context lines with this value; a damaged or hand-edited
    // file must not make it negative or huge.
    MatchWindow = std::clamp(MatchWindow, int32_t{0}, MaxMatchWindow);
}

void TProgramData::SaveSettings(TSettingsStore& store) const
{
    const TSettingsKey key = store.CreateKey(TSettingsStore::KeyPath(SubKey));
    if (key.ok())
        SettingsTable::WriteFields<TProgramData>(key, *this, GeneralValues);
    const TSettingsKey history = store.CreateKey(TSettingsStore::KeyPath(HistorySubKey));
    if (history.ok()) {
        history.WriteInteger(HistoryRunsName, ReplaceHistoryRuns);
        history.WriteInteger(HistorySizeName, ReplaceHistoryMegabytes);
    }
}
