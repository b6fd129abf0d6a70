// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "TestDir.h"
#include "model/TRegularFile.h"

namespace {

TEST(TRegularFile, OpensOnlyRegularFilesAndNeverWaits)
{
    TestDir dir;
    const std::string file = dir.WriteFile("plain.txt", "text\n");
    dir.MakeFolder("folder");
    ASSERT_EQ(mkfifo(dir.PathOf("pipe.zip").c_str(), 0600), 0);
    ASSERT_EQ(symlink(file.c_str(), dir.PathOf("link.txt").c_str()), 0);

    // A bound socket under a file's name.
    const int listening = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(listening, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string socketPath = dir.PathOf("socket.txt");
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    std::strcpy(address.sun_path, socketPath.c_str());
    ASSERT_EQ(::bind(listening, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);

    struct Case {
        const char* Name;
        std::string Path;
        bool Opens;
        int Error;
    };
    const Case cases[] = {
        {"regular file", file, true, 0},
        {"link to a regular file", dir.PathOf("link.txt"), true, 0},
        {"missing", dir.PathOf("missing.txt"), false, ENOENT},
        {"folder", dir.PathOf("folder"), false, EINVAL},
        // Without a writer, a blocking open of a FIFO would wait for ever.
        {"FIFO", dir.PathOf("pipe.zip"), false, EINVAL},
        {"character device", "/dev/null", false, EINVAL},
        {"socket", socketPath, false, ENXIO},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        struct stat info {};
        errno = 0;
        const int fd = TRegularFile::OpenForReading(c.Path, &info);
        if (!c.Opens) {
            EXPECT_EQ(fd, -1);
            EXPECT_EQ(errno, c.Error);
            continue;
        }
        ASSERT_GE(fd, 0);
        EXPECT_TRUE(S_ISREG(info.st_mode));
        EXPECT_EQ(info.st_size, 5);
        const int flags = ::fcntl(fd, F_GETFL);
        EXPECT_EQ(flags & O_NONBLOCK, 0) << "the descriptor must block again";
        EXPECT_EQ(flags & O_ACCMODE, O_RDONLY);
        EXPECT_NE(::fcntl(fd, F_GETFD) & FD_CLOEXEC, 0);
        char bytes[8];
        EXPECT_EQ(::read(fd, bytes, sizeof bytes), 5);
        ::close(fd);
    }
    ::close(listening);
}

} // namespace
