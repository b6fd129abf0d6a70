#include "presentation/THTMLLink.h"

#include <charconv>

namespace {

int64_t Number(std::string_view text)
{
    int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    (void)end;
    return error == std::errc() ? value : 0;
}

}

bool THTMLLink::ParseOpenFile(std::string_view link, TMatchTarget& target)
{
    if (!link.starts_with("openfile"))
        return false;
    const std::size_t query = link.find('?');
    const std::size_t amp = link.rfind('&');
    if (query == std::string_view::npos || amp == std::string_view::npos || amp < query)
        return false;
    const std::size_t bar = link.find('|', amp);
    if (bar == std::string_view::npos)
        return false;
    target.Path = std::string(link.substr(query + 1, amp - query - 1));
    target.Line = Number(link.substr(amp + 1, bar - amp - 1));
    target.Column = Number(link.substr(bar + 1, 10));
    return true;
}

int THTMLLink::MatchWindowOf(std::string_view link)
{
    if (link.size() < 4 || !link.starts_with("SMW") || link[3] < '0' || link[3] > '9')
        return -1;
    return link[3] - '0';
}
