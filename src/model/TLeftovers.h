// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <string_view>

// What a killed process leaves behind (extracted archive members, results documents, temporary
// files beside the files a replace rewrites) is removed by the next start of the program.
//
// Every such folder and file records the process that owns it. Names made in the temporary
// folder carry the owner's mark, "<process id>.<start time>" (the start time is the kernel's,
// from /proc/<pid>/stat, so that a process that got a dead one's id is told apart). A temporary
// file made beside a user's file cannot be found by looking, so while it exists it is listed in
// its owner's record, a small file "<mark>.pending" in a private folder of the user's
// (RecordFolder). Sweep removes only what belongs to processes that no longer run, and from a
// record only names that are still of our temporary pattern: nothing a running window owns is
// ever touched. Safe to call from any thread.
class TLeftovers {
public:
    // The prefixes of the marked names in the temporary folder.
    static constexpr std::string_view ZipFolderPrefix = "quarnel-";
    static constexpr std::string_view ViewFolderPrefix = "quarnel-view-";
    static constexpr std::string_view DocumentPrefix = "~qn";
    static constexpr std::string_view DocumentSuffix = ".htm";
    // A temporary file beside a user's file: this prefix, 12 letters or digits, this suffix.
    static constexpr std::string_view BesidePrefix = ".qn-";
    static constexpr std::string_view BesideSuffix = ".tmp";

    // This process's mark.
    static std::string OwnMark();
    // True unless the process a mark names is known to have ended: its id is free, or taken by a
    // process that started at another time. A mark that cannot be checked counts as running.
    static bool IsRunning(std::string_view mark);

    // The platform's temporary folder ($TMPDIR, else /tmp).
    static std::string TemporaryFolder();
    // Where the records are kept: $XDG_RUNTIME_DIR/quarnel, else quarnel-records-<uid> in the
    // temporary folder; made private (0700) to the user, and refused when it is not the user's.
    static std::string RecordFolder();

    // A mkdtemp pattern for a private folder in the temporary folder: "<prefix><mark>-XXXXXX".
    static std::string FolderPattern(std::string_view prefix);
    // The start of a file name in the temporary folder: "<prefix><mark>-".
    static std::string FilePrefix(std::string_view prefix);

    // Lists / unlists a temporary file beside a user's file in this process's record.
    static void Remember(const std::string& path);
    static void Forget(const std::string& path);

    // Removes what processes of the user that no longer run left behind: marked folders and
    // documents in the temporary folder, and the temporary files their records name.
    static void Sweep();
};
