// SPDX-License-Identifier: MIT
#include "presentation/TLinkAction.h"

#include "presentation/THTMLOptions.h"

TLinkAction TLinkAction::Parse(std::string_view link)
{
    TLinkAction action;
    action.Link = std::string(link);
    if (THTMLOptions::IsToggleLink(link)) {
        action.Kind = TKind::ToggleOption;
    } else if (const int window = THTMLLink::MatchWindowOf(link); window >= 0) {
        action.Kind = TKind::MatchWindow;
        action.MatchWindow = window;
    } else if (THTMLLink::ParseOpenFile(link, action.Target)) {
        action.Kind = TKind::OpenFile;
    }
    return action;
}

bool TLinkAction::Apply(THTMLOptions& options, int32_t& matchWindow) const
{
    switch (Kind) {
    case TKind::ToggleOption: return options.ApplyToggleLink(Link);
    case TKind::MatchWindow: matchWindow = MatchWindow; return true;
    default: return false;
    }
}
