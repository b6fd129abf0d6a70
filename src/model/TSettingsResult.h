// SPDX-License-Identifier: MIT
#pragma once

// The outcome of reading one value of the settings store. A reader sees whether the value was
// there and of the kind it asked for; what it does with a failure is its own rule (stop reading,
// take an empty text, keep a default).
enum class TSettingsStatus {
    Ok,
    Missing,   // the key or the value does not exist
    WrongType, // the value exists but holds another kind (a text where a number is asked for, ...)
};

template <typename T>
struct TSettingsResult {
    TSettingsStatus Status = TSettingsStatus::Missing;
    // The value when Status is Ok; otherwise the empty value of T (0, false, "").
    T Value{};

    bool ok() const { return Status == TSettingsStatus::Ok; }
};
