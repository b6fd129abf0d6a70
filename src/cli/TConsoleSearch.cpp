// SPDX-License-Identifier: MIT
#include "cli/TConsoleSearch.h"

#include <unistd.h>

#include <charconv>
#include <ostream>

#include <nlohmann/json.hpp>

#include "engine/TCriteriaCheck.h"
#include "engine/TSearchEngine.h"
#include "model/TFileData.h"
#include "model/TFileList.h"
#include "model/TPathText.h"
#include "model/TProfile.h"
#include "model/TProgramData.h"
#include "model/TSearchData.h"
#include "model/TSearchStats.h"
#include "model/TSettingsStore.h"
#include "model/TTextDecoder.h"
#include "presentation/TFileListCsv.h"
#include "presentation/TFileSectionWriter.h"
#include "presentation/THTMLWin.h"
#include "presentation/TSearchSummary.h"

namespace {

bool IsSwitch(const std::string& arg)
{
    return !arg.empty() && (arg[0] == '-' || arg[0] == '/');
}

bool SwitchLetterIs(const std::string& arg, char letter)
{
    return arg.size() >= 2 && (arg[1] == letter || arg[1] == letter - 'A' + 'a');
}

// The criteria a search starts from: every key read as missing, so a script's results never
// depend on what was last set in the window.
void LoadReadDefaults(TSearchData& data)
{
    TProfile profile;
    profile.FileName = "/dev/null/no-parameter-file"; // a path that can never exist
    data.LoadFromProfile(profile);
}

// A JSON string of the bytes of a file or a name: valid UTF-8 stays, other bytes are read as
// Windows-1252, so the text is always valid UTF-8 and no byte is lost.
nlohmann::ordered_json JsonText(std::string_view bytes)
{
    return TTextDecoder::ToUtf8(bytes);
}

// The text of each line (or piece of a line too long to be read whole) that holds matches,
// beside its place, as the search kept it.
std::vector<std::pair<TLinePlace, std::string_view>> MatchedLines(const TFileData& record)
{
    std::vector<std::pair<TLinePlace, std::string_view>> lines;
    for (const TMatch& match : record.Matches) {
        if (!lines.empty() && lines.back().first == match.Place())
            continue;
        const std::size_t next = lines.size();
        lines.emplace_back(match.Place(), next < record.MatchedLines.size() ? std::string_view(record.MatchedLines[next])
                                                                             : std::string_view());
    }
    return lines;
}

std::string DisplayPath(const TFileData& record)
{
    return record.InZip ? TPathText::Join(record.ZipName, record.FileName) : record.FullPath;
}

} // namespace

std::string TConsoleSearch::HelpText()
{
    return "Usage: quarnel [options] [switches] search-text file-specifications [folder]\n"
           "       quarnel [options] [switches] /Fparameter-file.par\n"
           "\n"
           "Searches the files matching the file specifications (blank-separated masks such as\n"
           "\"*.c *.h\", quoted as one argument) in the folder (the current one when left out).\n"
           "\n"
           "Switches (a trailing - turns a switch off, e.g. -m-):\n"
           "  -c  count files first          -m  match case\n"
           "  -w  whole words only           -r  search sub-folders\n"
           "  -x  stop after first match     -v  list lines without a hit\n"
           "  -s  Soundex (sounds like)      -q  quick: plain text, no regular expression\n"
           "  -Ffile  read the search from a parameter file\n"
           "  -Pfolder  search this folder, when no search text and file specifications follow\n"
           "  -j N   scan files on N threads (also -jN; default: one per core); the output is\n"
           "         the same for every N\n"
           "\n"
           "Options:\n"
           "  --json     one JSON object per match\n"
           "  --csv      the list of matching files as comma-separated values\n"
           "  --html FILE  also write the results, with context, as an HTML document\n"
           "  --help     this text\n"
           "  --version  the program's version\n"
           "\n" +
           TConsoleReplace::HelpText() +
           "\n"
           "Exit status: 0 when something matched, 1 when nothing did, 2 on an error (with a\n"
           "replace or an undo: on any file that could not be replaced or restored).\n";
}

int TConsoleSearch::Run(const std::vector<std::string>& args, const std::string& currentFolder)
{
    const std::string program = args.empty() ? std::string("quarnel") : args[0];

    // Long options first, wherever they stand; "--" ends them.
    // After "--" every argument is positional, so a search text may begin with a dash.
    std::vector<std::string> rest;
    std::size_t firstAfterOptions = std::string::npos;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (firstAfterOptions != std::string::npos || arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
            rest.push_back(arg);
        } else if (arg == "--") {
            firstAfterOptions = rest.size();
        } else if (arg == "--json") {
            OutputFormat = Format::Json;
        } else if (arg == "--csv") {
            OutputFormat = Format::Csv;
        } else if (arg == "--html" || arg.compare(0, 7, "--html=") == 0) {
            if (arg == "--html" && i + 1 < args.size())
                HtmlFile = args[++i];
            else if (arg != "--html")
                HtmlFile = arg.substr(7);
            if (HtmlFile.empty()) {
                Err << "quarnel: --html needs a file name\n";
                return Failed;
            }
        } else if (arg == "--help") {
            Out << HelpText();
            return Matched;
        } else if (arg == "--version") {
            Out << "quarnel " << QUARNEL_VERSION << "\n";
            return Matched;
        } else if (const TConsoleReplace::TTake took = Replacing.TakeOption(args, i);
                   took != TConsoleReplace::TTake::NotOurs) {
            if (took == TConsoleReplace::TTake::Failed)
                return Failed;
        } else {
            Err << "quarnel: unknown option " << arg << "\nTry 'quarnel --help'.\n";
            return Failed;
        }
    }
    if (!Replacing.Check(OutputFormat == Format::Csv, OutputFormat == Format::Json))
        return Failed;
    if (Replacing.IsCommand())
        return Replacing.RunCommand();

    // Leading switches; a parameter file is read before the others are applied over it.
    std::size_t first = 0;
    std::string parameterFile;
    std::vector<std::string> switches;
    unsigned threads = 0;
    for (; first < rest.size() && first < firstAfterOptions && IsSwitch(rest[first]); ++first) {
        if (SwitchLetterIs(rest[first], 'F')) {
            parameterFile = rest[first].substr(2, 255);
        } else if (rest[first].compare(0, 2, "-j") == 0) {
            std::string count = rest[first].substr(2);
            if (count.empty() && first + 1 < rest.size())
                count = rest[++first];
            const auto [end, error] = std::from_chars(count.data(), count.data() + count.size(), threads);
            if (error != std::errc() || end != count.data() + count.size() || threads < 1 || threads > 256) {
                Err << "quarnel: -j needs a number of threads from 1 to 256\n";
                return Failed;
            }
        } else
            switches.push_back(rest[first]);
    }
    const std::vector<std::string> positional(rest.begin() + static_cast<std::ptrdiff_t>(first), rest.end());

    TSearchData data;
    LoadReadDefaults(data);
    if (!parameterFile.empty()) {
        if (access(parameterFile.c_str(), R_OK) != 0) {
            Err << "quarnel: cannot read the parameter file " << parameterFile << "\n";
            return Failed;
        }
        TProfile profile;
        profile.FileName = parameterFile;
        data.LoadFromProfile(profile);
    }
    std::string ignored;
    for (const std::string& s : switches)
        data.ParseCommandLine({program, s}, ignored, currentFolder);

    if (positional.size() == 1 || positional.size() > 3) {
        Err << "quarnel: give a search text, the file specifications and at most one folder\n"
               "Try 'quarnel --help'.\n";
        return Failed;
    }
    if (positional.empty() && parameterFile.empty()) {
        Err << HelpText();
        return Failed;
    }
    if (!positional.empty()) {
        // As the program reads them: the folder, or the current one, makes exactly one folder.
        data.SearchString = positional[0];
        data.SetFileSpecs(positional[1]);
        data.SetFolders('"' + (positional.size() == 3 ? positional[2] : currentFolder) + '"');
    }

    // A pattern that does not compile would find nothing in every file: say so instead.
    // Of the criteria's faults the console refuses only this one: an empty search text (which
    // matches every line) or an empty list keeps meaning what it always has to a script.
    for (const TCriteriaCheck::TFault& fault : TCriteriaCheck::Faults(TCriteriaCheck::TEntries::Of(data))) {
        if (fault.Reason == TCriteriaCheck::TReason::InvalidPattern) {
            Err << "quarnel: " << fault.PatternErrorText() << ": " << data.SearchString << "\n";
            return Failed;
        }
    }

    TFileList results;
    TSearchStats stats;
    TNullShellInfo shell;
    TSearchEngine engine(data, results, stats, shell);
    engine.SetBaseFolder(currentFolder);
    engine.SetThreads(threads);
    bool failed = false;
    if (OutputFormat == Format::Csv && !Replacing.IsReplace())
        Out << TFileListCsv::Header() << "\n";
    TSearchNotifications notify;
    notify.NewResult = [&](TFileData& record) {
        if (Replacing.IsReplace())
            return; // the replace prints what it does instead
        switch (OutputFormat) {
        case Format::Grep: PrintGrep(record); break;
        case Format::Json: PrintJson(record); break;
        case Format::Csv: Out << TFileListCsv::Row(record) << "\n"; break;
        }
        // Printed: the text is not needed again (the report reads what it shows itself).
        std::vector<std::string>().swap(record.MatchedLines);
    };
    // The printed formats show each line with hits: the search hands them over with the hits.
    notify.KeepMatchedLines = OutputFormat != Format::Csv && !Replacing.IsReplace();
    notify.Error = [&](const std::string&, const std::string&, const std::string& text) {
        Err << "quarnel: " << text << "\n";
        failed = true;
    };
    engine.SetNotifications(notify);
    engine.Search();
    Out.flush();

    if (!HtmlFile.empty() && !WriteHtmlReport(data, stats, results)) {
        Err << "quarnel: cannot write the report " << HtmlFile << "\n";
        return Failed;
    }
    const int status = failed ? Failed : results.Count() > 0 ? Matched : NothingMatched;
    return Replacing.IsReplace() ? Replacing.Replace(data, results, status) : status;
}

bool TConsoleSearch::WriteHtmlReport(const TSearchData& data, const TSearchStats& stats, const TFileList& results)
{
    // The report looks as the window's all-matches view does with the user's stored options.
    const TSettingsStore store(TSettingsStore::DefaultFileName());
    if (store.LoadState() == TSettingsStore::TLoadState::SetAside)
        Err << "quarnel: the settings file could not be read; it was kept as " << store.SetAsideName() << "\n";
    const TProgramData preferences(store);
    THTMLWin document(nullptr, ProgramFolder);
    document.LoadOptions(store);
    TFileSectionWriter writer(document);
    return writer.WriteAllMatches(results, TSearchSummary::Result(data, stats), preferences.MatchWindow) &&
           document.CopyDocumentTo(HtmlFile);
}

void TConsoleSearch::PrintGrep(const TFileData& record)
{
    const std::string path = DisplayPath(record);
    for (const auto& [place, text] : MatchedLines(record))
        Out << path << ':' << place.Line << ':' << text << '\n';
}

void TConsoleSearch::PrintJson(const TFileData& record)
{
    // A member's extracted file is gone once its archive is done: the member's name stands for it.
    const nlohmann::ordered_json path = JsonText(record.InZip ? record.FileName : record.FullPath);
    const nlohmann::ordered_json archive = record.InZip ? JsonText(record.ZipName) : nlohmann::ordered_json(nullptr);
    const auto lines = MatchedLines(record);
    std::size_t line = 0;
    for (const TMatch& match : record.Matches) {
        while (line < lines.size() && lines[line].first < match.Place())
            ++line;
        const bool haveText = line < lines.size() && lines[line].first == match.Place();
        const nlohmann::ordered_json object = {
            {"path", path},
            {"archive", archive},
            {"line", match.LineNumber},
            {"start", match.StartPos},
            {"end", match.EndPos},
            {"lineLength", match.LineLength},
            {"text", haveText ? JsonText(lines[line].second) : nlohmann::ordered_json("")},
        };
        // The text is valid UTF-8 already; replacing stands guard so that a line is never lost.
        Out << object.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << '\n';
    }
}
