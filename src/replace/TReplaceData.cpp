// SPDX-License-Identifier: MIT
#include "replace/TReplaceData.h"

#include "model/TSettingsStore.h"
#include "model/TSettingsTable.h"

namespace {

using TField = TSettingsField<TReplaceData>;

// The values of "Replace Options" in reading and writing order, with their defaults. The three
// numbers are 8-bit fields, so only the low byte of a stored value counts.
const TField ReplaceValues[] = {
    {"Replace String", &TReplaceData::ReplaceString, std::string_view()},
    {"Confirmation", &TReplaceData::Confirmation, int32_t{0}},
    {"Overwrite", &TReplaceData::Overwrite, int32_t{0}},
    {"Mode", &TReplaceData::Mode, int32_t{TReplaceData::AllFiles}},
    {"Make Backup", &TReplaceData::MakeBackup, false},
};

} // namespace

TReplaceData::TReplaceData(const TSettingsStore& store)
{
    Load(store);
}

void TReplaceData::Load(const TSettingsStore& store)
{
    SettingsTable::ApplyDefaults<TReplaceData>(*this, ReplaceValues);
    const TSettingsKey key = store.OpenKey(TSettingsStore::KeyPath(SubKey));
    if (key.ok())
        SettingsTable::ReadFields<TReplaceData>(key, *this, ReplaceValues);
}

void TReplaceData::Save(TSettingsStore& store) const
{
    const TSettingsKey key = store.CreateKey(TSettingsStore::KeyPath(SubKey));
    if (key.ok())
        SettingsTable::WriteFields<TReplaceData>(key, *this, ReplaceValues);
}
