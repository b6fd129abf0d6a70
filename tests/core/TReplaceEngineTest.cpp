// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <linux/capability.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "TestDir.h"
#include "TestZip.h"
#include "engine/TSearchEngine.h"
#include "model/TFileData.h"
#include "model/TFileList.h"
#include "model/TProgramData.h"
#include "model/TSearchData.h"
#include "model/TSearchStats.h"
#include "presentation/THTMLWin.h"
#include "replace/TReplaceData.h"
#include "replace/TReplaceEngine.h"

namespace fs = std::filesystem;
using namespace std::string_literals;

namespace {

constexpr TReplaceAnswer Yes = TReplaceAnswer::Yes;
constexpr TReplaceAnswer No = TReplaceAnswer::No;
constexpr TReplaceAnswer CancelFile = TReplaceAnswer::CancelFile;
constexpr TReplaceAnswer CancelAll = TReplaceAnswer::CancelAll;

enum class Mode { Copy, Overwrite };

const char* Name(Mode mode)
{
    return mode == Mode::Copy ? "copy mode" : "overwrite mode";
}

// Every occurrence of `from` in `text` replaced by `to`: what a replace of every hit of a
// case-sensitive quick search must give, byte for byte.
std::string ReplaceAllOf(std::string text, const std::string& from, const std::string& to)
{
    for (std::size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
        text.replace(at, from.size(), to);
    return text;
}

struct FileState {
    ino_t Inode = 0;
    int64_t ModifiedNs = 0;
    mode_t Mode = 0;

    static FileState Of(const std::string& path)
    {
        struct stat info {};
        EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
        return {info.st_ino, static_cast<int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec,
                info.st_mode & 07777};
    }
    bool operator==(const FileState&) const = default;
};

// A folder "files" searched for a text and then replaced in. Every question the engine asks
// and every section of the report is written as a line of text, with the test folder shown as
// "<dir>", so that one expectation checks a whole run.
class ReplaceRun {
public:
    explicit ReplaceRun(TestDir& dir) : Dir(dir), Report(nullptr, dir.Path()), Engine(Options, Program, Report)
    {
        Dir.MakeFolder("files");
        Report.TempFolder = Dir.MakeFolder("report");
        Report.Options.FancyOutput = false;
        Criteria.SearchMode = TSearchData::ModeQuick;
        Criteria.SearchString = "hit";
        Criteria.MatchCase = true;
        Criteria.FileSpecs = {"*.*"};
        Criteria.Folders = {Dir.PathOf("files")};
        TReplaceNotifications notify;
        notify.Confirm = [this](const TReplaceQuestion& q) {
            Questions += "ask " + Relative(std::string(q.FullPath)) + ":" + std::to_string(q.LineNumber) + " [" +
                         std::string(q.CurrentLine) + "] -> [" + std::string(q.NewLine) + "]\n";
            if (OnQuestion)
                OnQuestion();
            if (Answers.empty()) {
                ADD_FAILURE() << "a question nobody expected";
                return CancelAll;
            }
            const TReplaceAnswer answer = Answers.front();
            Answers.pop_front();
            return answer;
        };
        notify.ShowStatus = [this](const std::string& text) { Statuses += Relative(text) + "\n"; };
        notify.ProcessPendingMessage = [this] { ++PendingCalls; };
        Engine.SetNotifications(notify);
    }

    void Set(Mode mode, bool makeBackup = false, const std::string& replacement = "HIT!")
    {
        Options.Overwrite = mode == Mode::Overwrite ? 1 : 0;
        Options.MakeBackup = makeBackup;
        Options.ReplaceString = replacement;
    }

    std::string Write(const std::string& name, const std::string& bytes) { return Dir.WriteFile("files/" + name, bytes); }
    std::string Write(const std::string& name, const std::string& bytes, std::time_t mtime, long nanoseconds = 0)
    {
        return Dir.WriteFile("files/" + name, bytes, mtime, nanoseconds);
    }
    std::string Read(const std::string& name) const { return Dir.ReadFile("files/" + name); }
    std::string PathOf(const std::string& name) const { return Dir.PathOf("files/" + name); }

    void Search()
    {
        Results.Clear();
        TNullShellInfo shell;
        TSearchEngine search(Criteria, Results, Stats, shell);
        search.Search();
    }

    // The report of a run over every file of the result list.
    std::string ReplaceAll()
    {
        return Reported([this] { Engine.ReplaceFiles(Results); });
    }

    std::string Reported(const std::function<void()>& run)
    {
        Report.BeginDocument();
        run();
        Report.FinishDocument();
        std::ifstream in(Report.DocumentFileName(), std::ios::binary);
        std::string text;
        bool heading = false;
        for (std::string line; std::getline(in, line);) {
            if (line == "<b>") {
                heading = true;
            } else if (heading) {
                text += "file " + Relative(line) + "\n";
                heading = false;
            } else if (line.size() > 4 && line.ends_with("<br>") && line != "</b><br>") {
                text += "  " + Relative(line.substr(0, line.size() - 4)) + "\n";
            }
        }
        return text;
    }

    std::string Relative(std::string text) const
    {
        for (std::size_t at; (at = text.find(Dir.Path())) != std::string::npos;)
            text.replace(at, Dir.Path().size(), "<dir>");
        return text;
    }

    // The names in "files", sorted.
    std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(Dir.PathOf("files")))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    TestDir& Dir;
    TSearchData Criteria;
    TFileList Results;
    TSearchStats Stats;
    TReplaceData Options;
    TProgramData Program;
    THTMLWin Report;
    TReplaceEngine Engine;
    std::deque<TReplaceAnswer> Answers;
    std::function<void()> OnQuestion;
    std::string Questions;
    std::string Statuses;
    int PendingCalls = 0;
};

using Names = std::vector<std::string>;

// While it lives, files may grow to at most `limit` bytes, so that a write past that fails
// (with EFBIG rather than the signal): a disk that fills up under the run.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t limit)
    {
        OldHandler = std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &Old);
        rlimit lower = Old;
        lower.rlim_cur = limit;
        ::setrlimit(RLIMIT_FSIZE, &lower);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &Old);
        std::signal(SIGXFSZ, OldHandler);
    }

private:
    rlimit Old{};
    void (*OldHandler)(int) = nullptr;
};

// While it lives, permissions and ownership bind this process as they bind an ordinary user,
// even when it runs as the superuser: the capabilities to override permissions and to give
// files away are taken out of the effective set and given back after.
class PermissionsBind {
public:
    PermissionsBind()
    {
        if (::geteuid() != 0) {
            Binding = true;
            return;
        }
        if (::syscall(SYS_capget, &Header, Saved) != 0)
            return;
        __user_cap_data_struct lowered[2] = {Saved[0], Saved[1]};
        lowered[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH) | (1u << CAP_CHOWN) |
                                  (1u << CAP_FOWNER) | (1u << CAP_FSETID));
        Binding = Lowered = ::syscall(SYS_capset, &Header, lowered) == 0;
    }
    ~PermissionsBind()
    {
        if (Lowered)
            ::syscall(SYS_capset, &Header, Saved);
    }
    bool Binding = false;

private:
    __user_cap_header_struct Header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct Saved[2]{};
    bool Lowered = false;
};

TEST(TReplaceEngine, ReplacementsOfAnyLengthLandWhereTheMatchesWere)
{
    struct Case {
        const char* Name;
        std::string Content;
        std::string SearchFor;
        std::string Replacement;
        std::string Expected;
    };
    const Case cases[] = {
        {"longer: later matches shift right", "aXbXc\n", "X", "YY", "aYYbYYc\n"},
        {"shorter: later matches shift left", "aXXbXXcXX\n", "XX", "Z", "aZbZcZ\n"},
        {"an empty replacement deletes the matches", "aXXbXXc\n", "XX", "", "abc\n"},
        {"same length", "XaX\n", "X", "Z", "ZaZ\n"},
        {"several lines, a line without matches between", "X\nno\nXX\n", "X", "YY", "YY\nno\nYYYY\n"},
        {"the replacement holds the searched text", "aXb\nX\n", "X", "XX", "aXXb\nXX\n"},
    };
    for (const Mode mode : {Mode::Copy, Mode::Overwrite}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(Name(mode)) + ": " + c.Name);
            TestDir dir;
            ReplaceRun run(dir);
            run.Write("a.txt", c.Content);
            run.Criteria.SearchString = c.SearchFor;
            run.Search();
            ASSERT_EQ(run.Results.Count(), 1u);
            run.Set(mode, false, c.Replacement);
            const std::string changes = std::to_string(run.Results.Item(0).Matches.size()) + " changes made\n";
            if (mode == Mode::Copy) {
                EXPECT_EQ(run.ReplaceAll(), "file <dir>/files/a.txt\n  " + changes +
                                                "  Changes have been saved in <dir>/files/a.txt.new\n");
                EXPECT_EQ(run.Read("a.txt.new"), c.Expected);
                EXPECT_EQ(run.Read("a.txt"), c.Content);
                EXPECT_EQ(run.Names(), (Names{"a.txt", "a.txt.new"}));
            } else {
                EXPECT_EQ(run.ReplaceAll(),
                          "file <dir>/files/a.txt\n  " + changes + "  Changes have been made to the original file\n");
                EXPECT_EQ(run.Read("a.txt"), c.Expected);
                EXPECT_EQ(run.Names(), (Names{"a.txt"})) << "the backup goes when it is not wanted";
            }
            EXPECT_EQ(run.Questions, "") << "confirmation is off";
        }
    }
}

TEST(TReplaceEngine, OutsideTheReplacedSpansEveryByteStays)
{
    const std::string longLine = "first\n" + std::string(300000, 'x') + "hit" + std::string(200000, 'y') + "\nshort hit\n";
    std::string highBytes = "hit\n";
    for (int c = 128; c <= 255; ++c)
        highBytes += static_cast<char>(c);
    highBytes += "\ncaf\xe9 hit \xff\xfe\x80hit\xc3\xa9\n";
    // One line made of 100000 hits: each change costs its own piece of the line, not the line.
    std::string manyHits = "first\nx";
    for (int i = 0; i < 100000; ++i)
        manyHits += "hit";
    manyHits += "\r\nhit";
    std::string everyByte = "hit\n";
    for (int c = 0; c <= 255; ++c)
        everyByte += c == '\n' ? 'n' : static_cast<char>(c);
    everyByte += "hit\n";

    struct Case {
        const char* Name;
        std::string Content;
    };
    const Case cases[] = {
        {"LF line ends", "one hit\ntwo\nhit hit\n"},
        {"CR LF line ends", "one hit\r\ntwo\r\nhit\r\n"},
        {"LF and CR LF mixed", "a hit\r\nb\nc hit\r\n\r\n\nhit\n"},
        {"a last line without a line end", "x\nlast hit"},
        {"a last line without a line end that has no match", "hit\nend"},
        {"a CR that ends no line", "a\rhit\r\r\nb\rhit\rc\n"},
        {"a CR at the very end", "hit\nend\r"},
        {"empty lines around", "\n\nhit\n\n"},
        {"zero bytes", "z\n\0hit\0\0tail hit\n\0\n"s},
        {"bytes 128 to 255", highBytes},
        {"every byte value on one line", everyByte},
        {"lines far longer than any buffer", longLine},
        {"a long line of nothing but hits", manyHits},
    };
    for (const Mode mode : {Mode::Copy, Mode::Overwrite}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(Name(mode)) + ": " + c.Name);
            TestDir dir;
            ReplaceRun run(dir);
            const std::string path = run.Write("a.txt", c.Content);
            run.Search();
            ASSERT_EQ(run.Results.Count(), 1u);
            const std::size_t hits = run.Results.Item(0).Matches.size();
            const std::string expected = ReplaceAllOf(c.Content, "hit", "HIT!");
            ASSERT_EQ(expected.size(), c.Content.size() + hits) << "the search missed a hit";

            run.Set(mode, true);
            const std::string report = run.ReplaceAll();
            EXPECT_NE(report.find("  " + std::to_string(hits) + " changes made\n"), std::string::npos) << report;
            if (mode == Mode::Copy) {
                EXPECT_TRUE(run.Read("a.txt.new") == expected);
                EXPECT_TRUE(run.Read("a.txt") == c.Content);
                EXPECT_EQ(run.Names(), (Names{"a.txt", "a.txt.new"}));
            } else {
                EXPECT_TRUE(run.Read("a.txt") == expected);
                EXPECT_TRUE(run.Read("a.txt.bak") == c.Content);
                EXPECT_EQ(run.Names(), (Names{"a.txt", "a.txt.bak"}));
            }
        }
    }
}

TEST(TReplaceEngine, EachChangeIsMadeOnlyWhenConfirmed)
{
    struct Case {
        const char* Name;
        std::deque<TReplaceAnswer> Answers;
        std::string Questions;
        std::string Expected;
    };
    const Case cases[] = {
        {"both accepted: the second question shows the first change",
         {Yes, Yes},
         "ask <dir>/files/a.txt:2 [aXbXc] -> [aYYbXc]\n"
         "ask <dir>/files/a.txt:2 [aYYbXc] -> [aYYbYYc]\n",
         "no\naYYbYYc\nend\n"},
        {"the first declined, the second accepted: only the second changes",
         {No, Yes},
         "ask <dir>/files/a.txt:2 [aXbXc] -> [aYYbXc]\n"
         "ask <dir>/files/a.txt:2 [aXbXc] -> [aXbYYc]\n",
         "no\naXbYYc\nend\n"},
        {"the first accepted, the second declined",
         {Yes, No},
         "ask <dir>/files/a.txt:2 [aXbXc] -> [aYYbXc]\n"
         "ask <dir>/files/a.txt:2 [aYYbXc] -> [aYYbYYc]\n",
         "no\naYYbXc\nend\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TestDir dir;
        ReplaceRun run(dir);
        run.Write("a.txt", "no\naXbXc\nend\n");
        run.Criteria.SearchString = "X";
        run.Search();
        run.Set(Mode::Copy, false, "YY");
        run.Options.Confirmation = 1;
        run.Answers = c.Answers;
        run.ReplaceAll();
        EXPECT_EQ(run.Questions, c.Questions);
        EXPECT_EQ(run.Read("a.txt.new"), c.Expected);
        EXPECT_TRUE(run.Answers.empty());
    }
}

TEST(TReplaceEngine, DecliningEveryChangeStillWritesTheFileOfTheMode)
{
    for (const Mode mode : {Mode::Copy, Mode::Overwrite}) {
        SCOPED_TRACE(Name(mode));
        TestDir dir;
        ReplaceRun run(dir);
        const std::string content = "hit\r\nhit hit\n";
        run.Write("a.txt", content);
        run.Search();
        run.Set(mode);
        run.Options.Confirmation = 1;
        run.Answers = {No, No, No};
        const std::string report = run.ReplaceAll();
        if (mode == Mode::Copy) {
            EXPECT_EQ(report, "file <dir>/files/a.txt\n  0 changes made\n  Changes have been saved in <dir>/files/a.txt.new\n");
            EXPECT_EQ(run.Read("a.txt.new"), content);
        } else {
            EXPECT_EQ(report, "file <dir>/files/a.txt\n  0 changes made\n  Changes have been made to the original file\n");
            EXPECT_EQ(run.Names(), (Names{"a.txt"}));
        }
        EXPECT_EQ(run.Read("a.txt"), content);
    }
}

TEST(TReplaceEngine, ASecondOverwriteRunRefusesTheFilesTheFirstChanged)
{
    TestDir dir;
    ReplaceRun run(dir);
    run.Write("a.txt", "hit\n");
    run.Write("b.txt", "no\nhit\n");
    run.Search();
    run.Set(Mode::Overwrite);
    run.ReplaceAll();
    ASSERT_EQ(run.Read("a.txt"), "HIT!\n");

    run.Options.ReplaceString = "again";
    EXPECT_EQ(run.ReplaceAll(),
              "file <dir>/files/a.txt\n"
              "  Replace not performed - file has been changed or deleted since it was searched.\n"
              "file <dir>/files/b.txt\n"
              "  Replace not performed - file has been changed or deleted since it was searched.\n");
    EXPECT_EQ(run.Read("a.txt"), "HIT!\n");
    EXPECT_EQ(run.Read("b.txt"), "no\nHIT!\n");
}

TEST(TReplaceEngine, CancelAllOnTheSecondOfFiveFilesEndsTheRunAndLeavesThatFileAlone)
{
    for (const Mode mode : {Mode::Copy, Mode::Overwrite}) {
        SCOPED_TRACE(Name(mode));
        TestDir dir;
        ReplaceRun run(dir);
        for (int i = 1; i <= 5; ++i)
            run.Write("f" + std::to_string(i) + ".txt", "one hit\ntwo hit\n");
        run.Search();
        ASSERT_EQ(run.Results.Count(), 5u);
        const FileState second = FileState::Of(run.PathOf("f2.txt"));
        run.Set(mode, true);
        run.Options.Confirmation = 1;
        run.Answers = {Yes, Yes, Yes, CancelAll};

        const std::string report = run.ReplaceAll();
        const std::string cancelled =
            mode == Mode::Copy ? "Replace cancelled by user" : "Replace cancelled by user - original file restored";
        const std::string first = mode == Mode::Copy
                                      ? "  Changes have been saved in <dir>/files/f1.txt.new\n"
                                      : "  Changes have been made to the original file\n"
                                        "  A backup was created first: <dir>/files/f1.txt.bak\n";
        EXPECT_EQ(report, "file <dir>/files/f1.txt\n  2 changes made\n" + first + "file <dir>/files/f2.txt\n  " +
                              cancelled + "\n");
        EXPECT_EQ(run.Statuses, "Replacing in <dir>/files/f1.txt\nReplacing in <dir>/files/f2.txt\n");
        EXPECT_EQ(run.Questions,
                  "ask <dir>/files/f1.txt:1 [one hit] -> [one HIT!]\n"
                  "ask <dir>/files/f1.txt:2 [two hit] -> [two HIT!]\n"
                  "ask <dir>/files/f2.txt:1 [one hit] -> [one HIT!]\n"
                  "ask <dir>/files/f2.txt:2 [two hit] -> [two HIT!]\n");

        // The cancelled file is exactly as it was, down to its inode and time; the files after it
        // were not touched, and nothing was left beside them.
        EXPECT_EQ(run.Read("f2.txt"), "one hit\ntwo hit\n");
        EXPECT_EQ(FileState::Of(run.PathOf("f2.txt")), second);
        for (const char* name : {"f3.txt", "f4.txt", "f5.txt"})
            EXPECT_EQ(run.Read(name), "one hit\ntwo hit\n");
        const Names expected = mode == Mode::Copy
                                   ? Names{"f1.txt", "f1.txt.new", "f2.txt", "f3.txt", "f4.txt", "f5.txt"}
                                   : Names{"f1.txt", "f1.txt.bak", "f2.txt", "f3.txt", "f4.txt", "f5.txt"};
        EXPECT_EQ(run.Names(), expected);
        EXPECT_GT(run.PendingCalls, 0);
    }
}

TEST(TReplaceEngine, CancelFileLeavesTheFileAsItWasAndGoesOnWithTheNext)
{
    for (const Mode mode : {Mode::Copy, Mode::Overwrite}) {
        SCOPED_TRACE(Name(mode));
        TestDir dir;
        ReplaceRun run(dir);
        run.Write("a.txt", "hit\nhit\n");
        run.Write("b.txt", "hit\n");
        run.Search();
        const FileState before = FileState::Of(run.PathOf("a.txt"));
        run.Set(mode, true);
        run.Options.Confirmation = 1;
        run.Answers = {Yes, CancelFile, Yes};
        const std::string report = run.ReplaceAll();
        const std::string cancelled =
            mode == Mode::Copy ? "Replace cancelled by user" : "Replace cancelled by user - original file restored";
        EXPECT_EQ(report.substr(0, report.find("file <dir>/files/b.txt")),
                  "file <dir>/files/a.txt\n  " + cancelled + "\n");
        EXPECT_NE(report.find("file <dir>/files/b.txt\n  1 changes made\n"), std::string::npos) << report;
        EXPECT_EQ(run.Read("a.txt"), "hit\nhit\n");
        EXPECT_EQ(FileState::Of(run.PathOf("a.txt")), before);
        EXPECT_EQ(run.Names(), mode == Mode::Copy ? (Names{"a.txt", "b.txt", "b.txt.new"})
                                                  : (Names{"a.txt", "b.txt", "b.txt.bak"}));
    }
}

TEST(TReplaceEngine, RefusesBinaryFilesArchiveMembersAndFilesChangedSinceTheSearch)
{
    TestDir dir;
    ReplaceRun run(dir);
    run.Write("bin.dat", std::string("\0\1hit", 5));
    run.Write("gone.txt", "hit\n");
    run.Write("good.txt", "hit\n");
    run.Write("touched.txt", "hit\n", 1600000000);
    run.Write("pack.zip", TestZip::BuildZip({TestZip::Member{.Name = "m.txt", .Content = "hit\n"}}));
    run.Criteria.SearchZIPs = true;
    run.Search();
    ASSERT_EQ(run.Results.Count(), 5u);

    ::unlink(run.PathOf("gone.txt").c_str());
    dir.SetModified("files/touched.txt", 1600000000, 1); // one nanosecond later
    run.Set(Mode::Overwrite, true);
    EXPECT_EQ(run.ReplaceAll(),
              "file <dir>/files/bin.dat\n"
              "  Replace not performed - file is binary.\n"
              "file <dir>/files/gone.txt\n"
              "  Replace not performed - file has been changed or deleted since it was searched.\n"
              "file <dir>/files/good.txt\n"
              "  1 changes made\n"
              "  Changes have been made to the original file\n"
              "  A backup was created first: <dir>/files/good.txt.bak\n"
              "file <dir>/files/touched.txt\n"
              "  Replace not performed - file has been changed or deleted since it was searched.\n"
              "file <dir>/files/pack.zip/m.txt\n"
              "  Replace not performed - file is in a ZIP archive.\n");
    EXPECT_EQ(run.Names(), (Names{"bin.dat", "good.txt", "good.txt.bak", "pack.zip", "touched.txt"}));
    EXPECT_EQ(run.Read("touched.txt"), "hit\n");
}

TEST(TReplaceEngine, BackupAndNewFileNamesFollowTheShortNamesPreference)
{
    struct Case {
        const char* FileName;
        bool ShortNames;
        const char* Backup;
        const char* NewFile;
    };
    const Case cases[] = {
        {"notes.txt", false, "notes.txt.bak", "notes.txt.new"},
        {"notes.txt", true, "notes.bak", "notes.new"},
        {"archive.tar.gz", true, "archive.bak", "archive.new"},
        {"README", true, "README.bak", "README.new"},
        {".bashrc", true, ".bashrc.bak", ".bashrc.new"},
    };
    TestDir dir;
    TNullShellInfo shell;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.FileName) + (c.ShortNames ? " short" : " long"));
        const TFileData file(dir.Path(), c.FileName, shell);
        EXPECT_EQ(TReplaceEngine::BackupFileName(file, c.ShortNames), dir.Path() + "/" + c.Backup);
        EXPECT_EQ(TReplaceEngine::NewFileName(file, c.ShortNames), dir.Path() + "/" + c.NewFile);
    }
}

TEST(TReplaceEngine, AnExistingFileIsNeverReplacedByANewFileOrABackup)
{
    struct Case {
        const char* Name;
        Mode ReplaceMode;
        bool ShortNames;
        std::vector<std::pair<std::string, std::string>> Files; // name, content
        std::string Report;
        std::vector<std::pair<std::string, std::string>> After;
    };
    const Case cases[] = {
        {"copy mode: the new file's name is taken",
         Mode::Copy,
         false,
         {{"a.txt", "hit\n"}, {"a.txt.new", "precious\n"}},
         "file <dir>/files/a.txt\n  1 changes made\n  Changes have been saved in <dir>/files/a.txt.1.new\n",
         {{"a.txt", "hit\n"}, {"a.txt.1.new", "HIT!\n"}, {"a.txt.new", "precious\n"}}},
        {"copy mode, short names: two files share their names up to the first dot",
         Mode::Copy,
         true,
         {{"a.log", "hit\n"}, {"a.txt", "hit hit\n"}},
         "file <dir>/files/a.log\n  1 changes made\n  Changes have been saved in <dir>/files/a.new\n"
         "file <dir>/files/a.txt\n  2 changes made\n  Changes have been saved in <dir>/files/a.1.new\n",
         {{"a.1.new", "HIT! HIT!\n"}, {"a.log", "hit\n"}, {"a.new", "HIT!\n"}, {"a.txt", "hit hit\n"}}},
        {"copy mode, short names: the new file's name is the original's",
         Mode::Copy,
         true,
         {{"x.new", "hit\n"}},
         "file <dir>/files/x.new\n  1 changes made\n  Changes have been saved in <dir>/files/x.1.new\n",
         {{"x.1.new", "HIT!\n"}, {"x.new", "hit\n"}}},
        {"overwrite mode: the backup's name is taken",
         Mode::Overwrite,
         false,
         {{"a.txt", "hit\n"}, {"a.txt.bak", "older backup\n"}},
         "file <dir>/files/a.txt\n  1 changes made\n  Changes have been made to the original file\n"
         "  A backup was created first: <dir>/files/a.txt.1.bak\n",
         {{"a.txt", "HIT!\n"}, {"a.txt.1.bak", "hit\n"}, {"a.txt.bak", "older backup\n"}}},
        {"overwrite mode, short names: the backup's name is the original's",
         Mode::Overwrite,
         true,
         {{"x.bak", "hit\n"}},
         "file <dir>/files/x.bak\n  1 changes made\n  Changes have been made to the original file\n"
         "  A backup was created first: <dir>/files/x.1.bak\n",
         {{"x.1.bak", "hit\n"}, {"x.bak", "HIT!\n"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TestDir dir;
        ReplaceRun run(dir);
        for (const auto& [name, content] : c.Files)
            run.Write(name, content);
        run.Search();
        run.Set(c.ReplaceMode, true);
        run.Program.ShortFilenames = c.ShortNames;
        EXPECT_EQ(run.ReplaceAll(), c.Report);
        std::vector<std::pair<std::string, std::string>> after;
        for (const std::string& name : run.Names())
            after.emplace_back(name, run.Read(name));
        EXPECT_EQ(after, c.After);
    }
}

TEST(TReplaceEngine, ASecondCopyRunRebuildsFromTheOriginalUnderAFreeName)
{
    TestDir dir;
    ReplaceRun run(dir);
    run.Write("a.txt", "hit\n");
    run.Search();
    run.Set(Mode::Copy, false, "one");
    run.ReplaceAll();
    run.Options.ReplaceString = "two";
    EXPECT_EQ(run.ReplaceAll(),
              "file <dir>/files/a.txt\n  1 changes made\n  Changes have been saved in <dir>/files/a.txt.1.new\n");
    EXPECT_EQ(run.Read("a.txt.new"), "one\n");
    EXPECT_EQ(run.Read("a.txt.1.new"), "two\n");
}

TEST(TReplaceEngine, NewFilesKeepTheOriginalsPermissionsAndTheBackupItsTime)
{
    struct Case {
        const char* Name;
        Mode ReplaceMode;
        mode_t Permissions;
    };
    const Case cases[] = {
        {"a private file gets a private copy", Mode::Copy, 0600},
        {"a script stays runnable in its copy", Mode::Copy, 0755},
        {"an overwritten file keeps its permissions", Mode::Overwrite, 0640},
        {"an overwritten read-only file stays read-only", Mode::Overwrite, 0444},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        if (c.ReplaceMode == Mode::Overwrite && (c.Permissions & 0200) == 0 && ::geteuid() != 0) {
            std::cout << "skipped: only the superuser may overwrite a read-only file\n";
            continue;
        }
        TestDir dir;
        ReplaceRun run(dir);
        const std::string path = run.Write("a.txt", "hit\n", 1500000000, 123456789);
        ASSERT_EQ(::chmod(path.c_str(), c.Permissions), 0);
        run.Search();
        run.Set(c.ReplaceMode, true);
        run.ReplaceAll();
        if (c.ReplaceMode == Mode::Copy) {
            EXPECT_EQ(FileState::Of(run.PathOf("a.txt.new")).Mode, c.Permissions);
        } else {
            EXPECT_EQ(run.Read("a.txt"), "HIT!\n");
            EXPECT_EQ(FileState::Of(path).Mode, c.Permissions);
            const FileState backup = FileState::Of(run.PathOf("a.txt.bak"));
            EXPECT_EQ(backup.Mode, c.Permissions);
            EXPECT_EQ(backup.ModifiedNs, int64_t{1500000000} * 1000000000 + 123456789);
        }
    }
}

TEST(TReplaceEngine, OverwritingThroughASymbolicLinkChangesTheFileItNamesAndKeepsTheLink)
{
    TestDir dir;
    ReplaceRun run(dir);
    run.Write("real.txt", "hit\n");
    ASSERT_EQ(::symlink("real.txt", run.PathOf("link.txt").c_str()), 0);
    run.Criteria.FileSpecs = {"link.txt"};
    run.Search();
    ASSERT_EQ(run.Results.Count(), 1u);
    run.Set(Mode::Overwrite, true);
    run.ReplaceAll();
    struct stat info {};
    ASSERT_EQ(::lstat(run.PathOf("link.txt").c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    EXPECT_EQ(run.Read("real.txt"), "HIT!\n");
    EXPECT_EQ(run.Read("link.txt.bak"), "hit\n");
}

TEST(TReplaceEngine, AFailureLeavesTheOriginalAsItWasAndIsReported)
{
    struct Case {
        const char* Name;
        Mode ReplaceMode;
        bool MakeBackup;
        std::string Content;
        std::string Replacement;
        rlim_t SizeLimit;       // 0: none
        bool FolderReadOnly;
        std::string Message;
    };
    const std::string lines = [] {
        std::string text;
        for (int i = 0; i < 1000; ++i)
            text += "hitxxxxx\n";
        return text;
    }();
    const Case cases[] = {
        {"copy mode: the folder cannot be written", Mode::Copy, false, "hit\n", "HIT!", 0, true,
         "Replace not performed - the new file could not be written: Permission denied"},
        {"overwrite mode: the folder cannot be written", Mode::Overwrite, true, "hit\n", "HIT!", 0, true,
         "Replace not performed - the new file could not be written: Permission denied"},
        {"copy mode: the disk fills up while the new file is written", Mode::Copy, false, lines, "longer text", 12000,
         false, "Replace not performed - the new file could not be written: File too large"},
        {"overwrite mode: the disk fills up while the new file is written", Mode::Overwrite, false, lines,
         "longer text", 12000, false, "Replace not performed - the new file could not be written: File too large"},
        {"overwrite mode: the disk fills up while the backup is written", Mode::Overwrite, true, lines, "", 8000,
         false, "Replace not performed - the backup could not be made: File too large"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TestDir dir;
        ReplaceRun run(dir);
        const std::string path = run.Write("a.txt", c.Content);
        run.Search();
        const FileState before = FileState::Of(path);
        run.Set(c.ReplaceMode, c.MakeBackup, c.Replacement);

        std::string report;
        if (c.FolderReadOnly) {
            PermissionsBind bind;
            if (!bind.Binding) {
                std::cout << "skipped: folder permissions cannot be made to bind this process\n";
                continue;
            }
            ASSERT_EQ(::chmod(dir.PathOf("files").c_str(), 0555), 0);
            report = run.ReplaceAll();
            ::chmod(dir.PathOf("files").c_str(), 0755);
        } else {
            FileSizeLimit limit(c.SizeLimit);
            report = run.ReplaceAll();
        }
        EXPECT_EQ(report, "file <dir>/files/a.txt\n  " + c.Message + "\n");
        EXPECT_TRUE(run.Read("a.txt") == c.Content);
        EXPECT_EQ(FileState::Of(path), before);
        EXPECT_EQ(run.Names(), (Names{"a.txt"})) << "nothing is left beside the file";
    }
}

TEST(TReplaceEngine, AFileChangedWhileItIsBeingReplacedKeepsTheOtherChange)
{
    for (const Mode mode : {Mode::Copy, Mode::Overwrite}) {
        SCOPED_TRACE(Name(mode));
        TestDir dir;
        ReplaceRun run(dir);
        run.Write("a.txt", "hit\n");
        run.Search();
        run.Set(mode, true);
        run.Options.Confirmation = 1;
        run.Answers = {Yes};
        // Another program saves the file while the user is being asked.
        run.OnQuestion = [&run] { run.Write("a.txt", "someone else's hit\n"); };
        EXPECT_EQ(run.ReplaceAll(), "file <dir>/files/a.txt\n"
                                    "  Replace not performed - file has been changed or deleted since it was searched.\n");
        EXPECT_EQ(run.Read("a.txt"), "someone else's hit\n");
        EXPECT_EQ(run.Names(), (Names{"a.txt"}));
    }
}

TEST(TReplaceEngine, MatchRecordsThatDoNotFitTheirLineAreLeftAlone)
{
    TestDir dir;
    ReplaceRun run(dir);
    run.Write("a.txt", "a hit b\nlast\n");
    run.Search();
    ASSERT_EQ(run.Results.Count(), 1u);
    TMatchList& matches = run.Results.Item(0).Matches;
    ASSERT_EQ(matches, (TMatchList{TMatch(1, 7, 3, 6)}));
    matches = {TMatch(1, 7, 3, 6), TMatch(1, 7, 4, 5) /* overlaps the one before */,
               TMatch(1, 7, 7, 40) /* runs past the line's end */, TMatch(2, 4, 5, 3) /* ends before it starts */,
               TMatch(9, 3, 1, 2) /* a line the file does not have */};
    run.Set(Mode::Copy);
    run.ReplaceAll();
    EXPECT_EQ(run.Read("a.txt.new"), "a HIT! b\nlast\n");
}

TEST(TReplaceEngine, OverwriteModeRefusesAFileItsUserMayNotWrite)
{
    struct Case {
        const char* Name;
        Mode ReplaceMode;
        bool MakeBackup;
        bool LockedWhileAsked;  // made read-only while the user is asked about the change
        std::string Report;
        Names After;
    };
    const std::string refused = "file <dir>/files/a.txt\n  Replace not performed - file is read-only.\n";
    const Case cases[] = {
        {"a read-only file", Mode::Overwrite, false, false, refused, {"a.txt"}},
        {"a read-only file, with a backup asked for", Mode::Overwrite, true, false, refused, {"a.txt"}},
        {"a file made read-only while the user is asked", Mode::Overwrite, true, true, refused, {"a.txt"}},
        {"copy mode leaves a read-only original alone", Mode::Copy, false, false,
         "file <dir>/files/a.txt\n  1 changes made\n  Changes have been saved in <dir>/files/a.txt.new\n",
         {"a.txt", "a.txt.new"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TestDir dir;
        ReplaceRun run(dir);
        const std::string path = run.Write("a.txt", "hit\n");
        if (!c.LockedWhileAsked) {
            ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
        }
        run.Search();
        run.Set(c.ReplaceMode, c.MakeBackup);
        if (c.LockedWhileAsked) {
            run.Options.Confirmation = 1;
            run.Answers = {Yes};
            run.OnQuestion = [&path] { ::chmod(path.c_str(), 0444); };
        }
        PermissionsBind bind;
        if (!bind.Binding) {
            std::cout << "skipped: permissions cannot be made to bind this process\n";
            return;
        }
        EXPECT_EQ(run.ReplaceAll(), c.Report);
        EXPECT_EQ(run.Read("a.txt"), "hit\n");
        EXPECT_EQ(FileState::Of(path).Mode, 0444u);
        EXPECT_EQ(run.Names(), c.After);
    }
}

TEST(TReplaceEngine, AFileWithOtherNamesOrAnotherOwnerIsChangedInPlace)
{
    struct Case {
        const char* Name;
        bool OtherOwner;  // else a second name
        bool MakeBackup;
    };
    const Case cases[] = {
        {"a file with a second name", false, false},
        {"a file with a second name, with a backup", false, true},
        {"a writable file of another user", true, false},
        {"a writable file of another user, with a backup", true, true},
    };
    constexpr uid_t OtherUser = 4321;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        if (c.OtherOwner && ::geteuid() != 0) {
            std::cout << "skipped: only the superuser can make a file another user's\n";
            continue;
        }
        TestDir dir;
        ReplaceRun run(dir);
        const std::string path = run.Write("a.txt", "hit\nkeep\r\nlast hit");
        const std::string secondName = dir.PathOf("second-name.txt");
        if (c.OtherOwner) {
            ASSERT_EQ(::chown(path.c_str(), OtherUser, OtherUser), 0);
            ASSERT_EQ(::chmod(path.c_str(), 0666), 0);
        } else {
            ASSERT_EQ(::link(path.c_str(), secondName.c_str()), 0);
        }
        run.Search();
        run.Set(Mode::Overwrite, c.MakeBackup);
        struct stat before {};
        ASSERT_EQ(::stat(path.c_str(), &before), 0);

        std::string report;
        {
            PermissionsBind bind;
            if (!bind.Binding) {
                std::cout << "skipped: permissions cannot be made to bind this process\n";
                return;
            }
            report = run.ReplaceAll();
        }
        EXPECT_EQ(report, "file <dir>/files/a.txt\n  2 changes made\n  Changes have been made to the original file\n" +
                              (c.MakeBackup ? "  A backup was created first: <dir>/files/a.txt.bak\n"s : ""s));
        EXPECT_EQ(run.Read("a.txt"), "HIT!\nkeep\r\nlast HIT!");
        struct stat after {};
        ASSERT_EQ(::stat(path.c_str(), &after), 0);
        EXPECT_EQ(after.st_ino, before.st_ino) << "the file itself was written";
        EXPECT_EQ(after.st_uid, before.st_uid);
        EXPECT_EQ(after.st_gid, before.st_gid);
        EXPECT_EQ(after.st_mode, before.st_mode);
        if (!c.OtherOwner) {
            EXPECT_EQ(dir.ReadFile("second-name.txt"), "HIT!\nkeep\r\nlast HIT!");
        }
        if (c.MakeBackup) {
            EXPECT_EQ(run.Read("a.txt.bak"), "hit\nkeep\r\nlast hit");
        }
        EXPECT_EQ(run.Names(), c.MakeBackup ? (Names{"a.txt", "a.txt.bak"}) : (Names{"a.txt"}));
    }
}

TEST(TReplaceEngine, TheRunEndsAtTheFirstFileWhoseReportCannotBeWritten)
{
    struct Case {
        const char* Name;
        bool FullFromTheStart;  // else full from the question about b.txt on
        std::string Report;
        std::string LostAt;
        bool LostReplaced;
        std::string A, B;
        Names After;
    };
    const std::string done = "  1 changes made\n  Changes have been made to the original file\n"
                             "  A backup was created first: <dir>/files/a.txt.bak\n";
    const Case cases[] = {
        {"the report cannot take its first section", true, "", "a.txt", false, "hit\n", "hit\n",
         {"a.txt", "b.txt", "c.txt"}},
        {"the report fills up while the second file is replaced", false,
         "file <dir>/files/a.txt\n" + done + "file <dir>/files/b.txt\n", "b.txt", true, "HIT!\n", "HIT!\n",
         {"a.txt", "a.txt.bak", "b.txt", "b.txt.bak", "c.txt"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TestDir dir;
        ReplaceRun run(dir);
        for (const char* name : {"a.txt", "b.txt", "c.txt"})
            run.Write(name, "hit\n");
        run.Search();
        run.Set(Mode::Overwrite, true);
        run.Options.Confirmation = 1;
        run.Answers = {Yes, Yes, Yes};
        // Only the report grows past the limit: the files replaced are far smaller.
        std::optional<FileSizeLimit> limit;
        if (c.FullFromTheStart)
            limit.emplace(1);
        run.OnQuestion = [&] {
            struct stat report {};
            if (!limit && ::stat(run.Report.DocumentFileName().c_str(), &report) == 0 &&
                run.Questions.find("b.txt") != std::string::npos)
                limit.emplace(static_cast<rlim_t>(report.st_size));
        };
        const std::string report = run.ReplaceAll();
        limit.reset();
        EXPECT_EQ(report, c.Report);
        EXPECT_EQ(run.Engine.LostReport().FullPath, run.PathOf(c.LostAt));
        EXPECT_EQ(run.Engine.LostReport().Replaced, c.LostReplaced);
        EXPECT_EQ(run.Read("a.txt"), c.A);
        EXPECT_EQ(run.Read("b.txt"), c.B);
        EXPECT_EQ(run.Read("c.txt"), "hit\n");
        EXPECT_EQ(run.Names(), c.After);
        EXPECT_EQ(run.Statuses.find("c.txt"), std::string::npos) << "the run ended";
    }

    // A report that takes everything has lost nothing.
    TestDir dir;
    ReplaceRun run(dir);
    run.Write("a.txt", "hit\n");
    run.Search();
    run.ReplaceAll();
    EXPECT_EQ(run.Engine.LostReport().FullPath, "");
}

} // namespace

namespace {

// A dry run goes through the same refusals and rules as a replace and changes nothing.
TEST(TReplaceEngine, ADryRunReportsTheChangesAndTouchesNothing)
{
    for (const Mode mode : {Mode::Copy, Mode::Overwrite}) {
        SCOPED_TRACE(Name(mode));
        TestDir dir;
        ReplaceRun run(dir);
        run.Write("a.txt", "one hit\r\nhit, hit\n");
        run.Write("b.bin", std::string("hit\0", 4));
        run.Search();
        run.Set(mode, true);
        run.Options.Confirmation = 1;
        std::string previewed;
        std::string refused;
        TReplaceNotifications notify;
        notify.Confirm = [](const TReplaceQuestion&) {
            ADD_FAILURE() << "a dry run asks nothing";
            return CancelAll;
        };
        notify.Previewed = [&](const std::string& path, const TReplaceHit& hit) {
            previewed += run.Relative(path) + ":" + std::to_string(hit.Line) + ":" + std::to_string(hit.Column) + ":" +
                         hit.OldText + ">" + hit.NewText + "\n";
        };
        notify.NotReplaced = [&](const std::string& path, std::string_view reason) {
            refused += run.Relative(path) + ": " + std::string(reason) + "\n";
        };
        run.Engine.SetNotifications(notify);
        run.Engine.SetDryRun(true);
        run.ReplaceAll();
        EXPECT_EQ(previewed, "<dir>/files/a.txt:1:5:hit>HIT!\n<dir>/files/a.txt:2:1:hit>HIT!\n"
                             "<dir>/files/a.txt:2:6:hit>HIT!\n");
        EXPECT_EQ(refused, "<dir>/files/b.bin: " + std::string(TReplaceEngine::BinaryRefusal) + "\n");
        EXPECT_EQ(run.Names(), (Names{"a.txt", "b.bin"}));
        EXPECT_EQ(run.Read("a.txt"), "one hit\r\nhit, hit\n");
    }
}

} // namespace
