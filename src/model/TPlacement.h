// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class TSettingsStore;

// The outer bounds of a window, in screen pixels.
struct TPlacementBounds {
    int32_t Left = 0;
    int32_t Width = 0;
    int32_t Top = 0;
    int32_t Height = 0;

    bool operator==(const TPlacementBounds&) const = default;
};

// Where a form's position and size are kept in the settings store: the key RegKeyName + "\" +
// the owner form's name, with the integer values "Left", "Width", "Top" and "Height". The
// application applies the bounds to its window; this class only reads and writes them.
class TPlacement {
public:
    // The key below the settings root that holds one sub-key per placed form.
    static constexpr std::string_view FormPositionsKey = "Form Positions";

    explicit TPlacement(std::string ownerName);

    // The key (relative to HKEY_CURRENT_USER) below which the owner's sub-key lies; the main
    // window sets it to FormPositionsPath() before it restores its placement. While it is
    // empty the placement is neither restored nor saved.
    std::string RegKeyName;

    const std::string& OwnerName() const { return Owner; }
    // RegKeyName + "\" + the owner's name.
    std::string KeyPath() const;
    // The settings root + "\Form Positions".
    static std::string FormPositionsPath();

    // The stored bounds, read in the order "Left", "Width", "Top", "Height". Nothing when the
    // key does not exist, when any of the four is missing or not an integer (the four are always
    // written together, so a partial set is damage), or when the width or height is not positive
    // (the window would be invisible): the form then keeps its designed bounds.
    std::optional<TPlacementBounds> RestorePlacement(const TSettingsStore& store) const;
    // Writes the four values in the same order, creating the key when missing. False when the
    // key cannot be created. The store reaches its file with its next Save.
    bool SavePlacement(TSettingsStore& store, const TPlacementBounds& bounds) const;

private:
    std::string Owner;
};
