// SPDX-License-Identifier: MIT
#include "model/TRegularFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

int TRegularFile::OpenForReading(const std::string& path, struct stat* info)
{
    int fd;
    do
        fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return -1;
    struct stat own;
    struct stat& status = info ? *info : own;
    // Once the descriptor is known to be a regular file, O_NONBLOCK is taken off again (the
    // other status flags this open could set are none), so that a reader on a file system
    // that honours it never sees EAGAIN.
    int error = 0;
    if (::fstat(fd, &status) != 0)
        error = errno;
    else if (!S_ISREG(status.st_mode))
        error = EINVAL;
    else if (::fcntl(fd, F_SETFL, 0) != 0)
        error = errno;
    if (error != 0) {
        ::close(fd);
        errno = error;
        return -1;
    }
    return fd;
}
