// SPDX-License-Identifier: MIT
#include "presentation/TFileListColumns.h"

#include <algorithm>
#include <cstdint>
#include <string>

#include "model/TDateFormat.h"
#include "model/TFileData.h"
#include "model/TFileList.h"
#include "model/TSettingsKey.h"
#include "model/TSettingsStore.h"

namespace {

struct TColumnInfo {
    std::string_view Caption;
    int Width;
    bool RightAligned;
    int SortKey;
};

constexpr std::array<TColumnInfo, TFileListColumns::ColumnCount> Columns = {{
    {"Name", 100, false, TFileListColumns::ByName},
    {"T", 20, false, TFileListColumns::ByFileType},
    {"Type", 150, false, TFileListColumns::ByTypeName},
    {"Folder", 150, false, TFileListColumns::ByFolder},
    {"Matches", 60, true, TFileListColumns::ByMatchCount},
    {"Size", 70, true, TFileListColumns::BySize},
    {"Date/Time", 0, false, TFileListColumns::ByDate},
}};

constexpr std::string_view WidthValue = "Width";

bool InRange(int column)
{
    return column >= 0 && column < TFileListColumns::ColumnCount;
}

template <typename T>
int Order(T a, T b)
{
    return a < b ? -1 : (b < a ? 1 : 0);
}

unsigned char FoldAscii(unsigned char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<unsigned char>(c - ('a' - 'A')) : c;
}

// The order of a key before the direction is applied; 0 on a tie of the key itself.
int CompareKey(const TFileData& a, const TFileData& b, int key)
{
    switch (key) {
    case TFileListColumns::ByName: return TFileListColumns::CompareFolded(a.FileName, b.FileName);
    // Binary (2) first, then text (1), then files that could not be read (0).
    case TFileListColumns::ByFileType: return Order(b.FileType, a.FileType);
    // A ZIP member sorts by its extraction folder, so one archive's members stay together.
    case TFileListColumns::ByFolder: return TFileListColumns::CompareFolded(a.Folder, b.Folder);
    case TFileListColumns::ByTypeName: return TFileListColumns::CompareFolded(a.TypeName, b.TypeName);
    case TFileListColumns::ByDate: return Order(b.Date, a.Date);
    // The full 64-bit size, so that files past 2 GiB do not wrap to negative sizes.
    case TFileListColumns::BySize: return Order(b.Size, a.Size);
    case TFileListColumns::ByMatchCount: return Order(b.Matches.size(), a.Matches.size());
    default: return 0;
    }
}

} // namespace

std::string_view TFileListColumns::Caption(int column)
{
    return InRange(column) ? Columns[column].Caption : std::string_view();
}

int TFileListColumns::InitialWidth(int column)
{
    return InRange(column) ? Columns[column].Width : 0;
}

bool TFileListColumns::IsRightAligned(int column)
{
    return InRange(column) && Columns[column].RightAligned;
}

std::string TFileListColumns::Text(const TFileData& record, int column)
{
    switch (column) {
    case Name: return record.FileName;
    case TextOrBinary: return record.FileType == TFileData::Text ? "T" : "B";
    case Type: return record.TypeName;
    case Folder: return record.InZip ? record.ZipName : record.Folder;
    case Matches: return std::to_string(record.Matches.size());
    case Size: return std::to_string(record.Size);
    case DateTime: return TDateFormat::Program().FormatDateTime(record.Date);
    default: return {};
    }
}

int TFileListColumns::SortKeyForColumn(int column)
{
    return InRange(column) ? Columns[column].SortKey : NoSort;
}

int TFileListColumns::SortKeyForCaption(std::string_view caption)
{
    for (const TColumnInfo& info : Columns)
        if (info.Caption == caption)
            return info.SortKey;
    return NoSort;
}

int TFileListColumns::CompareFolded(std::string_view a, std::string_view b)
{
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const unsigned char ca = FoldAscii(static_cast<unsigned char>(a[i]));
        const unsigned char cb = FoldAscii(static_cast<unsigned char>(b[i]));
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    return Order(a.size(), b.size());
}

int TFileListColumns::Compare(const TFileData& a, const TFileData& b, int key, bool descending)
{
    if (key < ByName || key > ByMatchCount)
        return 0;
    const int primary = CompareKey(a, b, key);
    if (primary != 0)
        return descending ? -primary : primary;
    // A tie goes by name A to Z whatever the direction; for the name key itself that is a
    // full tie.
    return key == ByName ? 0 : CompareFolded(a.FileName, b.FileName);
}

void TFileListColumns::Sort(TFileList& list, int key, bool descending)
{
    if (key < ByName || key > ByMatchCount)
        return;
    list.StableSort([key, descending](const TFileData& a, const TFileData& b) {
        return Compare(a, b, key, descending) < 0;
    });
}

void TFileListColumns::TSortState::Choose(int key)
{
    SortDescending = key == SortColumn ? !SortDescending : false;
    SortColumn = key;
}

TFileListColumns::TWidths TFileListColumns::InitialWidths()
{
    TWidths widths{};
    for (int column = 0; column < StoredColumnCount; ++column)
        widths[column] = Columns[column].Width;
    return widths;
}

std::string TFileListColumns::WidthKeyPath(int column)
{
    return TSettingsStore::KeyPath("Columns\\" + std::string(Caption(column)));
}

bool TFileListColumns::LoadWidths(const TSettingsStore& store, TWidths& widths)
{
    for (int column = 0; column < StoredColumnCount; ++column) {
        const TSettingsKey key = store.OpenKey(WidthKeyPath(column));
        if (!key.ok())
            continue;
        const TSettingsResult<int32_t> width = key.ReadInteger(WidthValue);
        // A negative width is as unusable as a missing one: the view cannot show it.
        if (!width.ok() || width.Value < 0)
            return false;
        widths[column] = width.Value;
    }
    return true;
}

bool TFileListColumns::SaveWidths(TSettingsStore& store, const TWidths& widths)
{
    bool allWritten = true;
    for (int column = 0; column < StoredColumnCount; ++column) {
        const TSettingsKey key = store.CreateKey(WidthKeyPath(column));
        if (!key.ok() || !key.WriteInteger(WidthValue, widths[column]))
            allWritten = false;
    }
    return allWritten;
}
