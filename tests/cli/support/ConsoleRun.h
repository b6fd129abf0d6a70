// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

// What one run of the console front end gave back: its exit status and everything it printed.
struct ConsoleOutcome {
    int Exit;
    std::string Out;
    std::string Err;
};

// Runs the console front end in memory with `args` (the program's name is put in front),
// `folder` being the current folder.
ConsoleOutcome RunConsole(const std::string& folder, std::vector<std::string> args);

// `text` with every occurrence of `folder` written as "<dir>", so that expected output does not
// depend on where the test's temporary folder lies.
std::string WithoutFolder(std::string text, const std::string& folder);
