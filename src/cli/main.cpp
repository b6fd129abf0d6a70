// SPDX-License-Identifier: MIT
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "cli/TConsoleSearch.h"
#include "model/TLeftovers.h"

int main(int argc, char* argv[])
{
    std::ios::sync_with_stdio(false);
    const std::vector<std::string> args(argv, argv + argc);
    std::error_code error;
    const std::string currentFolder = std::filesystem::current_path(error).string();
    error.clear();
    // What killed runs left in the temporary folder and beside the files they replaced.
    TLeftovers::Sweep();
    TConsoleSearch console(std::cout, std::cerr);
    // The program's own files lie beside its executable, wherever it was installed or copied.
    console.ProgramFolder = std::filesystem::canonical("/proc/self/exe", error).parent_path().string();
    return console.Run(args, currentFolder.empty() ? std::string(".") : currentFolder);
}
