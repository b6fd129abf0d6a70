#pragma once

#include <cstdint>
#include <string>

// One entry of an INI-format parameter file. Every read or write of Text, State or Value is one
// independent access to the file: nothing is kept open or cached between accesses.
class TProfile {
public:
    std::string FileName = "WIN.INI";
    std::string Section;
    std::string Entry;
    std::string DefaultText;

    // The value of Entry in Section, DefaultText when the key is missing; at most 255 characters.
    std::string Text() const;
    // Sets the key, creating the file, the section or the key as needed. False when the file
    // could not be written (callers do not report it).
    bool SetText(const std::string& text) const;
    // "TRUE"/"YES" in any case, or "1".
    bool State() const;
    bool SetState(bool state) const;
    // A decimal integer, 0 when empty, else 1 or 0 by the State rule.
    int32_t Value() const;
    bool SetValue(int32_t value) const;

    static constexpr std::size_t MaxValueLength = 255;
};
