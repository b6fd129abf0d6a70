// SPDX-License-Identifier: MIT
#include "model/TPlacement.h"

#include "model/TSettingsStore.h"

namespace {

struct TBoundsValue {
    std::string_view Name;
    int32_t TPlacementBounds::*Member;
};

// The values in the order they are read and written.
constexpr TBoundsValue BoundsValues[] = {
    {"Left", &TPlacementBounds::Left},
    {"Width", &TPlacementBounds::Width},
    {"Top", &TPlacementBounds::Top},
    {"Height", &TPlacementBounds::Height},
};

} // namespace

TPlacement::TPlacement(std::string ownerName) : Owner(std::move(ownerName)) {}

std::string TPlacement::KeyPath() const
{
    return RegKeyName + "\\" + Owner;
}

std::string TPlacement::FormPositionsPath()
{
    return TSettingsStore::KeyPath(FormPositionsKey);
}

std::optional<TPlacementBounds> TPlacement::RestorePlacement(const TSettingsStore& store) const
{
    if (RegKeyName.empty())
        return std::nullopt;
    const TSettingsKey key = store.OpenKey(KeyPath());
    if (!key.ok())
        return std::nullopt;
    TPlacementBounds bounds;
    for (const TBoundsValue& value : BoundsValues) {
        const TSettingsResult<int32_t> read = key.ReadInteger(value.Name);
        if (!read.ok())
            return std::nullopt;
        bounds.*value.Member = read.Value;
    }
    if (bounds.Width <= 0 || bounds.Height <= 0)
        return std::nullopt;
    return bounds;
}

bool TPlacement::SavePlacement(TSettingsStore& store, const TPlacementBounds& bounds) const
{
    if (RegKeyName.empty())
        return false;
    const TSettingsKey key = store.CreateKey(KeyPath());
    if (!key.ok())
        return false;
    bool ok = true;
    for (const TBoundsValue& value : BoundsValues)
        ok = key.WriteInteger(value.Name, bounds.*value.Member) && ok;
    return ok;
}
