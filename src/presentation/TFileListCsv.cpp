// SPDX-License-Identifier: MIT
#include "presentation/TFileListCsv.h"

#include "model/TFileData.h"
#include "presentation/TFileListColumns.h"

std::string TFileListCsv::Header()
{
    return "Filename,T/B,File type,Folder,Matches,Size,Date";
}

std::string TFileListCsv::Row(const TFileData& record)
{
    // The same texts as the file list's columns; the numbers go unquoted.
    std::string row;
    for (int column = 0; column < TFileListColumns::ColumnCount; ++column) {
        if (column > 0)
            row += ',';
        const bool number = column == TFileListColumns::Matches || column == TFileListColumns::Size;
        if (!number)
            row += '"';
        row += TFileListColumns::Text(record, column);
        if (!number)
            row += '"';
    }
    return row;
}
