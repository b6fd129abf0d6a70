// SPDX-License-Identifier: MIT
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "TestDir.h"
#include "model/TLeftovers.h"
#include "presentation/THTMLWin.h"
#include "replace/TReplaceOutput.h"

namespace {

namespace fs = std::filesystem;

// What one process of ours keeps while it runs: a ZIP extraction folder with a member in it, a
// results document, and a replace's temporary file beside a user's file.
struct TInFlight {
    std::string ZipFolder;
    std::string Document;
    std::string Beside;
};

TInFlight MakeInFlight(const std::string& userFolder, THTMLWin& document, TReplaceOutput& output)
{
    TInFlight made;
    std::string pattern = TLeftovers::FolderPattern(TLeftovers::ZipFolderPrefix);
    if (mkdtemp(pattern.data())) {
        made.ZipFolder = pattern;
        fs::create_directory(made.ZipFolder + "/~quarnel.t");
        std::FILE* member = std::fopen((made.ZipFolder + "/~quarnel.t/member.txt").c_str(), "w");
        if (member)
            std::fclose(member);
    }
    if (document.BeginDocument())
        made.Document = document.DocumentFileName();
    if (output.Open(userFolder))
        made.Beside = output.TemporaryPath();
    return made;
}

class TLeftoversTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* name : {"TMPDIR", "XDG_RUNTIME_DIR"}) {
            const char* value = std::getenv(name);
            Saved.emplace_back(name, value ? value : "");
        }
        setenv("TMPDIR", Dir.MakeFolder("tmp").c_str(), 1);
        setenv("XDG_RUNTIME_DIR", Dir.MakeFolder("run").c_str(), 1);
        Dir.MakeFolder("user");
        Dir.WriteFile("user/file.txt", "the user's file\n");
    }
    void TearDown() override
    {
        for (const auto& [name, value] : Saved)
            if (value.empty())
                unsetenv(name.c_str());
            else
                setenv(name.c_str(), value.c_str(), 1);
    }

    TestDir Dir;
    std::vector<std::pair<std::string, std::string>> Saved;
};

TEST_F(TLeftoversTest, MarksCarryTheOwnerAndItsStartTime)
{
    const std::string mark = TLeftovers::OwnMark();
    EXPECT_EQ(mark.rfind(std::to_string(getpid()) + ".", 0), 0u) << mark;
    EXPECT_TRUE(TLeftovers::IsRunning(mark));
    // Our own id with another start time: a process that ended, whose id was given again.
    EXPECT_FALSE(TLeftovers::IsRunning(std::to_string(getpid()) + ".1"));
    EXPECT_EQ(TLeftovers::FilePrefix("~qn"), "~qn" + mark + "-");
    EXPECT_EQ(TLeftovers::FolderPattern("quarnel-"), Dir.PathOf("tmp/quarnel-" + mark + "-XXXXXX"));
    EXPECT_EQ(TLeftovers::RecordFolder(), Dir.PathOf("run/quarnel"));
    struct stat info;
    ASSERT_EQ(stat(Dir.PathOf("run/quarnel").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
}

// A process killed with everything in flight; another one still running.
TEST_F(TLeftoversTest, SweepRemovesWhatAKilledProcessLeftAndNothingOfARunningOne)
{
    const std::string user = Dir.PathOf("user");
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        THTMLWin document(nullptr, "/program");
        TReplaceOutput output;
        const TInFlight made = MakeInFlight(user, document, output);
        if (made.ZipFolder.empty() || made.Document.empty() || made.Beside.empty())
            _exit(1);
        raise(SIGKILL);
        _exit(2);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the child could not make its files";
    ASSERT_EQ(EntryNames(Dir.PathOf("tmp")).size(), 2u);
    ASSERT_EQ(EntryNames(user).size(), 2u);

    // This process is the running window.
    THTMLWin document(nullptr, "/program");
    TReplaceOutput output;
    const TInFlight mine = MakeInFlight(user, document, output);
    ASSERT_FALSE(mine.ZipFolder.empty());
    ASSERT_FALSE(mine.Document.empty());
    ASSERT_FALSE(mine.Beside.empty());

    // Names that are not marked, or not of our pattern, are never touched, whatever a record says.
    Dir.MakeFolder("tmp/quarnel-abcdef");
    Dir.MakeFolder("tmp/quarnel-" + std::to_string(getpid()) + ".1-abcdef"); // an ended owner
    Dir.WriteFile("tmp/~qn" + std::to_string(getpid()) + ".1-abcdefabcdef.htm", "");
    Dir.WriteFile("user/.qn-keepthisname.txt", "");
    Dir.WriteFile("user/.qn-abcdefghijkl.tmp", "");
    Dir.WriteFile("run/quarnel/" + std::to_string(getpid()) + ".1.pending",
                  user + "/file.txt" + std::string(1, '\0') + user + "/.qn-keepthisname.txt" + std::string(1, '\0') + user +
                      "/.qn-abcdefghijkl.tmp" + std::string(1, '\0'));

    TLeftovers::Sweep();

    std::vector<std::string> temporary = {fs::path(mine.ZipFolder).filename().string(),
                                          fs::path(mine.Document).filename().string(), "quarnel-abcdef"};
    std::sort(temporary.begin(), temporary.end());
    EXPECT_EQ(EntryNames(Dir.PathOf("tmp")), temporary);
    std::vector<std::string> besides = {fs::path(mine.Beside).filename().string(), ".qn-keepthisname.txt", "file.txt"};
    std::sort(besides.begin(), besides.end());
    EXPECT_EQ(EntryNames(user), besides);
    EXPECT_EQ(EntryNames(Dir.PathOf("run/quarnel")), std::vector<std::string>{TLeftovers::OwnMark() + ".pending"});
    EXPECT_TRUE(fs::exists(mine.ZipFolder + "/~quarnel.t/member.txt"));

    // Once renamed or removed, a temporary is no longer listed.
    output.Discard();
    EXPECT_TRUE(EntryNames(Dir.PathOf("run/quarnel")).empty());
    fs::remove_all(mine.ZipFolder);
}

} // namespace
