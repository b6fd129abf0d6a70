// SPDX-License-Identifier: MIT
#include "ConsoleRun.h"

#include <sstream>

#include "cli/TConsoleSearch.h"

ConsoleOutcome RunConsole(const std::string& folder, std::vector<std::string> args)
{
    std::ostringstream out, err;
    args.insert(args.begin(), "quarnel");
    const int exit = TConsoleSearch(out, err).Run(args, folder);
    return {exit, out.str(), err.str()};
}

std::string WithoutFolder(std::string text, const std::string& folder)
{
    for (std::size_t at; (at = text.find(folder)) != std::string::npos;)
        text.replace(at, folder.size(), "<dir>");
    return text;
}
