// SPDX-License-Identifier: MIT
#include "model/TFilespecChoices.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "model/TSettingsStore.h"
#include "model/TSettingsTree.h"

namespace {

bool AlphabeticallyBefore(std::string_view a, std::string_view b)
{
    return TSettingsTree::Fold(a) < TSettingsTree::Fold(b);
}

// The number a value name stands for: decimal digits without leading zeros, at most nine.
bool EntryNumber(std::string_view name, uint32_t& number)
{
    if (name.empty() || name.size() > 9 || (name.size() > 1 && name[0] == '0'))
        return false;
    number = 0;
    for (char c : name) {
        if (c < '0' || c > '9')
            return false;
        number = number * 10 + static_cast<uint32_t>(c - '0');
    }
    return true;
}

} // namespace

TFilespecChoices::TFilespecChoices() : Entries(BuiltInEntries()) {}

const std::vector<std::string>& TFilespecChoices::BuiltInEntries()
{
    static const std::vector<std::string> entries = {"*.*",   "*.c",    "*.cpp",  "*.dll", "*.doc",
                                                     "*.exe", "*.h",    "*.htm",  "*.html", "*.java",
                                                     "*.pas", "*.rtf",  "*.txt"};
    return entries;
}

std::size_t TFilespecChoices::Add(std::string_view text)
{
    const auto at = std::upper_bound(Entries.begin(), Entries.end(), text,
                                     [](std::string_view t, const std::string& entry) { return AlphabeticallyBefore(t, entry); });
    const auto inserted = Entries.insert(at, std::string(text));
    return static_cast<std::size_t>(inserted - Entries.begin());
}

int TFilespecChoices::IndexOf(std::string_view text) const
{
    const std::string folded = TSettingsTree::Fold(text);
    for (std::size_t i = 0; i < Entries.size(); ++i)
        if (Entries[i].size() == text.size() && TSettingsTree::Fold(Entries[i]) == folded)
            return static_cast<int>(i);
    return -1;
}

void TFilespecChoices::Load(const TSettingsStore& store)
{
    const TSettingsKey key = store.OpenKey(TSettingsStore::KeyPath(SubKey));
    if (!key.ok() || !key.ReadString("0").ok())
        return;

    // Every numbered value, not only "0" to "20": the list is alphabetical, so a cut would drop
    // the entries at the end of the alphabet, among them types the user added.
    std::vector<std::pair<uint32_t, std::string>> numbered;
    for (std::string& name : key.ValueNames()) {
        uint32_t number = 0;
        if (EntryNumber(name, number))
            numbered.emplace_back(number, std::move(name));
    }
    std::sort(numbered.begin(), numbered.end());

    Entries.clear();
    for (const auto& [number, name] : numbered) {
        const TSettingsResult<std::string> entry = key.ReadString(name);
        if (!entry.ok())
            return;
        // Two windows that save lists of different lengths can leave an entry twice.
        if (IndexOf(entry.Value) < 0)
            Add(entry.Value);
    }
}

void TFilespecChoices::Save(TSettingsStore& store) const
{
    const TSettingsKey key = store.CreateKey(TSettingsStore::KeyPath(SubKey));
    if (!key.ok())
        return;
    for (std::size_t i = 0; i < Entries.size(); ++i)
        key.WriteString(std::to_string(i), Entries[i]);
}
