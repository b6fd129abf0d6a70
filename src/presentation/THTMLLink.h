// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The match links of the results document, written and read back in one place.
//
// A match link reads "openfile?" + path + "&" + line + "|" + column. The receiver splits off the
// line and the column at the last '&', and they are digits only, so a path that itself holds
// '&', '|', '?' or '%' comes back whole without any escape, and the link of an ordinary path is
// the path as it stands.
//
// The pane reports a link as text: the document's bytes decoded (valid UTF-8 as it is, any other
// byte as Windows-1252) and its entities resolved. A path whose bytes would not survive that
// (bytes that are not UTF-8, control characters, characters a text document reads as structure)
// is written in the escaped form "openfile%?" + path with '%' and every byte outside printable
// ASCII as "%XX", so that the link text is plain ASCII and still names the same file.
class THTMLLink {
public:
    struct TMatchTarget {
        std::string Path;
        int64_t Line = 0;
        int64_t Column = 0;

        friend bool operator==(const TMatchTarget&, const TMatchTarget&) = default;
    };

    // The text of the match link for `path`, `line` and `column`, as the pane reports it.
    static std::string OpenFileLink(std::string_view path, int64_t line, int64_t column);
    // The same link as the value of an href attribute in double quotes: the characters of the
    // path that are markup become entities; the separators are written as they are.
    static void AppendOpenFileAttribute(std::string& out, std::string_view path, int64_t line, int64_t column);
    // True when `path` needs the escaped form of the link.
    static bool NeedsEscapedPath(std::string_view path);

    // Reads a match link back. The path is everything between the first '?' and the last '&'
    // (decoded in the escaped form); the line is the number between that '&' and the next '|',
    // the column the number at the start of the (at most ten) characters after that '|'. A
    // number that cannot be read, or is negative, gives 0. False when `link` is not a match link.
    static bool ParseOpenFile(std::string_view link, TMatchTarget& target);
    // The match window that a link "SMW0" to "SMW5" sets (the one digit after "SMW"), or -1.
    static int MatchWindowOf(std::string_view link);
};
