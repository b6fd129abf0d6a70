// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <string>
#include <string_view>

class TFileData;
class TFileList;
class TSettingsStore;

// The columns of the file list: their captions, the text each shows for a record, the sort
// orders the user picks by clicking a column, and the stored column widths. The list view, the
// CSV export and printing all take their texts from here, so they always agree.
class TFileListColumns {
public:
    // Column indexes, in display order.
    enum Column : int { Name = 0, TextOrBinary = 1, Type = 2, Folder = 3, Matches = 4, Size = 5, DateTime = 6 };
    static constexpr int ColumnCount = 7;
    // Only these leading columns keep their width across runs; the date column fills the rest.
    static constexpr int StoredColumnCount = 6;

    // Sort keys. They are not the column indexes: Folder and Type swap places, and the three
    // numeric columns come last in reverse order.
    enum SortKey : int {
        NoSort = 0,
        ByName = 1,
        ByFileType = 2,
        ByFolder = 3,
        ByTypeName = 4,
        ByDate = 5,
        BySize = 6,
        ByMatchCount = 7,
    };

    // The header caption of `column`; empty for an index out of range.
    static std::string_view Caption(int column);
    // Width in pixels a column starts with; the date column has none (0) as it fills the rest.
    static int InitialWidth(int column);
    // Whether the column's numbers are aligned to the right.
    static bool IsRightAligned(int column);

    // The text `record` shows in `column`: the file name, "T" or "B", the type name, the folder
    // (the archive for a ZIP member), the match count, the size in bytes, and the date with the
    // process's date format (TDateFormat::Program). Empty for an index out of range.
    static std::string Text(const TFileData& record, int column);

    // The sort key a click on `column` asks for, and the same by caption; NoSort when unknown.
    static int SortKeyForColumn(int column);
    static int SortKeyForCaption(std::string_view caption);

    // Orders two records by `key`: negative when `a` goes first, positive when `b` does, zero
    // when they are equal. Ascending means A to Z for the texts, and binary before text, newest,
    // largest and most matches first for the others; `descending` reverses that. Ties are
    // broken by name, always A to Z. Texts compare byte by byte with only a-z folded to A-Z.
    // An unknown key compares everything equal.
    static int Compare(const TFileData& a, const TFileData& b, int key, bool descending);
    // Stable sort of `list` by Compare; records equal in key and name keep their order.
    static void Sort(TFileList& list, int key, bool descending);

    // Byte-wise comparison after folding the ASCII letters a-z to A-Z, as -1, 0 or 1.
    static int CompareFolded(std::string_view a, std::string_view b);

    // The process's sort state, kept across searches. Choosing the key in use again reverses the
    // direction; another key starts ascending.
    struct TSortState {
        int SortColumn = NoSort;
        bool SortDescending = false;
        void Choose(int key);
    };

    // The widths of the stored columns, in column order.
    using TWidths = std::array<int, StoredColumnCount>;
    static TWidths InitialWidths();
    // Reads "Columns\<caption>" value "Width" for each stored column in order. A column without
    // its key keeps the width it has; the first width that is missing, not an integer or
    // negative ends the reading, and the columns from there on keep theirs. True when every
    // column was either read or had no key.
    static bool LoadWidths(const TSettingsStore& store, TWidths& widths);
    // Writes every stored column's width, creating the keys as needed. False when a write failed.
    static bool SaveWidths(TSettingsStore& store, const TWidths& widths);
    // The settings key of a column's width: "Columns\" + caption, below the program's root.
    static std::string WidthKeyPath(int column);
};
