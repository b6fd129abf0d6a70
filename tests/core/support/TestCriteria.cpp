// SPDX-License-Identifier: MIT
#include "TestCriteria.h"

#include <utility>

TSearchData TestCriteria(uint8_t mode, std::string pattern)
{
    TSearchData data;
    data.SearchMode = mode;
    data.SearchString = std::move(pattern);
    data.TextFileFormat = TSearchData::FormatNormal;
    data.FieldNumber = 1;
    data.FieldStart = 1;
    data.FieldWidth = 100;
    data.SeparatorChar = ",";
    return data;
}
