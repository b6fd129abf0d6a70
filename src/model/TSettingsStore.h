// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "model/TSettingsKey.h"
#include "model/TSettingsTree.h"

// The per-user settings of the program: keys and typed values addressed like the registry's
// HKEY_CURRENT_USER, kept in one text file in the registry's REGEDIT4 export format (see
// TSettingsText).
//
// The store loads the file once, when it is made; reads never touch the file again. Writes
// change the store in memory and are remembered until Save, which merges them into the file:
// under an exclusive advisory lock (flock on "<file>.lock"), it reads the file as it is on disk
// now, applies this store's writes in the order they were made, value by value, and replaces
// the file in one step (temporary file in the same folder, flushed, renamed over it). So when
// several program windows (separate processes) share the file, each window's writes win over
// what was there before, the window that saves last wins for the values both wrote, values
// that only one of them wrote all survive, and the file is never torn. If the lock cannot be
// had within a few seconds the save goes ahead without it: it may then lose another window's
// concurrent save, but still never tears the file.
//
// A damaged file is read as far as it can be (TSettingsText::Parse), and a save rewrites it
// with what was read. A file that cannot be read at all (not a regular file, no permission)
// reads as empty and is never replaced: saves fail, so that a file the program does not
// understand is not destroyed. A file larger than MaxFileSize, or with a key past the tree's
// limits (TSettingsTree::MaxKeyDepth, MaxKeyNameLength), is set aside: renamed, under the lock, to a
// name of its own beside it (SetAsideName), and the store starts empty, so the defaults apply
// and the next save writes a new file without touching the old one. The window tells the user.
// When it cannot be renamed, it is left alone as an unreadable file is.
//
// Not copyable: it owns the pending writes, and a copy would save them twice.
class TSettingsStore {
public:
    // The key below which every setting of the program lies.
    static constexpr std::string_view SettingsRoot = "Software\\Quarnel\\Quarnel\\Current Version";
    // The name of the settings file in the per-user configuration folder.
    static constexpr std::string_view FileBaseName = "settings.reg";
    // The settings file holds a few kilobytes; anything far larger is not ours.
    static constexpr std::size_t MaxFileSize = 8 * 1024 * 1024;

    enum class TLoadState {
        Loaded,     // the file was read
        NoFile,     // there is no file (or no file name): the store starts empty
        Unreadable, // the file exists but cannot be read; it is left alone
        SetAside,   // the file was past the limits and now lies under SetAsideName()
    };

    // Loads `fileName`. An empty name makes a store that lives in memory only (Save fails).
    explicit TSettingsStore(std::string fileName);
    // Saves pending writes, if any (the result is not reported).
    ~TSettingsStore();
    TSettingsStore(const TSettingsStore&) = delete;
    TSettingsStore& operator=(const TSettingsStore&) = delete;

    // Opens the key at `path` (relative to HKEY_CURRENT_USER, names joined by backslashes) for
    // reading; never creates it. Not ok() when the key does not exist.
    TSettingsKey OpenKey(std::string_view path) const;
    // Opens the key at `path` for reading and writing, creating it and its missing parents. Not
    // ok() only when the path is unusable (empty, an empty name, a NUL or a line feed).
    TSettingsKey CreateKey(std::string_view path);

    // Merges the writes made since the last successful Save into the file (see above) and
    // reloads the store from the merged result. True when there was nothing to save or the file
    // was replaced; false leaves the writes pending.
    bool Save();
    bool HasPendingWrites() const { return !Pending.empty(); }

    const std::string& FileName() const { return Name; }
    TLoadState LoadState() const { return State; }
    // Where a file past the limits was moved to (see above); empty unless it was.
    const std::string& SetAsideName() const { return AsideName; }
    // Everything the store holds now.
    const TSettingsTree& Tree() const { return Keys; }

    // SettingsRoot + "\" + subKey.
    static std::string KeyPath(std::string_view subKey);

    // The per-user configuration folder of the program: $XDG_CONFIG_HOME/Quarnel when that
    // variable holds an absolute path, otherwise $HOME/.config/Quarnel (the home folder of the
    // user's account when HOME is not set). Empty when no folder can be found.
    static std::string ConfigFolder();
    // The same rule for given values of XDG_CONFIG_HOME and HOME (either may be null); empty
    // when neither gives a folder.
    static std::string ConfigFolder(const char* xdgConfigHome, const char* home);
    // The per-user data folder of the program (the replace journal lives there):
    // $XDG_DATA_HOME/Quarnel when that variable holds an absolute path, otherwise
    // $HOME/.local/share/Quarnel, by the same home-folder rule. Empty when no folder can be found.
    static std::string DataFolder();
    static std::string DataFolder(const char* xdgDataHome, const char* home);
    // ConfigFolder() + "/" + FileBaseName, or empty.
    static std::string DefaultFileName();

private:
    friend class TSettingsKey;

    struct TWrite {
        std::string Path;
        bool HasValue = false; // false: only creates the key
        std::string Name;
        TSettingsValue Value;
    };

    bool Write(const std::string& path, std::string_view name, TSettingsValue value);
    static void Apply(TSettingsTree& tree, const TWrite& write);
    // Renames `target` to a new name beside it ("<name>.set-aside-<date>-<time>", numbered when
    // taken) without replacing anything; the lock must be held. False when it stays where it is.
    bool SetAside(const std::string& target);
    // Whether `path` names a regular file larger than MaxFileSize.
    static bool IsOversized(const std::string& path);

    std::string Name;
    bool PrivateFile = false; // the file lies in the configuration folder (TConfigFolder)
    TSettingsTree Keys;
    std::vector<TWrite> Pending;
    TLoadState State = TLoadState::NoFile;
    std::string AsideName;
};
