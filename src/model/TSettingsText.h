// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <string_view>

#include "model/TSettingsTree.h"

// The text form of the settings store: the registry's REGEDIT4 export format.
//
//   REGEDIT4
//
//   [HKEY_CURRENT_USER\Software\Quarnel\Quarnel\Current Version\General]
//   "Editor command"="Notepad.exe $f"
//   "Match Window"=dword:0000000a
//
// Texts and names are written between double quotes with "\" and a double quote escaped by a
// backslash. A text holding a line break is written as the registry's binary form of a string,
// hex(1): its bytes and a terminating zero, so that every line of the file stays one line.
// Values of other registry types are kept as hex(n): byte lists; long byte lists are continued
// on the next line after a trailing backslash, as the registry editor writes them.
class TSettingsText {
public:
    static constexpr std::string_view Header = "REGEDIT4";
    static constexpr std::string_view Hive = "HKEY_CURRENT_USER";

    // Reads as much of `content` as it can. A line that is not a key line, a value line or a
    // comment is passed over, as is a value line whose name or data does not parse (an
    // unterminated quote, bad dword digits, a bad byte list) and every value below a key line
    // that does not name a key of HKEY_CURRENT_USER. A key line creates its key and any missing
    // parents; of two values with the same name in one key the later one counts. Lines end with
    // LF or CR LF; a UTF-8 byte order mark at the start and any header line are passed over.
    // A key line past the tree's limits (TSettingsTree::IsWithinLimits) is passed over too, and
    // sets `pastLimits`: such a file is not one the program wrote.
    static TSettingsTree Parse(std::string_view content);
    static TSettingsTree Parse(std::string_view content, bool& pastLimits);

    // The whole file for `tree`: the header, then every key (parents first) with its values.
    // Parse(Format(tree)) gives `tree` back.
    static std::string Format(const TSettingsTree& tree);

    // `text` between double quotes, with "\" and the double quote escaped.
    static std::string Quote(std::string_view text);
};
