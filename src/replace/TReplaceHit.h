// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>

// One change a replace made (or, in a dry run, would make) in a file: where, and the text before
// and after. Columns count bytes from 1 in the original line.
struct TReplaceHit {
    int64_t Line = 0;
    int32_t Column = 0;
    std::string OldText;
    std::string NewText;
};
