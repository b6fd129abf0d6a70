// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

class TFileList;
class TReplaceJournal;
class TSearchData;

// The console's replace commands, journaled as the window's are: `--replace TEXT` replaces every
// match the search found, in copy mode (a new file beside each) or with `--overwrite` in the
// file itself (`--backup` keeps a copy first), without questions; `--dry-run` prints each
// change instead of making it. `--history` lists the journal's runs, newest first, and
// `--undo RUN` takes a run back.
//
// TConsoleSearch hands it the long options it does not know (TakeOption), runs the search when
// a replace is asked for, and leaves the rest to it. Exit status as for a search (0 something
// matched, 1 nothing did), 2 when any file could not be replaced or restored: each such file is
// named with the reason on standard error.
class TConsoleReplace {
public:
    TConsoleReplace(std::ostream& out, std::ostream& err) : Out(out), Err(err) {}

    enum class TTake { NotOurs, Taken, Failed };
    // Takes the option `args[i]` (and its value, moving `i` past it) when it is one of ours.
    // Failed: the option is wrong, and the error is printed.
    TTake TakeOption(const std::vector<std::string>& args, std::size_t& i);
    // After every option was taken: false when they do not go together (the error is printed).
    // `csv` and `json` are the search's output options.
    bool Check(bool csv, bool json);

    // --history or --undo: a command of its own, with no search.
    bool IsCommand() const { return History || UndoRun != 0; }
    int RunCommand();
    // --replace: the search's results are replaced.
    bool IsReplace() const { return Replacing; }
    // Replaces in the files of `results`, found by the search of `data` that ended with
    // `searchStatus`; returns the exit status.
    int Replace(const TSearchData& data, const TFileList& results, int searchStatus);

    static std::string HelpText();

private:
    int ListHistory();
    int Undo();
    bool OpenJournal(TReplaceJournal& journal);

    std::ostream& Out;
    std::ostream& Err;
    bool Replacing = false;
    std::string Replacement;
    bool Overwrite = false;
    bool Backup = false;
    bool DryRun = false;
    bool Csv = false;
    bool History = false;
    int64_t UndoRun = 0;
};
