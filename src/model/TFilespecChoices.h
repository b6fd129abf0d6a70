// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class TSettingsStore;

// The file types the search assistant offers, kept in alphabetical order (ASCII letters compared
// without regard to case; equal entries in the order they were added). Starts with the built-in
// entries; persists in the key "Filespec Choices" below the settings root, whose string values
// "0", "1", ... hold the entries in list order.
class TFilespecChoices {
public:
    static constexpr std::string_view SubKey = "Filespec Choices";

    // The built-in entries.
    TFilespecChoices();

    static const std::vector<std::string>& BuiltInEntries();

    const std::vector<std::string>& Items() const { return Entries; }
    // Inserts `text` at its alphabetical place, also when the list already holds it (callers
    // check with IndexOf first); returns its position.
    std::size_t Add(std::string_view text);
    // The position of `text` (compared without regard to ASCII letter case), or -1.
    int IndexOf(std::string_view text) const;

    // Replaces the list with the stored entries. A missing key, or one without a text value
    // "0", leaves the list as it is. Otherwise the list is emptied and every text value named
    // by a decimal number (without leading zeros) is added, in number order, empty texts
    // included, except an entry the list already holds; a value of the wrong type ends the load
    // silently, keeping what was added.
    void Load(const TSettingsStore& store);
    // Writes every entry as the values "0", "1", ..., creating the key when missing. Nothing is
    // written when the key cannot be created.
    void Save(TSettingsStore& store) const;

private:
    std::vector<std::string> Entries;
};
