// SPDX-License-Identifier: MIT
// Arbitrary bytes as the content of a parameter file.
//  - In memory: several keys are read; each of them is then written with a value taken from the
//    input, and must read back as written while every other key reads as before.
//  - Through a file (in /dev/shm): a whole LoadFromProfile, then SaveToProfile into the same file
//    and a second load, which must give the first load's data (text as a write stores and a read
//    returns it: up to the first line break, without surrounding blanks and quotes).
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/TDateFormat.h"
#include "model/TIniText.h"
#include "model/TProfile.h"
#include "model/TSearchData.h"

namespace {

void Require(bool condition)
{
    if (!condition)
        __builtin_trap();
}

struct Probe {
    std::string_view Section;
    std::string_view Key;
    int Identity; // probes with the same identity name the same key
};

const Probe Probes[] = {
    {"General Search Parameters", "Search String", 0},
    {" general search PARAMETERS ", "search string", 0},
    {"General Search Parameters", "Match Case", 1},
    {"Active File Specifications", "0", 2},
    {"Active File Specifications", "1", 3},
    {"S", "a", 4},
    {"s", "A ", 4},
    {"S", "b", 5},
    {"T", "a", 6},
};

std::string Stored(std::string_view value)
{
    std::string text(TIniText::Unquote(TIniText::WritableValue(value)));
    if (text.size() > TProfile::MaxValueLength)
        text.resize(TProfile::MaxValueLength);
    return text;
}

std::vector<std::string> StoredList(const std::vector<std::string>& list)
{
    std::vector<std::string> stored;
    for (const std::string& item : list) {
        std::string text = Stored(item);
        if (text.empty())
            break;
        stored.push_back(std::move(text));
    }
    return stored;
}

void CheckInMemory(std::string_view content)
{
    std::optional<std::string> before[std::size(Probes)];
    for (std::size_t i = 0; i < std::size(Probes); ++i)
        before[i] = TIniText::Read(content, Probes[i].Section, Probes[i].Key);

    // The value written: the last bytes of the input, whatever they are.
    const std::string_view value = content.substr(content.size() > 24 ? content.size() - 24 : 0);
    for (const Probe& written : Probes) {
        const std::string updated = TIniText::Write(content, written.Section, written.Key, value);
        for (std::size_t i = 0; i < std::size(Probes); ++i) {
            const std::optional<std::string> after = TIniText::Read(updated, Probes[i].Section, Probes[i].Key);
            if (Probes[i].Identity == written.Identity)
                Require(after && *after == TIniText::Unquote(TIniText::WritableValue(value)));
            else
                Require(after == before[i]);
        }
    }
}

bool SameData(const TSearchData& a, const TSearchData& b)
{
    return a.SearchMode == b.SearchMode && a.TextFileFormat == b.TextFileFormat && a.ShowLog == b.ShowLog &&
           a.CountFilesFirst == b.CountFilesFirst && a.MatchCase == b.MatchCase &&
           a.WholeWordsOnly == b.WholeWordsOnly && a.RecurseSubdirs == b.RecurseSubdirs &&
           a.StopAfterFirstMatch == b.StopAfterFirstMatch && a.SkipTextFiles == b.SkipTextFiles &&
           a.SkipBinaryFiles == b.SkipBinaryFiles && a.SkipUnderscoreDirs == b.SkipUnderscoreDirs &&
           a.SearchZIPs == b.SearchZIPs && a.Invert == b.Invert && a.DateFilterMode == b.DateFilterMode &&
           a.MinDate == b.MinDate && a.MaxDate == b.MaxDate && a.GreaterThanDays == b.GreaterThanDays &&
           a.LessThanDays == b.LessThanDays && a.SizeFilterMode == b.SizeFilterMode &&
           a.FieldNumber == b.FieldNumber && a.FieldStart == b.FieldStart && a.FieldWidth == b.FieldWidth &&
           a.MinSize == b.MinSize && a.MaxSize == b.MaxSize && a.LessThanSize == b.LessThanSize &&
           a.GreaterThanSize == b.GreaterThanSize && Stored(a.SearchString) == b.SearchString &&
           Stored(a.SeparatorChar) == b.SeparatorChar && StoredList(a.FileSpecs) == b.FileSpecs &&
           StoredList(a.Folders) == b.Folders;
}

std::string FilePath;

void CheckThroughFile(std::string_view content)
{
    FILE* file = std::fopen(FilePath.c_str(), "wb");
    Require(file != nullptr);
    Require(std::fwrite(content.data(), 1, content.size(), file) == content.size());
    Require(std::fclose(file) == 0);

    TProfile profile;
    profile.FileName = FilePath;
    TSearchData first;
    first.LoadFromProfile(profile);
    first.SaveToProfile(profile);
    TSearchData second;
    second.LoadFromProfile(profile);
    Require(SameData(first, second));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    TDateFormat::SetProgram(TDateFormat(TDateFormat::Order::DayMonthYear, '/'));
    FilePath = "/dev/shm/quarnel-profile-fuzz-" + std::to_string(getpid()) + ".par";
    std::atexit([] { unlink(FilePath.c_str()); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view content(reinterpret_cast<const char*>(data), size);
    CheckInMemory(content);
    CheckThroughFile(content);
    return 0;
}
