// SPDX-License-Identifier: MIT
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <string>
#include <string_view>

// All-or-nothing replacement of a file, and the file plumbing around it: reading a whole file
// with a size limit, writing every byte, the folder of a path, the file a write through a
// symbolic link replaces, and uniquely named new files. Everything that rewrites a file on disk
// goes through this class (the parameter file, the settings file, saved result documents,
// extracted ZIP members).
//
// The replacement contract: the original is never left half-written, and on any failure it
// stays as it was. The new content goes into a new temporary file in the target's folder
// (Open), and only Commit, once that file is complete, renames it over the target, which swaps
// the whole file in one step. Until then the original is not touched. When anything fails (the
// temporary file cannot be made, a write, copying the permissions, the flush, the close or the
// rename) or the object goes (or is Discard()ed) without a Commit, the temporary file is
// removed and the original is exactly as it was, or still absent.
//
// The target is replaced as named: a symbolic link under that name is replaced by the new file
// and the file it pointed to is left alone. To write through a link to the file it names, as an
// editor of that file would, pass WriteTarget(path) as the target.
//
// Not copyable: an object owns its temporary file. Objects are independent; the static
// functions may be called from any thread.
class TAtomicFile {
public:
    enum class TReadOutcome {
        Read,    // the whole file is in `content`
        Missing, // there is no such file, so a write may create it
        Failed,  // it exists but cannot be used (unreadable, not a regular file, larger than
                 // the limit), so a write must leave it alone
    };

    // How one caller replaces its files. Each caller states every field. A literal type, so
    // that a caller's options can be a constant that outlives every object.
    struct TOptions {
        // The temporary file beside the target is named TemporaryPrefix, then random letters
        // and digits, then TemporarySuffix. The object copies both when it is made.
        std::string_view TemporaryPrefix = ".qn-";
        std::string_view TemporarySuffix = ".tmp";
        // The mode the new file is made with (the umask applies). A file that replaces one
        // passed to Commit takes that file's mode instead.
        mode_t NewFileMode = 0666;
        // For a file passed to Commit: true makes a failure to give the new file its permission
        // bits fail the replacement; false keeps NewFileMode then and goes on.
        bool PermissionsRequired = true;
        // For a file passed to Commit: also give the new file its owner and group, where
        // allowed. Only the superuser may give a file away, so a refusal is ignored.
        bool KeepOwner = true;
        // Flush the new content to disk before the rename, so that a crash leaves the old or
        // the new content, never an empty or partial file.
        bool SyncFile = true;
        // Flush the folder after the rename, so that the rename itself survives a crash. A
        // failure there does not undo the replacement, which has already happened.
        bool SyncFolder = true;
    };

    explicit TAtomicFile(const TOptions& options);
    // Discards an uncommitted temporary file.
    ~TAtomicFile();
    TAtomicFile(const TAtomicFile&) = delete;
    TAtomicFile& operator=(const TAtomicFile&) = delete;

    // Makes the temporary file beside `target` (in FolderOf(target)) that Commit will rename
    // to `target`. False when it cannot be made (no such folder, no permission), then nothing
    // was made, or when the object already holds an uncommitted temporary file.
    bool Open(const std::string& target);
    // Appends bytes to the temporary file. A failed write is remembered: Commit then fails.
    bool Write(const char* data, std::size_t size);
    bool Write(std::string_view bytes) { return Write(bytes.data(), bytes.size()); }
    // The temporary file's descriptor (-1 when not open), for calls such as futimens. Bytes
    // written through it directly are the caller's to check.
    int Descriptor() const { return Fd; }
    // The temporary file's path (empty when not open), for a writer that must open the file by
    // name itself, such as a database library. What it writes there is the caller's to check.
    const std::string& TemporaryPath() const { return Temporary; }
    // Finishes the replacement: gives the new file the permissions (and, per KeepOwner, the
    // owner) of `original` when that is given, flushes it (SyncFile), closes it and renames it
    // over the target, then flushes the folder (SyncFolder). `original` is the status of the
    // file being replaced, as the caller found it; null for a new file, which keeps
    // NewFileMode. True when the target now holds exactly what was written; false leaves the
    // target as it was and removes the temporary file. Nothing more can be written after it.
    bool Commit(const struct stat* original = nullptr);
    // Removes the temporary file and leaves the target alone; nothing when not open.
    void Discard();

    // Open, Write(content), Commit(original) in one call.
    static bool Replace(const std::string& target, std::string_view content, const struct stat* original,
                        const TOptions& options);

    // Reads the whole regular file at `path` into `content` (cleared first) and its status into
    // `info`, refusing one larger than `maxSize` bytes (also when it grows past that while being
    // read). The open does not block on a FIFO under the name. `info` is set only when the
    // file could be opened.
    static TReadOutcome ReadWholeFile(const std::string& path, std::size_t maxSize, std::string& content,
                                      struct stat& info);
    // Writes all `size` bytes to `fd`, going on after short writes and interrupted calls; false
    // when a write fails.
    static bool WriteAll(int fd, const char* data, std::size_t size);
    static bool WriteAll(int fd, std::string_view bytes) { return WriteAll(fd, bytes.data(), bytes.size()); }
    // Appends every byte that can be read from `from` to `to` (WriteAll); false when a read or
    // a write fails, with errno telling why where the system said.
    static bool CopyAll(int from, int to);
    // The folder part of `path`: "." when it has none, "/" for a file in the root.
    static std::string FolderOf(const std::string& path);
    // The file a write to `path` should replace to keep a symbolic link a link: the resolved
    // target when `path` is a link that resolves, otherwise `path` itself (a dangling link is
    // then replaced by the file).
    static std::string WriteTarget(const std::string& path);

    // A file about to be rewritten whole: the file a write should replace (WriteTarget), its
    // current content and status, and whether it existed.
    struct TRewrite {
        std::string Target;
        std::string Content;
        struct stat Info {};
        bool Existed = false;
    };
    // Reads the file that a rewrite of `path` replaces, up to `maxSize` bytes. False when the
    // rewrite must leave the file alone: it exists but cannot be read, or it is read-only
    // (renaming a new file over it would get past the protection the user gave it).
    static bool ReadForRewrite(const std::string& path, std::size_t maxSize, TRewrite& rewrite);
    // Whether this process may write the existing file at `path` itself, judged as opening it
    // for writing would be (by the effective user, its groups and capabilities). A rewrite
    // replaces only a file for which this holds: one it may not write is read-only to it.
    static bool MayWrite(const std::string& path);
    // Replaces the target of `rewrite` with `content`, keeping the existing file's permissions.
    static bool Replace(const TRewrite& rewrite, std::string_view content, const TOptions& options)
    {
        return Replace(rewrite.Target, content, rewrite.Existed ? &rewrite.Info : nullptr, options);
    }
    // Creates a new, empty file in `folder` ("" is the current folder) named `prefix`, 12 random
    // letters and digits, `suffix`, with `mode` (the umask applies), exclusively: a name that is
    // taken, by a link too, is never opened, another one is tried. Returns the descriptor,
    // open for writing and closed on exec, and the path in `path`; -1 when no file can be made.
    static int CreateUnique(const std::string& folder, std::string_view prefix, std::string_view suffix, mode_t mode,
                            std::string& path);

private:
    TOptions Options;  // its name parts point into Prefix and Suffix
    std::string Prefix;
    std::string Suffix;
    std::string Target;
    std::string Temporary;
    int Fd = -1;
    bool WriteFailed = false;
};
