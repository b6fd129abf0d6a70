// SPDX-License-Identifier: MIT
#include "model/TSearchData.h"

#include <array>
#include <string_view>
#include <type_traits>
#include <variant>

#include "model/TDateFormat.h"
#include "model/TProfile.h"

namespace {

constexpr const char* GeneralSection = "General Search Parameters";
constexpr const char* FileSpecsSection = "Active File Specifications";
constexpr const char* FoldersSection = "Active Directory Specifications";

// Keys 0 .. CleanUpLimit-1 of a list section are emptied when a shorter list is saved over a
// longer one; keys are never deleted.
constexpr int CleanUpLimit = 100;

// The stored field a key belongs to; its type says how it is written and read: a flag as
// "True"/"False" (State), a mode as the low 8 bits of a Value, a number as a Value, a text as
// it is, a date as a short date text.
using FieldRef = std::variant<bool TSearchData::*, uint8_t TSearchData::*, int32_t TSearchData::*,
                              std::string TSearchData::*, TDateTime TSearchData::*>;

struct StoredField {
    std::string_view Key;
    FieldRef Field;
    // Read default; dates have none (a missing date reads as today).
    const char* Default;
};

// Every key of section "General Search Parameters", in the order SaveToProfile writes them.
const std::array<StoredField, 28> StoredFields = {{
    {"Show Log", &TSearchData::ShowLog, "0"},
    {"Search String", &TSearchData::SearchString, "Not specified"},
    {"Match Case", &TSearchData::MatchCase, "0"},
    {"Skip Text Files", &TSearchData::SkipTextFiles, "0"},
    {"Skip Binary Files", &TSearchData::SkipBinaryFiles, "0"},
    {"Search ZIPs", &TSearchData::SearchZIPs, "0"},
    {"Skip Underscore Dirs", &TSearchData::SkipUnderscoreDirs, "0"},
    {"Whole Words Only", &TSearchData::WholeWordsOnly, "0"},
    {"Count Files First", &TSearchData::CountFilesFirst, "1"},
    {"Recurse Subdirectories", &TSearchData::RecurseSubdirs, "1"},
    {"Stop after first match", &TSearchData::StopAfterFirstMatch, "0"},
    {"Invert", &TSearchData::Invert, "0"},
    {"Search Mode", &TSearchData::SearchMode, "0"},
    {"Text File Format", &TSearchData::TextFileFormat, "0"},
    {"Date Filter Mode", &TSearchData::DateFilterMode, "0"},
    {"Min Date", &TSearchData::MinDate, ""},
    {"Max Date", &TSearchData::MaxDate, ""},
    {"Greater Than Days", &TSearchData::GreaterThanDays, "7"},
    {"Less Than Days", &TSearchData::LessThanDays, "7"},
    {"Size Filter Mode", &TSearchData::SizeFilterMode, "0"},
    {"Min Size", &TSearchData::MinSize, "1000"},
    {"Max Size", &TSearchData::MaxSize, "100000"},
    {"Less Than Size", &TSearchData::LessThanSize, "1000"},
    {"Greater Than Size", &TSearchData::GreaterThanSize, "100000"},
    {"Field Number", &TSearchData::FieldNumber, "1"},
    {"Field Start", &TSearchData::FieldStart, "1"},
    {"Field Width", &TSearchData::FieldWidth, "100"},
    {"Separator Char", &TSearchData::SeparatorChar, ","},
}};

// The order LoadFromProfile reads the keys in. "Min Date" and "Max Date" stay together: the
// second one decides both dates.
constexpr std::array<std::string_view, 28> ReadOrder = {
    "Search String", "Match Case", "Whole Words Only", "Count Files First", "Skip Text Files",
    "Skip Binary Files", "Search ZIPs", "Show Log", "Skip Underscore Dirs", "Recurse Subdirectories",
    "Stop after first match", "Invert", "Search Mode", "Text File Format", "Date Filter Mode",
    "Field Number", "Field Start", "Field Width", "Separator Char", "Min Date", "Max Date",
    "Greater Than Days", "Less Than Days", "Size Filter Mode", "Min Size", "Max Size", "Less Than Size",
    "Greater Than Size",
};

const StoredField& FieldOf(std::string_view key)
{
    for (const StoredField& field : StoredFields)
        if (field.Key == key)
            return field;
    // ReadOrder names only keys of StoredFields; a test loads every one of them.
    return StoredFields.front();
}

void SaveList(TProfile& profile, const char* section, const std::vector<std::string>& list)
{
    profile.Section = section;
    for (std::size_t i = 0; i < list.size(); ++i) {
        profile.Entry = std::to_string(i);
        profile.SetText(list[i]);
    }
    // Empty the keys a longer list saved earlier left behind, up to the first one already empty.
    profile.DefaultText.clear();
    for (int i = static_cast<int>(list.size()); i < CleanUpLimit; ++i) {
        profile.Entry = std::to_string(i);
        if (profile.Text().empty())
            break;
        profile.SetText("");
    }
}

void LoadList(TProfile& profile, const char* section, std::vector<std::string>& list)
{
    profile.Section = section;
    list.clear();
    for (std::size_t i = 0;; ++i) {
        profile.Entry = std::to_string(i);
        std::string item = profile.Text();
        if (item.empty())
            break;
        list.push_back(std::move(item));
    }
}

std::string ListText(const std::vector<std::string>& list, const std::string& separator)
{
    std::string text;
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (i)
            text += separator;
        if (list[i].find(' ') != std::string::npos)
            text += '"' + list[i] + '"';
        else
            text += list[i];
    }
    return text;
}

bool IsSwitch(const std::string& argument)
{
    return !argument.empty() && (argument[0] == '-' || argument[0] == '/');
}

// The value of an F or P switch: the text after the switch letter, at most 255 characters.
std::string SwitchValue(const std::string& argument)
{
    return argument.size() > 2 ? argument.substr(2, 255) : std::string();
}

// The text a field is stored as: a flag as "True"/"False" (what State reads), a mode or a number
// as a decimal Value, a text as it is, a date as a short date text (the date alone).
std::string StoredTextOf(const TSearchData& data, const FieldRef& field)
{
    return std::visit(
        [&](auto member) -> std::string {
            using Type = std::remove_cvref_t<decltype(data.*member)>;
            const Type& value = data.*member;
            if constexpr (std::is_same_v<Type, bool>)
                return value ? "True" : "False";
            else if constexpr (std::is_same_v<Type, uint8_t> || std::is_same_v<Type, int32_t>)
                return std::to_string(value);
            else if constexpr (std::is_same_v<Type, std::string>)
                return value;
            else
                return TDateFormat::Program().Format(value);
        },
        field);
}

} // namespace

void TSearchData::SaveToProfile(TProfile& profile) const
{
    // One rewrite of the file for all keys, not one synchronised rewrite for each.
    const TProfile::TWriteBatch batch(profile);
    profile.Section = GeneralSection;
    for (const StoredField& stored : StoredFields) {
        profile.Entry = std::string(stored.Key);
        profile.SetText(StoredTextOf(*this, stored.Field));
    }
    SaveList(profile, FileSpecsSection, FileSpecs);
    SaveList(profile, FoldersSection, Folders);
}

std::vector<TSearchData::TStoredKey> TSearchData::StoredKeys() const
{
    std::vector<TStoredKey> keys;
    for (const StoredField& stored : StoredFields)
        keys.push_back({GeneralSection, std::string(stored.Key), StoredTextOf(*this, stored.Field)});
    for (const auto& [section, list] : {std::pair{FileSpecsSection, &FileSpecs}, std::pair{FoldersSection, &Folders}})
        for (std::size_t i = 0; i < list->size(); ++i)
            keys.push_back({section, std::to_string(i), (*list)[i]});
    return keys;
}

void TSearchData::LoadFromProfile(TProfile& profile)
{
    // One reading of the file for every key: a list of thousands of items stays quick.
    const TProfile::TReadBatch batch(profile);
    profile.Section = GeneralSection;
    std::string minDateText;
    for (std::string_view key : ReadOrder) {
        const StoredField& stored = FieldOf(key);
        profile.Entry = std::string(stored.Key);
        profile.DefaultText = stored.Default;
        std::visit(
            [&](auto member) {
                using Type = std::remove_cvref_t<decltype(this->*member)>;
                if constexpr (std::is_same_v<Type, bool>) {
                    this->*member = profile.State();
                } else if constexpr (std::is_same_v<Type, uint8_t>) {
                    this->*member = static_cast<uint8_t>(profile.Value() & 0xFF);
                } else if constexpr (std::is_same_v<Type, int32_t>) {
                    this->*member = profile.Value();
                } else if constexpr (std::is_same_v<Type, std::string>) {
                    this->*member = profile.Text();
                } else if (member == &TSearchData::MinDate) {
                    minDateText = profile.Text();
                } else {
                    // "Max Date" follows "Min Date": an empty date is today, and when either
                    // text is not a date, both dates are today.
                    const std::string maxDateText = profile.Text();
                    const TDateTime today = TDateTime::Today();
                    const TDateFormat& format = TDateFormat::Program();
                    TDateTime minDate = today;
                    TDateTime maxDate = today;
                    bool ok = true;
                    if (!minDateText.empty())
                        ok = format.Parse(minDateText, minDate) && ok;
                    if (!maxDateText.empty())
                        ok = format.Parse(maxDateText, maxDate) && ok;
                    MinDate = ok ? minDate : today;
                    MaxDate = ok ? maxDate : today;
                }
            },
            stored.Field);
    }
    profile.DefaultText.clear();
    LoadList(profile, FileSpecsSection, FileSpecs);
    LoadList(profile, FoldersSection, Folders);
}

std::string TSearchData::FileSpecsText(const std::string& separator) const
{
    return ListText(FileSpecs, separator);
}

std::string TSearchData::FoldersText(const std::string& separator) const
{
    return ListText(Folders, separator);
}

void TSearchData::SetFileSpecs(const std::string& text)
{
    FileSpecs.clear();
    SplitList(text, FileSpecs);
}

void TSearchData::SetFolders(const std::string& text)
{
    Folders.clear();
    SplitList(text, Folders);
}

void TSearchData::SplitList(const std::string& text, std::vector<std::string>& list)
{
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && static_cast<unsigned char>(text[begin]) <= 32)
        ++begin;
    while (end > begin && static_cast<unsigned char>(text[end - 1]) <= 32)
        --end;

    std::string item;
    bool quoted = false;
    for (std::size_t i = begin; i < end; ++i) {
        const char c = text[i];
        if (c == ' ' && !quoted) {
            if (!item.empty())
                list.push_back(std::move(item));
            item.clear();
        } else if (c == '"') {
            quoted = !quoted;
            if (!quoted) {
                // A closed quoted run is an item even when empty: "" names an empty item.
                list.push_back(std::move(item));
                item.clear();
            }
        } else {
            item += c;
        }
    }
    if (!item.empty())
        list.push_back(std::move(item));
}

int TSearchData::ParseCommandLine(const std::vector<std::string>& args, std::string& parameterFile,
                                  const std::string& currentFolder)
{
    int result = NothingToRun;
    parameterFile.clear();
    if (args.size() <= 1)
        return result;

    // Arguments are numbered as on the command line: 1 .. count, args[0] being the program.
    const std::size_t count = args.size() - 1;
    std::size_t i = 1;
    bool positionalMet = false;
    while (i <= count && !positionalMet) {
        const std::string& argument = args[i];
        if (IsSwitch(argument)) {
            const char letter = argument.size() > 1 ? argument[1] : '\0';
            const bool on = argument.size() < 3 || argument[2] != '-';
            switch (letter) {
            case 'C': case 'c': CountFilesFirst = on; break;
            case 'M': case 'm': MatchCase = on; break;
            case 'W': case 'w': WholeWordsOnly = on; break;
            case 'R': case 'r': RecurseSubdirs = on; break;
            case 'X': case 'x': StopAfterFirstMatch = on; break;
            case 'V': case 'v': Invert = on; break;
            case 'S': case 's': SearchMode = on ? ModeSoundex : ModeNormal; break;
            case 'Q': case 'q': SearchMode = on ? ModeQuick : ModeNormal; break;
            case 'F': case 'f':
                parameterFile = SwitchValue(argument);
                result = LoadParameterFile;
                break;
            case 'P': case 'p':
                Folders.assign(1, SwitchValue(argument));
                result = ShowSearchDialog;
                break;
            default: break;
            }
            ++i;
        } else {
            positionalMet = true;
        }

        // Checked after every argument, a switch included: any two arguments that follow are
        // the search text and the file specifications, and a third one the folder.
        if (i < count) {
            SearchString = args[i];
            SetFileSpecs(args[i + 1]);
            i += 2;
            if (i == count) {
                Folders.assign(1, args[i]);
                // The folder is used up: it must not be taken as a switch as well (a folder
                // such as /mnt/data would otherwise also switch MatchCase on).
                ++i;
            } else {
                Folders.assign(1, currentFolder);
            }
            result = RunSearchNow;
        }
    }
    return result;
}
