// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>

#include "model/TSettingsKey.h"

// One persistent field of a settings object: the value's name, the field it fills, and its
// default. A settings object declares its fields once, in one array of these in reading order,
// and its reader and writer both walk that array.
//
// Kinds follow the field's type: bool is a boolean value, int32_t an integer, uint8_t an integer
// of which only the low byte is kept, std::string a text.
template <typename Owner>
struct TSettingsField {
    using TMember = std::variant<bool Owner::*, int32_t Owner::*, uint8_t Owner::*, std::string Owner::*>;
    using TDefault = std::variant<bool, int32_t, std::string_view>;

    std::string_view Name; // read under this name
    TMember Member;
    TDefault Default;
    std::string_view WrittenAs = {}; // written under this spelling when not empty
};

namespace SettingsTable {

// Sets every field to its default.
template <typename Owner>
void ApplyDefaults(Owner& owner, std::span<const TSettingsField<Owner>> fields)
{
    for (const TSettingsField<Owner>& field : fields) {
        std::visit(
            [&](auto member) {
                using T = std::remove_cvref_t<decltype(owner.*member)>;
                if constexpr (std::is_same_v<T, std::string>)
                    owner.*member = std::string(std::get<std::string_view>(field.Default));
                else if constexpr (std::is_same_v<T, bool>)
                    owner.*member = std::get<bool>(field.Default);
                else
                    owner.*member = static_cast<T>(std::get<int32_t>(field.Default));
            },
            field.Member);
    }
}

// Sets every field to false, 0 or the empty text.
template <typename Owner>
void ClearFields(Owner& owner, std::span<const TSettingsField<Owner>> fields)
{
    for (const TSettingsField<Owner>& field : fields)
        std::visit([&](auto member) { owner.*member = {}; }, field.Member);
}

// Reads the fields in order, storing each as soon as it is read, and stops at the first value
// that is missing or of the wrong type; a missing text is read as the empty text and does not
// stop the reading. Returns how many fields were read.
template <typename Owner>
std::size_t ReadFields(const TSettingsKey& key, Owner& owner, std::span<const TSettingsField<Owner>> fields)
{
    std::size_t read = 0;
    for (const TSettingsField<Owner>& field : fields) {
        const bool ok = std::visit(
            [&](auto member) {
                using T = std::remove_cvref_t<decltype(owner.*member)>;
                if constexpr (std::is_same_v<T, std::string>) {
                    TSettingsResult<std::string> result = key.ReadString(field.Name);
                    if (result.Status == TSettingsStatus::WrongType)
                        return false;
                    owner.*member = std::move(result.Value);
                } else if constexpr (std::is_same_v<T, bool>) {
                    const TSettingsResult<bool> result = key.ReadBool(field.Name);
                    if (!result.ok())
                        return false;
                    owner.*member = result.Value;
                } else {
                    const TSettingsResult<int32_t> result = key.ReadInteger(field.Name);
                    if (!result.ok())
                        return false;
                    owner.*member = static_cast<T>(result.Value);
                }
                return true;
            },
            field.Member);
        if (!ok)
            break;
        ++read;
    }
    return read;
}

// Writes every field in order. False when a write failed (callers do not report it).
template <typename Owner>
bool WriteFields(const TSettingsKey& key, const Owner& owner, std::span<const TSettingsField<Owner>> fields)
{
    bool ok = true;
    for (const TSettingsField<Owner>& field : fields) {
        const std::string_view name = field.WrittenAs.empty() ? field.Name : field.WrittenAs;
        ok = std::visit(
                 [&](auto member) {
                     using T = std::remove_cvref_t<decltype(owner.*member)>;
                     if constexpr (std::is_same_v<T, std::string>)
                         return key.WriteString(name, owner.*member);
                     else if constexpr (std::is_same_v<T, bool>)
                         return key.WriteBool(name, owner.*member);
                     else
                         return key.WriteInteger(name, static_cast<int32_t>(owner.*member));
                 },
                 field.Member) &&
             ok;
    }
    return ok;
}

} // namespace SettingsTable
