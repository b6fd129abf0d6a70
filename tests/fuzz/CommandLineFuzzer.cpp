// SPDX-License-Identifier: MIT
// Arbitrary bytes as a command line: the pieces between NUL bytes are the arguments, the first
// piece the folder that is current. Whatever they hold, parsing must end with a valid result.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "model/TSearchData.h"

namespace {

void Require(bool condition)
{
    if (!condition)
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<std::string> pieces(1);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0)
            pieces.emplace_back();
        else
            pieces.back() += static_cast<char>(data[i]);
    }
    const std::string currentFolder = pieces.front();
    std::vector<std::string> args(pieces.begin(), pieces.end());
    args.front() = "quarnel32";
    if (size > 0 && data[0] == 0xff)
        args.clear(); // now and then no arguments at all, not even the program

    TSearchData search;
    std::string parameterFile = "stale";
    const int result = search.ParseCommandLine(args, parameterFile, currentFolder);

    Require(result >= TSearchData::NothingToRun && result <= TSearchData::RunSearchNow);
    Require(parameterFile.size() <= 255);
    Require(result != TSearchData::NothingToRun || (parameterFile.empty() && search.Folders.empty()));
    if (result == TSearchData::ShowSearchDialog || result == TSearchData::RunSearchNow)
        Require(search.Folders.size() == 1 && search.Folders.front().size() <= std::max<std::size_t>(255, size));
    Require(search.SearchMode <= TSearchData::ModeQuick);
    (void)search.FileSpecsText(", ");
    (void)search.FoldersText(" ");
    return 0;
}
