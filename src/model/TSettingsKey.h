// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/TSettingsResult.h"

class TSettingsStore;

// An open key of the settings store, got from TSettingsStore::OpenKey (for reading) or
// TSettingsStore::CreateKey (for reading and writing). A handle is cheap to copy and refers to
// its store, which must outlive it. ok() says whether the key is open: a key opened for reading
// that does not exist is not, and every read of it gives Missing.
//
// Value names are compared without regard to ASCII letter case. Three kinds are kept apart:
// integers (32-bit), booleans (stored as the integers 0 or 1, read as true when not zero) and
// texts. Reading a value of the other kind gives WrongType.
class TSettingsKey {
public:
    TSettingsKey() = default; // not open

    bool ok() const { return Store != nullptr; }
    bool IsWritable() const { return Writer != nullptr; }
    // The key's path relative to HKEY_CURRENT_USER, without a leading or trailing backslash.
    const std::string& Path() const { return KeyPath; }

    bool HasValue(std::string_view name) const;
    // The names of the key's values, in the order they were created.
    std::vector<std::string> ValueNames() const;

    TSettingsResult<int32_t> ReadInteger(std::string_view name) const;
    TSettingsResult<bool> ReadBool(std::string_view name) const;
    // A missing text gives Missing with an empty Value, which callers that treat a missing text
    // as empty can use as it is.
    TSettingsResult<std::string> ReadString(std::string_view name) const;

    // Writes change the store in memory at once (later reads see them) and reach the file with
    // the store's next Save. False when the key is not open for writing or the name cannot be
    // stored (it holds a NUL or a line feed). A text is stored up to its first NUL.
    bool WriteInteger(std::string_view name, int32_t value) const;
    bool WriteBool(std::string_view name, bool value) const;
    bool WriteString(std::string_view name, std::string_view value) const;

private:
    friend class TSettingsStore;
    TSettingsKey(const TSettingsStore* store, TSettingsStore* writer, std::string path)
        : Store(store), Writer(writer), KeyPath(std::move(path))
    {
    }

    const TSettingsStore* Store = nullptr;
    TSettingsStore* Writer = nullptr;
    std::string KeyPath;
};
