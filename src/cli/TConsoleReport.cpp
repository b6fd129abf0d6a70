// SPDX-License-Identifier: MIT
#include "cli/TConsoleReport.h"

#include <ostream>

#include "model/TFileData.h"

namespace {

// The starts of the messages that say a file was left as it was for a reason the console gives
// on standard error.
constexpr std::string_view FailureStarts[] = {"Replace not performed - ", "Left alone - ",
                                              "The original file could not be restored"};

bool IsFailure(std::string_view text)
{
    for (const std::string_view start : FailureStarts)
        if (text.substr(0, start.size()) == start)
            return true;
    return false;
}

} // namespace

void TConsoleReport::WriteFileHeader(const TFileData& file)
{
    Path = file.FullPath;
}

void TConsoleReport::WriteMessageLine(std::string_view text)
{
    if (!Printing || IsFailure(text))
        return;
    if (!Path.empty())
        Out << Path << ": ";
    Out << text << '\n';
}

bool TConsoleReport::FlushDocument()
{
    Out.flush();
    return true;
}
