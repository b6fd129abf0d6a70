// SPDX-License-Identifier: MIT
#include "cli/TConsoleReplace.h"

#include <charconv>
#include <ostream>

#include "cli/TConsoleReport.h"
#include "model/TFileList.h"
#include "model/TProgramData.h"
#include "model/TSearchData.h"
#include "model/TSettingsStore.h"
#include "model/TTextDecoder.h"
#include "replace/TReplaceCsv.h"
#include "replace/TReplaceData.h"
#include "replace/TReplaceEngine.h"
#include "replace/TReplaceJournal.h"

namespace {

enum ExitCode : int { Matched = 0, NothingMatched = 1, Failed = 2 };

// The value of `--name VALUE` or `--name=VALUE` at `args[i]`; false when `args[i]` is not that
// option. `present` tells whether a value was there.
bool OptionValue(const std::vector<std::string>& args, std::size_t& i, const std::string& name, std::string& value,
                 bool& present)
{
    const std::string& arg = args[i];
    if (arg == name) {
        present = i + 1 < args.size();
        if (present)
            value = args[++i];
        return true;
    }
    if (arg.compare(0, name.size() + 1, name + "=") == 0) {
        value = arg.substr(name.size() + 1);
        present = true;
        return true;
    }
    return false;
}

// A text of the journal as the console shows it: valid UTF-8 stays, other bytes are read as
// Windows-1252, and a line end cannot break the line.
std::string Shown(const std::string& bytes)
{
    std::string text = TTextDecoder::ToUtf8(bytes);
    for (char& c : text)
        if (c == '\n' || c == '\r')
            c = ' ';
    return text;
}

} // namespace

std::string TConsoleReplace::HelpText()
{
    return "Replacing (every change is kept in the replace journal, so that it can be undone):\n"
           "  --replace TEXT  put TEXT in place of every match: in copy mode (the default) the\n"
           "             changes go to a new file beside each file (name.new)\n"
           "  --overwrite   change the files themselves\n"
           "  --backup      with --overwrite, keep a copy of each file first (name.bak)\n"
           "  --dry-run     print each change (file:line:column: [old] -> [new]) and change\n"
           "             nothing; with --csv as comma-separated values\n"
           "  --csv         with --replace, print the changes made as comma-separated values\n"
           "             (file, line, column, old text, new text)\n"
           "  --history     list the replace runs of the journal, newest first, each line\n"
           "             starting with its run number\n"
           "  --undo RUN    take run RUN back: every file that still holds what the run wrote\n"
           "             gets its original back; a file changed since is left alone\n";
}

TConsoleReplace::TTake TConsoleReplace::TakeOption(const std::vector<std::string>& args, std::size_t& i)
{
    const std::string& arg = args[i];
    std::string value;
    bool present = false;
    if (OptionValue(args, i, "--replace", value, present)) {
        if (!present) {
            Err << "quarnel: --replace needs the replacement text\n";
            return TTake::Failed;
        }
        Replacing = true;
        Replacement = value;
    } else if (OptionValue(args, i, "--undo", value, present)) {
        int64_t run = 0;
        const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), run);
        if (!present || error != std::errc() || end != value.data() + value.size() || run < 1) {
            Err << "quarnel: --undo needs the number of a replace run (see --history)\n";
            return TTake::Failed;
        }
        UndoRun = run;
    } else if (arg == "--overwrite") {
        Overwrite = true;
    } else if (arg == "--backup") {
        Backup = true;
    } else if (arg == "--dry-run") {
        DryRun = true;
    } else if (arg == "--history") {
        History = true;
    } else {
        return TTake::NotOurs;
    }
    return TTake::Taken;
}

bool TConsoleReplace::Check(bool csv, bool json)
{
    Csv = csv;
    const char* problem = nullptr;
    if (History && UndoRun != 0)
        problem = "--history and --undo go one at a time";
    else if (IsCommand() && Replacing)
        problem = "--history and --undo do not go with --replace";
    else if (!Replacing && (Overwrite || Backup || DryRun))
        problem = "--overwrite, --backup and --dry-run go with --replace";
    else if (Backup && !Overwrite)
        problem = "--backup goes with --overwrite: copy mode leaves the files as they are";
    else if (Replacing && json)
        problem = "--json does not go with --replace";
    if (problem)
        Err << "quarnel: " << problem << "\nTry 'quarnel --help'.\n";
    return problem == nullptr;
}

bool TConsoleReplace::OpenJournal(TReplaceJournal& journal)
{
    if (!journal.Open()) {
        Err << "quarnel: " << journal.Error() << "\n";
        return false;
    }
    if (!journal.Problem().empty())
        Err << "quarnel: " << journal.Problem() << "\n";
    return true;
}

int TConsoleReplace::RunCommand()
{
    return History ? ListHistory() : Undo();
}

int TConsoleReplace::ListHistory()
{
    TReplaceJournal journal;
    if (!OpenJournal(journal))
        return Failed;
    for (const TReplaceJournal::TRunSummary& run : journal.Runs()) {
        Out << run.Run << "  " << run.StartTime << "  ";
        if (run.IsUndo)
            Out << "undo of " << run.UndoOf;
        else
            Out << (run.Overwrite ? (run.MakeBackup ? "overwrite+backup" : "overwrite") : "copy");
        Out << "  " << run.FilesChanged << (run.FilesChanged == 1 ? " file  " : " files  ") << run.ChangesMade
            << (run.ChangesMade == 1 ? " change" : " changes") << "  undo: " << run.StateText();
        if (!run.Finished)
            Out << " (interrupted)";
        if (!run.IsUndo)
            Out << "  \"" << Shown(run.SearchText) << "\" -> \"" << Shown(run.Replacement) << "\"";
        Out << '\n';
    }
    return Matched;
}

int TConsoleReplace::Undo()
{
    TReplaceJournal journal;
    if (!OpenJournal(journal))
        return Failed;
    const TProgramData preferences{TSettingsStore(TSettingsStore::DefaultFileName())};
    journal.SetLimits(preferences.ReplaceHistoryRuns, preferences.ReplaceHistoryBytes());
    TConsoleReport report(Out);
    const TReplaceJournal::TUndoOutcome outcome = journal.Undo(UndoRun, report);
    if (!outcome.Error.empty()) {
        Err << "quarnel: " << outcome.Error << "\n";
        return Failed;
    }
    for (const std::string& file : outcome.LeftAlone)
        Err << "quarnel: " << file << "\n";
    Out.flush();
    return outcome.Complete() ? Matched : Failed;
}

int TConsoleReplace::Replace(const TSearchData& data, const TFileList& results, int searchStatus)
{
    const TSettingsStore store(TSettingsStore::DefaultFileName());
    const TProgramData preferences(store);
    TReplaceData options;
    options.ReplaceString = Replacement;
    options.Overwrite = Overwrite ? 1 : 0;
    options.MakeBackup = Backup;
    options.Confirmation = 0;
    options.Mode = TReplaceData::AllFiles;

    TConsoleReport report(Out);
    report.Printing = !Csv;
    TReplaceEngine engine(options, preferences, report);
    bool failed = searchStatus == Failed;
    TReplaceNotifications notify;
    notify.NotReplaced = [&](const std::string& path, std::string_view reason) {
        Err << "quarnel: " << (path.empty() ? std::string() : path + ": ") << reason << "\n";
        failed = true;
    };
    if (DryRun && Csv)
        Out << TReplaceCsv::Header() << "\n";
    notify.Previewed = [&](const std::string& path, const TReplaceHit& hit) {
        if (Csv)
            Out << TReplaceCsv::Row(path, hit) << "\n";
        else
            Out << path << ':' << hit.Line << ':' << hit.Column << ": [" << hit.OldText << "] -> [" << hit.NewText
                << "]\n";
    };
    engine.SetNotifications(notify);
    if (results.Count() == 0)
        return failed ? Failed : NothingMatched;

    TReplaceJournal journal;
    if (DryRun) {
        engine.SetDryRun(true);
    } else {
        if (!OpenJournal(journal))
            return Failed;
        journal.SetLimits(preferences.ReplaceHistoryRuns, preferences.ReplaceHistoryBytes());
        engine.SetJournal(&journal, data.SearchString);
    }
    engine.ReplaceFiles(results);

    if (!DryRun && engine.JournalRun() != 0) {
        const std::vector<TReplaceJournal::TFileRecord> files = journal.Files(engine.JournalRun());
        if (Csv) {
            Out << TReplaceCsv::Document(files);
        } else {
            int64_t changes = 0;
            for (const TReplaceJournal::TFileRecord& file : files)
                changes += file.Changes;
            Out << "Replace run " << engine.JournalRun() << ": " << files.size()
                << (files.size() == 1 ? " file changed, " : " files changed, ") << changes
                << (changes == 1 ? " change made\n" : " changes made\n");
        }
    }
    Out.flush();
    if (failed)
        return Failed;
    return results.Count() > 0 ? Matched : NothingMatched;
}
