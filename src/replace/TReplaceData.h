#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class TSettingsStore;

// The options of a replace run, kept under "Replace Options" in the settings store.
class TReplaceData {
public:
    static constexpr std::string_view SubKey = "Replace Options";

    // Every option at its default.
    TReplaceData() = default;
    // The options read from `store`.
    explicit TReplaceData(const TSettingsStore& store);

    void Load(const TSettingsStore& store);
    void Save(TSettingsStore& store) const;

    std::string ReplaceString;
    uint8_t Confirmation = 0;
    uint8_t Overwrite = 0;
    uint8_t Mode = 0;
    bool MakeBackup = false;
};
