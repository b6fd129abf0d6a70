// SPDX-License-Identifier: MIT
#include "presentation/THTMLEscape.h"

namespace {

constexpr std::string_view Special = "<>&\"";

}

std::string THTMLEscape::Escape(std::string_view text)
{
    std::string out;
    Append(out, text);
    return out;
}

void THTMLEscape::Append(std::string& out, std::string_view text)
{
    std::size_t at = text.find_first_of(Special);
    if (at == std::string_view::npos) {
        out.append(text);
        return;
    }
    std::size_t from = 0;
    while (at != std::string_view::npos) {
        out.append(text, from, at - from);
        switch (text[at]) {
        case '<': out.append("&lt;"); break;
        case '>': out.append("&gt;"); break;
        case '&': out.append("&amp;"); break;
        default: out.append("&quot;"); break;
        }
        from = at + 1;
        at = text.find_first_of(Special, from);
    }
    out.append(text, from);
}
