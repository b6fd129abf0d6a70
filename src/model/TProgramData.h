// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class TFileData;
class TSettingsStore;

// The general preferences of the program and the main window's run-time state; one per process,
// owned by the main window. The eight preferences persist in the settings store's key
// "General" below the settings root; the other fields live for the run only.
class TProgramData {
public:
    static constexpr std::string_view SubKey = "General";

    // BusyState values.
    static constexpr uint8_t Idle = 0;
    static constexpr uint8_t Searching = 1;
    static constexpr uint8_t LoadingView = 2;

    // The match window can be set from 0 to 10 in the program; a stored value outside that
    // range is brought into it when loaded.
    static constexpr int32_t MaxMatchWindow = 10;

    // The replace journal's limits, how many runs it keeps and how much space, persist in a key
    // of their own beside "General", so that "General" holds the eight preferences only.
    static constexpr std::string_view HistorySubKey = "Replace History";
    static constexpr std::string_view HistoryRunsName = "Runs";
    static constexpr std::string_view HistorySizeName = "Megabytes";
    static constexpr int32_t DefaultHistoryRuns = 50;
    static constexpr int32_t DefaultHistoryMegabytes = 2048;
    static constexpr int32_t MaxHistoryRuns = 100000;
    static constexpr int32_t MaxHistoryMegabytes = 1024 * 1024;

    // Every preference at its default.
    TProgramData();
    // Every preference loaded from `store` (see LoadSettings).
    explicit TProgramData(const TSettingsStore& store);

    // Loads "General". When the key does not exist every preference takes its default.
    // Otherwise the preferences are read in a fixed order, each stored as soon as it is read, and
    // the first value that is missing or of the wrong type ends the loading silently: the
    // preferences not read by then are false, 0 or empty, not their defaults. A missing
    // "Editor Command" gives an empty command and does not end the loading.
    void LoadSettings(const TSettingsStore& store);
    // The replace journal's two limits are read from "Replace History", each on its own: a
    // missing or mistyped one takes its default, and a stored value is brought into 1..its
    // maximum.
    // Writes the eight preferences into "General", and the two limits into "Replace History",
    // creating the keys when missing; nothing is written into a key that cannot be created. The
    // store reaches its file with its next Save.
    void SaveSettings(TSettingsStore& store) const;

    // Folder of the program's executable, without a trailing separator; set by the application.
    std::string ProgramFolder;
    // The help file the dialogs open topics of; set by the application.
    std::string HelpFile;

    bool ExpertMode;         // "Expert Mode": the search dialog (true) or the search assistant
    bool HorizontalSplit;    // "Horizontal Split": file list above the results pane
    uint8_t BusyState = Idle;
    // The record of the selected file-list row (each row holds its record), or none.
    TFileData* SelectedItem = nullptr;
    // The file whose matches the results pane shows, or none. Neither pointer owns its record.
    TFileData* DisplayedFile = nullptr;
    std::string EditorCommand; // "Editor Command": command line with $f, $e, $l, $c, $g, $$
    bool ShortFilenames;       // "Short Filenames": 8+3 names for files made by replace
    int32_t MatchWindow;       // "Match Window": lines of context either side of a match
    bool ExitConfirm;          // "ExitConfirm": ask before exiting
    bool ShowDlgOnStart;       // "ShowDlgOnStart": in expert mode, open the search dialog at start
    bool OMWAS;                // "OMWAS": show the matches as soon as a search completes
    int32_t ReplaceHistoryRuns = DefaultHistoryRuns;           // "Replace History" "Runs"
    int32_t ReplaceHistoryMegabytes = DefaultHistoryMegabytes; // "Replace History" "Megabytes"
    // ReplaceHistoryMegabytes in bytes.
    int64_t ReplaceHistoryBytes() const { return int64_t{ReplaceHistoryMegabytes} * 1024 * 1024; }
};
