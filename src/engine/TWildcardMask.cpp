// SPDX-License-Identifier: MIT
#include "engine/TWildcardMask.h"

namespace {

char Upper(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

} // namespace

// Iterative match with one backtrack point for the last '*': linear in practice, never
// exponential, whatever the mask.
bool TWildcardMask::MatchesGlob(std::string_view mask, std::string_view name)
{
    std::size_t m = 0, n = 0;
    std::size_t starMask = std::string_view::npos, starName = 0;
    while (n < name.size()) {
        if (m < mask.size() && mask[m] == '*') {
            starMask = m++;
            starName = n;
        } else if (m < mask.size() && (mask[m] == '?' || Upper(mask[m]) == Upper(name[n]))) {
            ++m;
            ++n;
        } else if (starMask != std::string_view::npos) {
            m = starMask + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == '*')
        ++m;
    return m == mask.size();
}

bool TWildcardMask::Matches(std::string_view mask, std::string_view name)
{
    if (MatchesGlob(mask, name))
        return true;
    if (mask.size() >= 2 && mask.substr(mask.size() - 2) == ".*" && name.find('.') == std::string_view::npos)
        return MatchesGlob(mask.substr(0, mask.size() - 2), name);
    return false;
}
