#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Reading back the links of the results document, as the pane reports them when clicked (the
// text after "href=", its entities decoded).
class THTMLLink {
public:
    struct TMatchTarget {
        std::string Path;
        int64_t Line = 0;
        int64_t Column = 0;
    };

    // A match link "openfile?" + path + "&" + line + "|" + column. The line and the column are
    // split off at the last '&', so a path that itself holds '&' or '|' comes back whole. A
    // number that cannot be read gives 0; the column is read from at most ten characters.
    // False when `link` is not a match link.
    static bool ParseOpenFile(std::string_view link, TMatchTarget& target);
    // The match window that a link "SMW0" to "SMW5" sets (the one digit after "SMW"), or -1.
    static int MatchWindowOf(std::string_view link);
};
