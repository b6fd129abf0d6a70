// SPDX-License-Identifier: MIT
#include "replace/TReplaceCsv.h"

std::string TReplaceCsv::Header()
{
    return "File,Line,Column,Old text,New text";
}

std::string TReplaceCsv::Field(std::string_view text)
{
    std::string field = "\"";
    for (const char c : text) {
        if (c == '"')
            field += '"';
        field += c;
    }
    field += '"';
    return field;
}

std::string TReplaceCsv::Row(std::string_view path, const TReplaceHit& hit)
{
    return Field(path) + ',' + std::to_string(hit.Line) + ',' + std::to_string(hit.Column) + ',' +
           Field(hit.OldText) + ',' + Field(hit.NewText);
}

std::string TReplaceCsv::Document(const std::vector<TReplaceJournal::TFileRecord>& files)
{
    std::string text = Header() + "\n";
    for (const TReplaceJournal::TFileRecord& file : files)
        for (const TReplaceHit& hit : file.Hits)
            text += Row(file.Path, hit) + "\n";
    return text;
}
