// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "replace/TReplaceHit.h"
#include "replace/TReplaceJournal.h"

// The changes of a replace as comma-separated values, one line per change: file, line, column,
// old text, new text. The window's saved replace report and the console's dry run write the same.
//
// Every text field is quoted, with a quote inside doubled, so that a comma, a quote or a line
// end inside a replaced text stays inside its field; the numbers go unquoted. Texts are the
// bytes as they are in the file. Each line ends in LF.
class TReplaceCsv {
public:
    static std::string Header(); // "File,Line,Column,Old text,New text"
    static std::string Row(std::string_view path, const TReplaceHit& hit);
    // Header and a row per hit of every file of a journaled run (TReplaceJournal::Files).
    static std::string Document(const std::vector<TReplaceJournal::TFileRecord>& files);
    // `text` quoted as a field.
    static std::string Field(std::string_view text);
};
