// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>

#include "model/TSearchData.h"

// Criteria for a search of `pattern` in mode `mode`, with every other setting plain: normal text
// format, and a field rule (field 1 from column 1, 100 wide, comma separated) that only a test
// of fields switches on.
TSearchData TestCriteria(uint8_t mode, std::string pattern);
