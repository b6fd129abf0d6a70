// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <memory>
#include <string>

struct TProfileSnapshot;
struct TProfilePendingWrite;

// One entry of an INI-format parameter file. Every read or write of Text, State or Value is one
// independent access to the file: nothing is kept open or cached between accesses, except
// while a TReadBatch or a TWriteBatch for the profile lives.
class TProfile {
public:
    // Many reads with one reading of the file, for loading a whole parameter file: while the
    // batch lives, the profile's reads (and those of its copies) answer from the file as one
    // reading found it, by the same rules as single reads, for whatever Section and Entry say.
    // The file is read again when FileName changes and after a write through the profile.
    class TReadBatch {
    public:
        explicit TReadBatch(const TProfile& profile);
        ~TReadBatch();
        TReadBatch(const TReadBatch&) = delete;
        TReadBatch& operator=(const TReadBatch&) = delete;

    private:
        const TProfile& Profile;
        std::weak_ptr<TProfileSnapshot> Previous;
        std::shared_ptr<TProfileSnapshot> Snapshot;
    };

    // Many writes with one rewrite of the file, for saving a whole parameter file: while the
    // batch lives, the profile's writes (and those of its copies) change a copy of the file read
    // once, and its reads see them; the file is replaced once, atomically, when the batch ends
    // (or when FileName changes between writes). A new file costs one synchronised rewrite
    // instead of one for each key, and a reader never sees half of the keys written.
    class TWriteBatch {
    public:
        explicit TWriteBatch(const TProfile& profile);
        // Writes what changed; a failure is not reported, as for single writes.
        ~TWriteBatch();
        TWriteBatch(const TWriteBatch&) = delete;
        TWriteBatch& operator=(const TWriteBatch&) = delete;

    private:
        const TProfile& Profile;
        std::weak_ptr<TProfilePendingWrite> Previous;
        std::shared_ptr<TProfilePendingWrite> Pending;
    };

    std::string FileName = "WIN.INI";
    std::string Section;
    std::string Entry;
    std::string DefaultText;

    // The value of Entry in Section, DefaultText when the key is missing; at most 255 characters.
    std::string Text() const;
    // Sets the key, creating the file, the section or the key as needed. False when the file
    // could not be written (callers do not report it).
    bool SetText(const std::string& text) const;
    // "TRUE"/"YES" in any case, or "1".
    bool State() const;
    bool SetState(bool state) const;
    // A decimal integer, 0 when empty, else 1 or 0 by the State rule.
    int32_t Value() const;
    bool SetValue(int32_t value) const;

    static constexpr std::size_t MaxValueLength = 255;

private:
    mutable std::weak_ptr<TProfileSnapshot> Batch;
    mutable std::weak_ptr<TProfilePendingWrite> WriteBatch;
};
