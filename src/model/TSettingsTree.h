// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// One value of the settings tree. Integers are the registry's 32-bit values (booleans are
// stored as integers 0 or 1); texts are zero-terminated strings, so they never hold a NUL.
// Values of any other registry type found in a file are kept as raw bytes, so that rewriting the
// file does not lose them; they read as the wrong type.
struct TSettingsValue {
    enum class TKind : uint8_t { Integer, String, Other };

    TKind Kind = TKind::String;
    uint32_t Number = 0;  // Integer: the stored bits
    uint32_t RawType = 0; // Other: the registry type number (3 for plain binary data)
    std::string Data;     // String: the text; Other: the raw bytes

    static TSettingsValue Integer(uint32_t number);
    static TSettingsValue String(std::string_view text); // cut at the first NUL
    static TSettingsValue Other(uint32_t rawType, std::string bytes);

    bool operator==(const TSettingsValue&) const = default;
};

// The keys and values of the settings store in memory, the way the registry holds them below
// HKEY_CURRENT_USER: key paths are names joined by backslashes, compared (like value names)
// without regard to ASCII letter case; a key keeps the spelling it was created with, and a
// value the spelling it was first written with. A key's values keep their order of creation.
class TSettingsTree {
public:
    // Our deepest key lies six levels below HKEY_CURRENT_USER and our names are short. The
    // limits keep a damaged or hostile file from costing time and memory out of all proportion
    // to its size: every key stores its whole path, so each level of a path costs a copy of it.
    static constexpr std::size_t MaxKeyDepth = 32;
    static constexpr std::size_t MaxKeyNameLength = 255;

    struct TNamedValue {
        std::string Name; // empty for the key's default value
        TSettingsValue Value;
        bool operator==(const TNamedValue&) const = default;
    };

    class TKey {
    public:
        const std::string& Path() const { return DisplayPath; }
        const std::vector<TNamedValue>& Values() const { return Entries; }
        const TSettingsValue* Find(std::string_view name) const;
        // Sets (or adds) a value. False when the name cannot be stored (see IsValidValueName).
        bool Set(std::string_view name, TSettingsValue value);

        bool operator==(const TKey& other) const
        {
            return DisplayPath == other.DisplayPath && Entries == other.Entries;
        }

    private:
        friend class TSettingsTree;
        std::string DisplayPath;
        std::vector<TNamedValue> Entries;
        std::unordered_map<std::string, std::size_t> Index; // folded name -> position in Entries
    };

    // Keyed by the folded path with each backslash turned into a NUL (which no name can hold),
    // so that plain string order puts a key right before its sub-keys.
    using TKeyMap = std::map<std::string, TKey>;

    // The key at `path`, or nullptr.
    const TKey* FindKey(std::string_view path) const;
    // The key at `path`, created with any missing parent keys; nullptr when the path is invalid.
    TKey* CreateKey(std::string_view path);
    // Every key, parents before their sub-keys.
    const TKeyMap& Keys() const { return KeyMap; }

    bool operator==(const TSettingsTree& other) const { return KeyMap == other.KeyMap; }

    // `path` with one leading and one trailing backslash removed; empty when the result is not a
    // usable key path: empty, an empty name between two backslashes, a NUL or line feed
    // anywhere (a key line of the settings file could not hold it), or past the limits.
    static std::string NormalPath(std::string_view path);
    // False when `path` (names joined by backslashes) has more than MaxKeyDepth names or a name
    // longer than MaxKeyNameLength.
    static bool IsWithinLimits(std::string_view path);
    // Any name without NUL or line feed; the empty name is the key's default value.
    static bool IsValidValueName(std::string_view name);
    // ASCII letters folded to lower case, other bytes unchanged.
    static std::string Fold(std::string_view text);

private:
    static std::string MapKey(std::string_view normalPath);

    TKeyMap KeyMap;
};
