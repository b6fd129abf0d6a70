// SPDX-License-Identifier: MIT
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "cli/TConsoleReplace.h"

class TFileData;
class TFileList;
class TSearchData;
struct TSearchStats;

// The console front end: takes the program's command line, runs the search engine with no
// window and prints what it found, grep-style, as JSON lines or as the matching-file CSV list.
//
// Its own options are long options, taken out of the arguments wherever they stand. Every leading
// switch is applied (a terminal user writes several: -r -w -m word '*.c' src), then the positional
// search text, file specifications and folder are read as the program reads them.
class TConsoleSearch {
public:
    enum ExitCode : int { Matched = 0, NothingMatched = 1, Failed = 2 };

    TConsoleSearch(std::ostream& out, std::ostream& err) : Out(out), Err(err), Replacing(out, err) {}

    // The folder of the program's own files (style sheet), where the HTML report links them.
    std::string ProgramFolder;

    // `args[0]` is the program's name. `currentFolder` is where a search without a folder runs.
    int Run(const std::vector<std::string>& args, const std::string& currentFolder);

    static std::string HelpText();

private:
    enum class Format { Grep, Json, Csv };

    void PrintGrep(const TFileData& record);
    bool WriteHtmlReport(const TSearchData& data, const TSearchStats& stats, const TFileList& results);
    void PrintJson(const TFileData& record);

    std::ostream& Out;
    std::ostream& Err;
    Format OutputFormat = Format::Grep;
    std::string HtmlFile;
    TConsoleReplace Replacing;
};
