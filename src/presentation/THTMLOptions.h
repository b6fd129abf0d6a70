// SPDX-License-Identifier: MIT
#pragma once

#include <string_view>

class TSettingsStore;

// The eight view options of the results document, kept under the "RTF Data" key.
//
// The value names, the defaults, the reading and writing order and the toolbar link that flips
// each option are declared once, in the table in THTMLOptions.cpp.
struct THTMLOptions {
    // Sets every option to its default.
    THTMLOptions();

    bool LineNumbers;       // lines carry their number
    bool TitleAndMenu;      // the title block and the toolbar are written
    bool WordWrap;          // a file's body table (fancy output) is 100% wide, else 5000 pixels
    bool ShowFileContents;  // lines are written; off: file headings only
    bool MatchesOnly;       // each match on a line of its own, no context
    bool FancyOutput;       // headings as styled tables; off: bold text
    bool FileNames;         // file headings and footers are written
    bool FixedFont;         // each file's body inside <pre>

    // Reads the options in their fixed order. A missing key leaves every option as it is; the
    // first value that is missing or not an integer ends the reading, keeping what was read.
    void Load(const TSettingsStore& store);
    // Writes all eight as booleans (0 or 1), creating the key when missing.
    void Save(TSettingsStore& store) const;

    // Flips the option that a toolbar link stands for ("TogglePlain", "ToggleFileContents", ...;
    // compared exactly). False, and nothing changed, for any other text.
    bool ApplyToggleLink(std::string_view link);
    // True when `link` is one of those toolbar links.
    static bool IsToggleLink(std::string_view link);

    friend bool operator==(const THTMLOptions&, const THTMLOptions&) = default;
};
