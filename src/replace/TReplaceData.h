// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class TSettingsStore;

// The options of a replace run, kept under "Replace Options" in the settings store. One per
// process, owned by the main window and shared by the replace dialogs and the replace engine.
class TReplaceData {
public:
    static constexpr std::string_view SubKey = "Replace Options";

    // Mode values.
    static constexpr uint8_t AllFiles = 0;
    static constexpr uint8_t SelectedFileOnly = 1;

    // Every option at its default.
    TReplaceData() = default;
    // The options read from `store` (see Load).
    explicit TReplaceData(const TSettingsStore& store);

    // Sets every option to its default, then, when the key exists, reads "Replace String",
    // "Confirmation", "Overwrite", "Mode" and "Make Backup" in this order, storing each as it is
    // read. A missing replace string reads as empty; a replace string of another kind, or a
    // missing or mistyped number or flag, ends the reading silently: what was read stays and the
    // rest keep their defaults. Only the low byte of a stored number is kept.
    void Load(const TSettingsStore& store);
    // Writes the five values in the same order, creating the key when missing. Nothing is
    // reported; the store reaches its file with its next Save.
    void Save(TSettingsStore& store) const;

    std::string ReplaceString; // put in place of each match, literally
    uint8_t Confirmation = 0;  // 1: ask before each change
    uint8_t Overwrite = 0;     // 1: change the original file; 0: write the changes to a new file
    uint8_t Mode = AllFiles;   // SelectedFileOnly or AllFiles
    bool MakeBackup = false;   // in overwrite mode, keep a copy of the original
};
