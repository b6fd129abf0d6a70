// SPDX-License-Identifier: MIT
#include "model/TSettingsKey.h"

#include "model/TSettingsStore.h"

namespace {

const TSettingsValue* FindValue(const TSettingsStore* store, const std::string& path, std::string_view name)
{
    if (!store)
        return nullptr;
    const TSettingsTree::TKey* key = store->Tree().FindKey(path);
    return key ? key->Find(name) : nullptr;
}

template <typename T>
TSettingsResult<T> Failure(TSettingsStatus status)
{
    TSettingsResult<T> result;
    result.Status = status;
    return result;
}

} // namespace

bool TSettingsKey::HasValue(std::string_view name) const
{
    return FindValue(Store, KeyPath, name) != nullptr;
}

std::vector<std::string> TSettingsKey::ValueNames() const
{
    std::vector<std::string> names;
    if (const TSettingsTree::TKey* key = Store ? Store->Tree().FindKey(KeyPath) : nullptr)
        for (const TSettingsTree::TNamedValue& entry : key->Values())
            names.push_back(entry.Name);
    return names;
}

TSettingsResult<int32_t> TSettingsKey::ReadInteger(std::string_view name) const
{
    const TSettingsValue* value = FindValue(Store, KeyPath, name);
    if (!value)
        return Failure<int32_t>(TSettingsStatus::Missing);
    if (value->Kind != TSettingsValue::TKind::Integer)
        return Failure<int32_t>(TSettingsStatus::WrongType);
    return {TSettingsStatus::Ok, static_cast<int32_t>(value->Number)};
}

TSettingsResult<bool> TSettingsKey::ReadBool(std::string_view name) const
{
    const TSettingsResult<int32_t> number = ReadInteger(name);
    return {number.Status, number.Value != 0};
}

TSettingsResult<std::string> TSettingsKey::ReadString(std::string_view name) const
{
    const TSettingsValue* value = FindValue(Store, KeyPath, name);
    if (!value)
        return Failure<std::string>(TSettingsStatus::Missing);
    if (value->Kind != TSettingsValue::TKind::String)
        return Failure<std::string>(TSettingsStatus::WrongType);
    return {TSettingsStatus::Ok, value->Data};
}

bool TSettingsKey::WriteInteger(std::string_view name, int32_t value) const
{
    return Writer && Writer->Write(KeyPath, name, TSettingsValue::Integer(static_cast<uint32_t>(value)));
}

bool TSettingsKey::WriteBool(std::string_view name, bool value) const
{
    return WriteInteger(name, value ? 1 : 0);
}

bool TSettingsKey::WriteString(std::string_view name, std::string_view value) const
{
    return Writer && Writer->Write(KeyPath, name, TSettingsValue::String(value));
}
