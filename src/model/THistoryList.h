// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <string_view>
#include <vector>

class TSettingsStore;

// The history of one drop-down box of the search dialog: the texts entered, most recently added
// first. The dialog shows Items in its box. In the settings store the list is one key whose
// string values "0", "1", ... hold the entries in list order.
class THistoryList {
public:
    // The keys of the three boxes, below the settings root.
    static constexpr std::string_view StringsKey = "Search Dialog\\Strings";
    static constexpr std::string_view FilespecsKey = "Search Dialog\\Filespecs";
    static constexpr std::string_view FoldersKey = "Search Dialog\\Folders";
    // A load looks at the values "0" to "20" only.
    static constexpr int MaxLoaded = 21;

    // A list kept in the key `subKey` below the settings root.
    explicit THistoryList(std::string_view subKey);

    const std::string& SubKey() const { return Key; }

    // Puts `text` at the top of the list unless the list already holds it (compared without
    // regard to ASCII letter case); an entry already present keeps its place.
    void Add(std::string_view text);
    // The position of `text` (compared without regard to ASCII letter case), or -1.
    int IndexOf(std::string_view text) const;

    // Appends the non-empty texts of the values "0" to "20" that exist, in number order, to
    // Items; gaps, empty texts and texts the list already holds (compared as by Add) are passed
    // over. A missing key leaves the list as it is; a value of the wrong type ends the load
    // silently, keeping what was appended.
    void Load(const TSettingsStore& store);
    // Writes every entry as the values "0", "1", ..., creating the key when missing. Values
    // with higher numbers left by an earlier, longer list stay. Nothing is written when the key
    // cannot be created.
    void Save(TSettingsStore& store) const;

    std::vector<std::string> Items;

private:
    std::string Key;
};
