// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

// The INI rules of parameter files, applied to a file's content in memory, so that TProfile only
// adds the file access and the parser can be exercised without a file system.
//
// A line is a section header when, after leading blanks, it starts with "[" and holds a "]"; the
// name lies between the "[" and the last "]". Otherwise it is a key line when it holds "="; the
// key is the text before the first "=". Any other line (garbage, text without "=") is kept but
// means nothing. Names are compared without regard to ASCII case and without surrounding blanks.
// Only the first section of a name counts, and in it the first key of a name, both for reading
// and for writing. Lines end with LF; a CR before it is read as a trailing blank.
class TIniText {
public:
    // The value of `key` in `section`: surrounding blanks removed, then one pair of enclosing
    // double or single quotes. Empty when the key is present with an empty value; nothing when
    // the section or the key is missing. Not cut to any length.
    static std::optional<std::string> Read(std::string_view content, std::string_view section,
                                           std::string_view key);

    // Every value of a content, read in one pass, for reading many keys: Find gives what Read
    // gives for the same content, section and key.
    class TIndex {
    public:
        explicit TIndex(std::string_view content);
        std::optional<std::string> Find(std::string_view section, std::string_view key) const;

    private:
        using TKeys = std::unordered_map<std::string, std::string>; // folded key -> read value
        std::unordered_map<std::string, TKeys> Sections;            // folded section name -> keys
    };

    // `content` with `key` in `section` set to `value`: an existing key has its value replaced
    // in place (the rest of its line, its line end included, is kept), a new key goes after the
    // last key line of its section, a new section goes at the end. Every other byte is kept.
    // New lines end like the file's first line (LF or CR LF), LF in an empty file. `value` is
    // written as it is, up to its first line break (see WritableValue). The names must pass
    // IsWritableSection / IsWritableKey; otherwise `content` is returned unchanged.
    static std::string Write(std::string_view content, std::string_view section, std::string_view key,
                             std::string_view value);

    // A section name that can be written and read back: not empty after trimming, no line break.
    static bool IsWritableSection(std::string_view section);
    // A key that can be written and read back: not empty after trimming, no line break, no "=",
    // and not starting with "[" (such a line would read as a section header).
    static bool IsWritableKey(std::string_view key);
    // The part of a value that a write stores: everything before its first CR, LF or NUL, so that
    // a value can never add lines (sections, keys) of its own to the file.
    static std::string_view WritableValue(std::string_view value);
    // The read form of a raw value: blanks trimmed, then one pair of enclosing quotes removed.
    static std::string_view Unquote(std::string_view raw);
    // Surrounding blanks (space, tab, CR, LF, VT, FF, and the DOS end-of-file mark) removed.
    static std::string_view Trim(std::string_view text);
};
