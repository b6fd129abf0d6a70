// SPDX-License-Identifier: MIT
#pragma once

#include <string>

class TFileData;

// The matching-file list as comma-separated values, one line per file as the file list shows it.
// Fields are quoted as the list's readers expect, and nothing inside a field is escaped.
class TFileListCsv {
public:
    static std::string Header();
    static std::string Row(const TFileData& record);
};
