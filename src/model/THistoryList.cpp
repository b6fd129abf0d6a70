// SPDX-License-Identifier: MIT
#include "model/THistoryList.h"

#include <string>

#include "model/TSettingsStore.h"
#include "model/TSettingsTree.h"

THistoryList::THistoryList(std::string_view subKey) : Key(subKey) {}

int THistoryList::IndexOf(std::string_view text) const
{
    const std::string folded = TSettingsTree::Fold(text);
    for (std::size_t i = 0; i < Items.size(); ++i)
        if (Items[i].size() == text.size() && TSettingsTree::Fold(Items[i]) == folded)
            return static_cast<int>(i);
    return -1;
}

void THistoryList::Add(std::string_view text)
{
    if (IndexOf(text) < 0)
        Items.insert(Items.begin(), std::string(text));
}

void THistoryList::Load(const TSettingsStore& store)
{
    const TSettingsKey key = store.OpenKey(TSettingsStore::KeyPath(Key));
    if (!key.ok())
        return;
    for (int i = 0; i < MaxLoaded; ++i) {
        const TSettingsResult<std::string> entry = key.ReadString(std::to_string(i));
        if (entry.Status == TSettingsStatus::WrongType)
            return;
        // A window that saved a shorter list than another leaves the other's higher numbers in
        // place; they must not come back as second copies of entries.
        if (entry.ok() && !entry.Value.empty() && IndexOf(entry.Value) < 0)
            Items.push_back(entry.Value);
    }
}

void THistoryList::Save(TSettingsStore& store) const
{
    const TSettingsKey key = store.CreateKey(TSettingsStore::KeyPath(Key));
    if (!key.ok())
        return;
    for (std::size_t i = 0; i < Items.size(); ++i)
        key.WriteString(std::to_string(i), Items[i]);
}
