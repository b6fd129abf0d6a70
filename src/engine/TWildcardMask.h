// SPDX-License-Identifier: MIT
#pragma once

#include <string_view>

// File-name masks as users write them: '*' is any run of characters, '?' exactly one, and
// letters compare without regard to case (ASCII). A mask ending in ".*" also matches a name
// without a dot, so "*.*" matches every name and "readme.*" matches "readme".
class TWildcardMask {
public:
    static bool Matches(std::string_view mask, std::string_view name);
    // '*' and '?' only, without the rule for a trailing ".*".
    static bool MatchesGlob(std::string_view mask, std::string_view name);
};
