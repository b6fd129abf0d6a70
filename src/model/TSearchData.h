// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "TDateTime.h"

class TProfile;

// Every criterion of one search. The dialogs fill it, the engine only reads it; it round-trips
// through a parameter file and is also filled from a command line.
class TSearchData {
public:
    enum : uint8_t { ModeNormal = 0, ModeSoundex = 1, ModeQuick = 2 };
    enum : uint8_t { FormatNormal = 0, FormatDelimited = 1, FormatFixedWidth = 2 };

    // What ParseCommandLine asks the start-up action to do.
    enum CommandLineResult : int { NothingToRun = 0, LoadParameterFile = 1, ShowSearchDialog = 2, RunSearchNow = 3 };

    uint8_t SearchMode = 0;
    uint8_t TextFileFormat = 0;
    bool SearchAgain = false;
    std::string SearchString;
    std::vector<std::string> FileSpecs;
    std::vector<std::string> Folders;
    bool ShowLog = false;
    bool CountFilesFirst = false;
    bool MatchCase = false;
    bool WholeWordsOnly = false;
    bool RecurseSubdirs = false;
    bool StopAfterFirstMatch = false;
    bool SkipTextFiles = false;
    bool SkipBinaryFiles = false;
    bool SkipUnderscoreDirs = false;
    bool SearchZIPs = false;
    bool Invert = false;
    uint8_t DateFilterMode = 0;
    TDateTime MinDate;
    TDateTime MaxDate;
    int32_t GreaterThanDays = 0;
    int32_t LessThanDays = 0;
    uint8_t SizeFilterMode = 0;
    int32_t FieldNumber = 0;
    int32_t FieldStart = 0;
    int32_t FieldWidth = 0;
    int32_t MinSize = 0;
    int32_t MaxSize = 0;
    int32_t LessThanSize = 0;
    int32_t GreaterThanSize = 0;
    std::string SeparatorChar;

    bool operator==(const TSearchData&) const = default;

    // Writes every stored field through `profile`, whose FileName the caller has set.
    void SaveToProfile(TProfile& profile) const;
    // Reads every stored field, with the read defaults for missing keys.
    void LoadFromProfile(TProfile& profile);
    // Every key SaveToProfile writes into a new parameter file, in its order, with the value text
    // it writes: the general keys, then the file specifications and the folders numbered from 0.
    struct TStoredKey {
        std::string Section;
        std::string Key;
        std::string Value;
    };
    std::vector<TStoredKey> StoredKeys() const;

    std::string FileSpecsText(const std::string& separator) const;
    std::string FoldersText(const std::string& separator) const;
    void SetFileSpecs(const std::string& text);
    void SetFolders(const std::string& text);
    // Appends the blank-separated, double-quote-grouped items of `text` to `list`.
    static void SplitList(const std::string& text, std::vector<std::string>& list);

    // Applies the process's arguments (args[0] is the program) and returns what to do.
    // `parameterFile` receives the file of the last /F switch or is emptied; `currentFolder`
    // is the folder a search stated without one runs in.
    int ParseCommandLine(const std::vector<std::string>& args, std::string& parameterFile,
                         const std::string& currentFolder);
};
