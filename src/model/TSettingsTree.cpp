// SPDX-License-Identifier: MIT
#include "model/TSettingsTree.h"

#include <algorithm>

TSettingsValue TSettingsValue::Integer(uint32_t number)
{
    TSettingsValue value;
    value.Kind = TKind::Integer;
    value.Number = number;
    return value;
}

TSettingsValue TSettingsValue::String(std::string_view text)
{
    TSettingsValue value;
    value.Kind = TKind::String;
    value.Data = std::string(text.substr(0, text.find('\0')));
    return value;
}

TSettingsValue TSettingsValue::Other(uint32_t rawType, std::string bytes)
{
    TSettingsValue value;
    value.Kind = TKind::Other;
    value.RawType = rawType;
    value.Data = std::move(bytes);
    return value;
}

std::string TSettingsTree::Fold(std::string_view text)
{
    std::string folded(text);
    for (char& c : folded)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return folded;
}

std::string TSettingsTree::MapKey(std::string_view normalPath)
{
    std::string key = Fold(normalPath);
    for (char& c : key)
        if (c == '\\')
            c = '\0';
    return key;
}

std::string TSettingsTree::NormalPath(std::string_view path)
{
    if (!path.empty() && path.front() == '\\')
        path.remove_prefix(1);
    if (!path.empty() && path.back() == '\\')
        path.remove_suffix(1);
    if (path.empty() || path.find('\0') != std::string_view::npos || path.find('\n') != std::string_view::npos ||
        path.front() == '\\' || path.back() == '\\' || path.find("\\\\") != std::string_view::npos ||
        !IsWithinLimits(path))
        return {};
    return std::string(path);
}

bool TSettingsTree::IsWithinLimits(std::string_view path)
{
    if (path.size() > MaxKeyDepth * (MaxKeyNameLength + 1))
        return false;
    std::size_t depth = 1;
    std::size_t nameLength = 0;
    for (char c : path) {
        if (c != '\\') {
            if (++nameLength > MaxKeyNameLength)
                return false;
        } else {
            nameLength = 0;
            if (++depth > MaxKeyDepth)
                return false;
        }
    }
    return true;
}

bool TSettingsTree::IsValidValueName(std::string_view name)
{
    return name.find('\0') == std::string_view::npos && name.find('\n') == std::string_view::npos;
}

const TSettingsValue* TSettingsTree::TKey::Find(std::string_view name) const
{
    const auto it = Index.find(Fold(name));
    return it == Index.end() ? nullptr : &Entries[it->second].Value;
}

bool TSettingsTree::TKey::Set(std::string_view name, TSettingsValue value)
{
    if (!IsValidValueName(name))
        return false;
    const auto [it, added] = Index.try_emplace(Fold(name), Entries.size());
    if (added)
        Entries.push_back({std::string(name), std::move(value)});
    else
        Entries[it->second].Value = std::move(value);
    return true;
}

const TSettingsTree::TKey* TSettingsTree::FindKey(std::string_view path) const
{
    const std::string normal = NormalPath(path);
    if (normal.empty())
        return nullptr;
    const auto it = KeyMap.find(MapKey(normal));
    return it == KeyMap.end() ? nullptr : &it->second;
}

TSettingsTree::TKey* TSettingsTree::CreateKey(std::string_view path)
{
    const std::string normal = NormalPath(path);
    if (normal.empty())
        return nullptr;
    // Walk down from the top, creating each missing level; a new level is spelled as given,
    // below the spelling of its existing parent.
    TKey* key = nullptr;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = std::min(normal.find('\\', start), normal.size());
        const std::string_view name = std::string_view(normal).substr(start, end - start);
        auto [it, added] = KeyMap.try_emplace(MapKey(std::string_view(normal).substr(0, end)));
        if (added)
            it->second.DisplayPath = key ? key->DisplayPath + '\\' + std::string(name) : std::string(name);
        key = &it->second;
        if (end == normal.size())
            return key;
        start = end + 1;
    }
}
