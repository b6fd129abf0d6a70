// SPDX-License-Identifier: MIT
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <string>
#include <string_view>

// A file that a replace run makes: the new content of a file, or a backup copy of one. It is
// written under a temporary name in the folder where it will end up, flushed to disk, and only
// then given its real name, in one step: renamed over the original (ReplaceTarget), or given a
// name that no file has yet (PublishAsNew). So no file under a real name is ever half-written,
// and nothing that exists is replaced unless the caller asks for exactly that. Where a new file
// must not take the original's place, the content is written into the original itself instead
// (WriteInto), which the caller makes safe with a copy of the original. A temporary file that
// is not given its name is removed (Discard, or when the object goes).
//
// Failures are values: every step returns false once anything has failed, and Error() holds the
// first system error. Single-threaded; not copyable, as the object owns its temporary file.
class TReplaceOutput {
public:
    // How far PublishAsNew numbers a name that is taken before it gives up.
    static constexpr int MaxNameNumber = 999;

    TReplaceOutput() = default;
    ~TReplaceOutput();
    TReplaceOutput(const TReplaceOutput&) = delete;
    TReplaceOutput& operator=(const TReplaceOutput&) = delete;

    // Creates the temporary file (".qn-<random>.tmp", readable by its owner only until Finish)
    // in `folder`.
    bool Open(const std::string& folder);
    // Appends bytes. Writes are buffered; a failure is remembered and makes Finish fail.
    bool Write(std::string_view bytes);
    // Appends every byte of the regular file at `path`.
    bool CopyFrom(const std::string& path);
    // Writes what is buffered, gives the file the owner (where allowed) and the permission bits
    // `modeBits` of `original`, and, with `keepTimes`, its access and modification times; then
    // flushes the file to disk and closes it.
    bool Finish(const struct stat& original, mode_t modeBits, bool keepTimes);
    // After Finish: whether the file could be given the owner and group of `original`. Only the
    // superuser may give a file away, so a file of another user keeps ours.
    bool KeptOwner() const { return OwnerKept; }
    // Renames the finished file over `target`, which then holds exactly the new content, and
    // flushes the folder. On failure the target is untouched and the temporary file is removed.
    bool ReplaceTarget(const std::string& target);
    // Writes the finished file's content into the existing file `target` itself: the very file
    // `original` describes (its inode), so that the file keeps its other names (hard links),
    // its owner and its permissions. The new content is written over the old from the start,
    // the file is cut to its length and flushed to disk, and the temporary file is removed.
    // Not all at once, unlike ReplaceTarget: when a write fails part way, the content of the
    // file at `restoreFrom` (a complete copy of the original, on disk) is written back the
    // same way, and `restored` tells whether that worked. False when the new content is not
    // in place; `restored` is true then unless the target is left damaged.
    bool WriteInto(const std::string& target, const struct stat& original, const std::string& restoreFrom,
                   bool& restored);
    // Gives the finished file the name `stem` + `extension` or, when that name is taken (by
    // anything, a dangling link too), the first free one of `stem`.1`extension`,
    // `stem`.2`extension`, ... up to MaxNameNumber. An existing file is never replaced, also
    // when another process makes it meanwhile. The name given is in `chosen`.
    bool PublishAsNew(const std::string& stem, std::string_view extension, std::string& chosen);
    // Removes the temporary file; nothing when there is none.
    void Discard();

    // The temporary file's path while there is one.
    const std::string& TemporaryPath() const { return Temporary; }
    // The system error (errno) of the first failure, 0 when nothing failed.
    int Error() const { return FirstError; }
    // A short text for Error(), such as "No space left on device".
    std::string ErrorText() const;

    // The name PublishAsNew tries as its `number`th choice (0: the name itself).
    static std::string NumberedName(const std::string& stem, std::string_view extension, int number);

private:
    bool Fail(int error);
    bool Flush();
    // Moves the finished temporary file to `name` unless that name exists: 1 done, 0 taken,
    // -1 failed.
    int MoveIfFree(const std::string& name);
    void SyncFolder(const std::string& path) const;

    int Fd = -1;
    std::string Temporary;
    std::string Pending;  // bytes not yet written
    bool Finished = false;
    bool OwnerKept = false;
    int FirstError = 0;
};
