// SPDX-License-Identifier: MIT
#pragma once

#include <sys/types.h>

#include <string>

#include "model/TAtomicFile.h"

// The per-user configuration folder (TSettingsStore::ConfigFolder) holds the settings, the last
// search text and the folders searched: only its owner may read it. The folder is kept at
// FolderMode, also when it exists with wider bits, and every file the program writes there at
// FileMode. Files elsewhere (parameter files the user saves) keep the usual rules.
class TConfigFolder {
public:
    static constexpr mode_t FolderMode = 0700;
    static constexpr mode_t FileMode = 0600;

    // Creates `folder` and its missing parents (new ones at FolderMode), and takes the group's
    // and others' bits off `folder` itself. False when it is not a folder or cannot be made.
    static bool MakePrivate(const std::string& folder);
    // Creates `folder` and its missing parents at FolderMode, leaving an existing one as it is.
    static bool MakeFolders(const std::string& folder);
    // True when `path` names a file directly inside the configuration folder.
    static bool Holds(const std::string& path);
    // For a file about to be rewritten: when it lies in the configuration folder, the rewrite is
    // to give it no more than FileMode (its status in `rewrite` is narrowed to that) and true.
    static bool Narrow(TAtomicFile::TRewrite& rewrite);
};
