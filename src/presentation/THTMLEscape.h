// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <string_view>

// The one escaping rule of the results document: '<', '>', '&' and '"' become entities, every
// other byte is copied as it is. Text stays bytes; nothing is decoded or re-encoded here.
class THTMLEscape {
public:
    static std::string Escape(std::string_view text);
    // Appends the escaped text to `out`; text without any of the four characters is appended
    // in one piece.
    static void Append(std::string& out, std::string_view text);
};
