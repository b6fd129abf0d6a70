// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

// Starts programs detached from the window, with their arguments passed as the bytes they are.
//
// A file name on this platform is any string of bytes; one that is not valid UTF-8 cannot pass
// through a QString unchanged, so the editor, the desktop's opener and a new window are started
// from a byte argument vector. There is no shell in between: an argument is never parsed, so a
// file name can never run a command.
class TProcessLauncher {
public:
    // Starts `program` (searched along PATH when it holds no '/') with `arguments`, in a session
    // of its own, and does not wait for it. False, with errno set, when it could not be started
    // (no such program, not executable, no resources).
    static bool StartDetached(const std::string& program, const std::vector<std::string>& arguments);

    // Opens the file at `path` with the desktop's program for its type (xdg-open). False when the
    // file does not exist or the opener could not be started.
    static bool OpenWithDesktop(const std::string& path);
};
