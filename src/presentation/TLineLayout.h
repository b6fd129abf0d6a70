// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "model/TMatch.h"

// How one line of a file is cut for a results document: which of the file's matches lie on it,
// the text of each, and, for the whole-line view, the runs of plain text between them and the
// tail after the last. Every sink of the document cuts a line the same way.
class TLineLayout {
public:
    // A line shows at most this many bytes after its last match (or from its start without one),
    // so that very long lines do not bloat the document.
    static constexpr std::size_t TailLimit = 1000;

    // One run of the whole-line view: plain text, or the text of `Match`.
    struct TRun {
        std::string_view Text;
        const TMatch* Match = nullptr;
    };

    // `matches` is the file's match list, `firstIndex` the index of the first match that may lie
    // on the line at `place`. The layout refers to `lineText` and `matches`, which must outlive it.
    TLineLayout(std::string_view lineText, TLinePlace place, const TMatchList& matches, std::size_t firstIndex);

    bool HasMatches() const { return Last > First; }
    // The matches on the line, in order.
    const TMatch* begin() const { return Matches.data() + First; }
    const TMatch* end() const { return Matches.data() + Last; }
    // The text of a match on the line, cut to the line.
    std::string_view MatchText(const TMatch& match) const;
    // The whole-line view: plain runs and matches, then the tail.
    std::vector<TRun> Runs() const;

private:
    std::string_view Line;
    const TMatchList& Matches;
    std::size_t First = 0;
    std::size_t Last = 0;
};
