// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "TestDir.h"
#include "model/TAtomicFile.h"

namespace fs = std::filesystem;

namespace {

constexpr TAtomicFile::TOptions Options{
    .TemporaryPrefix = ".test-",
    .TemporarySuffix = ".tmp",
    .NewFileMode = 0666,
    .PermissionsRequired = true,
    .KeepOwner = true,
    .SyncFile = true,
    .SyncFolder = true,
};

mode_t ModeOf(const std::string& path)
{
    struct stat info {};
    EXPECT_EQ(::lstat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

// Files may grow to at most `limit` bytes while it lives, so that a write past that fails (with
// EFBIG rather than the signal).
class TFileSizeLimit {
public:
    explicit TFileSizeLimit(rlim_t limit)
    {
        OldHandler = std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &Old);
        rlimit lower = Old;
        lower.rlim_cur = limit;
        ::setrlimit(RLIMIT_FSIZE, &lower);
    }
    ~TFileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &Old);
        std::signal(SIGXFSZ, OldHandler);
    }

private:
    rlimit Old{};
    void (*OldHandler)(int);
};

class TAtomicFileTest : public ::testing::Test {
protected:
    void SetUp() override { OldMask = ::umask(022); }
    void TearDown() override { ::umask(OldMask); }

    TestDir Dir;
    mode_t OldMask = 0;
};

// Whatever goes wrong, the original keeps its bytes and mode, and no temporary file is left.
TEST_F(TAtomicFileTest, AFailedReplacementLeavesTheOriginalAsItWas)
{
    const std::string original = "original\n";
    const std::string large(64 * 1024, 'n');
    struct Case {
        const char* Name;
        // Tries to replace `target`; returns what the replacement reported.
        std::function<bool(const std::string& target)> Attempt;
    };
    const Case cases[] = {
        {"a write fails",
         [&](const std::string& target) {
             const TFileSizeLimit limit(4096);
             return TAtomicFile::Replace(target, large, nullptr, Options);
         }},
        {"the caller writes on after a failed write",
         [&](const std::string& target) {
             TAtomicFile file(Options);
             EXPECT_TRUE(file.Open(target));
             {
                 const TFileSizeLimit limit(4096);
                 EXPECT_FALSE(file.Write(large));
             }
             EXPECT_FALSE(file.Write("tail"));
             return file.Commit();
         }},
        {"the object goes without a commit",
         [&](const std::string& target) {
             TAtomicFile file(Options);
             EXPECT_TRUE(file.Open(target));
             EXPECT_TRUE(file.Write("new"));
             return false;
         }},
        {"discarded, then committed",
         [&](const std::string& target) {
             TAtomicFile file(Options);
             EXPECT_TRUE(file.Open(target));
             EXPECT_TRUE(file.Write("new"));
             file.Discard();
             return file.Commit();
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string target = Dir.WriteFile("doc.txt", original);
        ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
        EXPECT_FALSE(c.Attempt(target));
        EXPECT_EQ(Dir.ReadFile("doc.txt"), original);
        EXPECT_EQ(ModeOf(target), 0640u);
        EXPECT_EQ(EntryNames(Dir.Path()), std::vector<std::string>{"doc.txt"});
    }

    // The rename itself fails: a folder stands under the name.
    Dir.WriteFile("folder/inside", "kept");
    EXPECT_FALSE(TAtomicFile::Replace(Dir.PathOf("folder"), "new", nullptr, Options));
    EXPECT_EQ(Dir.ReadFile("folder/inside"), "kept");
    EXPECT_EQ(EntryNames(Dir.Path()), (std::vector<std::string>{"doc.txt", "folder"}));
    // No folder to make the temporary file in.
    EXPECT_FALSE(TAtomicFile::Replace(Dir.PathOf("missing/doc.txt"), "new", nullptr, Options));
    EXPECT_FALSE(fs::exists(Dir.PathOf("missing")));
}

TEST_F(TAtomicFileTest, AReplacementKeepsPermissionsAndFollowsLinksOnlyWhenAsked)
{
    struct Case {
        const char* Name;
        mode_t OriginalMode;  // 0: there is no file yet
        bool ThroughLink;     // the caller names a symbolic link to the file
        bool FollowLink;      // ... and replaces WriteTarget(link) rather than the link
        mode_t NewFileMode;
        mode_t ExpectedMode;
    };
    const Case cases[] = {
        {"a replaced file keeps its mode", 0604, false, false, 0666, 0604},
        {"a new file gets the usual mode", 0, false, false, 0666, 0644},
        {"a new private file", 0, false, false, 0600, 0600},
        {"written through the link", 0640, true, true, 0666, 0640},
        {"the link itself replaced", 0640, true, false, 0666, 0640},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TestDir dir;
        const std::string file = dir.PathOf("file.txt");
        const std::string link = dir.PathOf("link.txt");
        if (c.OriginalMode != 0) {
            dir.WriteFile("file.txt", "old");
            ASSERT_EQ(::chmod(file.c_str(), c.OriginalMode), 0);
        }
        if (c.ThroughLink) {
            ASSERT_EQ(::symlink(file.c_str(), link.c_str()), 0);
        }
        const std::string named = c.ThroughLink ? link : file;
        const std::string target = c.FollowLink ? TAtomicFile::WriteTarget(named) : named;
        const std::string replaced = c.FollowLink ? file : named;  // where the new content goes

        struct stat original {};
        const bool existed = ::stat(target.c_str(), &original) == 0;
        TAtomicFile::TOptions options = Options;
        options.NewFileMode = c.NewFileMode;
        ASSERT_TRUE(TAtomicFile::Replace(target, "new", existed ? &original : nullptr, options));

        EXPECT_EQ(dir.ReadFile(fs::path(named).filename().string()), "new");
        EXPECT_EQ(ModeOf(replaced), c.ExpectedMode);
        if (c.ThroughLink) {
            EXPECT_EQ(fs::is_symlink(link), c.FollowLink);
            EXPECT_EQ(dir.ReadFile("file.txt"), c.FollowLink ? "new" : "old");
        }
        EXPECT_EQ(EntryNames(dir.Path()).size(), c.ThroughLink ? 2u : 1u) << "a temporary file was left";
    }
}

// Only the superuser can make a file another user's; it must stay theirs when rewritten.
TEST_F(TAtomicFileTest, AReplacedFileKeepsItsOwnerWhereAllowed)
{
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs the superuser";
    }
    const std::string target = Dir.WriteFile("owned.txt", "old");
    ASSERT_EQ(::chown(target.c_str(), 4321, 4321), 0);
    for (const bool keepOwner : {true, false}) {
        SCOPED_TRACE(keepOwner);
        struct stat original {};
        ASSERT_EQ(::stat(target.c_str(), &original), 0);
        TAtomicFile::TOptions options = Options;
        options.KeepOwner = keepOwner;
        ASSERT_TRUE(TAtomicFile::Replace(target, "new", &original, options));
        struct stat now {};
        ASSERT_EQ(::stat(target.c_str(), &now), 0);
        EXPECT_EQ(now.st_uid, keepOwner ? 4321u : 0u);
        ASSERT_EQ(::chown(target.c_str(), 4321, 4321), 0);
    }
}

TEST_F(TAtomicFileTest, ReadWholeFileReadsOnlyWholeRegularFilesWithinTheLimit)
{
    constexpr std::size_t Limit = 100;
    Dir.WriteFile("small", "abc");
    Dir.WriteFile("at-limit", std::string(Limit, 'x'));
    Dir.WriteFile("over-limit", std::string(Limit + 1, 'x'));
    Dir.MakeFolder("folder");
    ASSERT_EQ(::mkfifo(Dir.PathOf("fifo").c_str(), 0600), 0);  // must not block the open
    ASSERT_EQ(::symlink(Dir.PathOf("gone").c_str(), Dir.PathOf("dangling").c_str()), 0);
    ASSERT_EQ(::symlink(Dir.PathOf("small").c_str(), Dir.PathOf("link").c_str()), 0);

    using Outcome = TAtomicFile::TReadOutcome;
    struct Case {
        const char* Name;
        Outcome Expected;
        std::size_t Size;
    };
    const Case cases[] = {
        {"small", Outcome::Read, 3},      {"at-limit", Outcome::Read, Limit}, {"over-limit", Outcome::Failed, 0},
        {"missing", Outcome::Missing, 0}, {"folder", Outcome::Failed, 0},     {"fifo", Outcome::Failed, 0},
        {"dangling", Outcome::Missing, 0}, {"link", Outcome::Read, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        std::string content = "stale";
        struct stat info {};
        EXPECT_EQ(TAtomicFile::ReadWholeFile(Dir.PathOf(c.Name), Limit, content, info), c.Expected);
        EXPECT_EQ(content.size(), c.Size);
    }
}

} // namespace
