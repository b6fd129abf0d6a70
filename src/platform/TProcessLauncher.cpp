// SPDX-License-Identifier: MIT
#include "platform/TProcessLauncher.h"

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cerrno>
#include <csignal>
#include <thread>

extern char** environ;

namespace {

// Waits for the child in the background, so that it leaves no zombie once it ends.
void ReapWhenDone(pid_t child)
{
    std::thread([child] {
        int status = 0;
        while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
}

} // namespace

bool TProcessLauncher::StartDetached(const std::string& program, const std::vector<std::string>& arguments)
{
    if (program.empty()) {
        errno = ENOENT;
        return false;
    }
    std::vector<char*> argv;
    argv.reserve(arguments.size() + 2);
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    posix_spawnattr_t attributes;
    if (::posix_spawnattr_init(&attributes) != 0)
        return false;
    // A session of its own: closing the terminal the window was started from, or a Ctrl+C there,
    // does not take the editor with it. Signals start unblocked and with their default actions.
    sigset_t none;
    sigset_t defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGCHLD);
    ::posix_spawnattr_setsigmask(&attributes, &none);
    ::posix_spawnattr_setsigdefault(&attributes, &defaults);
    ::posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    pid_t child = 0;
    // The C library reports a program that cannot be executed as the result of the call.
    const int result = ::posix_spawnp(&child, program.c_str(), nullptr, &attributes, argv.data(), environ);
    ::posix_spawnattr_destroy(&attributes);
    if (result != 0) {
        errno = result;
        return false;
    }
    ReapWhenDone(child);
    return true;
}

bool TProcessLauncher::OpenWithDesktop(const std::string& path)
{
    struct stat info {};
    if (path.empty() || ::stat(path.c_str(), &info) != 0)
        return false;
    return StartDetached("xdg-open", {path});
}
