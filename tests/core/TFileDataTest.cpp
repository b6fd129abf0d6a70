// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "TestDir.h"
#include "engine/TOpenFile.h"
#include "model/TFileData.h"
#include "model/TFileList.h"

namespace {

using namespace std::string_literals;

class CountedIcon : public TFileIcon {
public:
    explicit CountedIcon(int& alive) : Alive(alive) { ++Alive; }
    ~CountedIcon() override { --Alive; }

private:
    int& Alive;
};

// A shell that names every file with a long description and hands out counted icons.
class RecordingShell : public TShellInfo {
public:
    std::string TypeName(const std::string& fullPath) override
    {
        Asked.push_back(fullPath);
        return std::string(100, 'T');
    }
    std::unique_ptr<TFileIcon> Icon(const std::string&) override { return std::make_unique<CountedIcon>(IconsAlive); }

    std::vector<std::string> Asked;
    int IconsAlive = 0;
};

TEST(TFileData, TextOrBinaryFromTheFirstBytes)
{
    struct Case {
        const char* Name;
        std::string Bytes;
        uint8_t FileType;
        bool EndsWithNewline;
    };
    const Case cases[] = {
        {"starts with CR", "\rabc\0\0"s, TFileData::Text, false},
        {"starts with LF", "\n\x01\x02"s, TFileData::Text, false},
        {"starts with a zero byte", "\0abc\n"s, TFileData::Binary, true},
        {"2000 letters, no line break", std::string(2000, 'a'), TFileData::Binary, false},
        {"empty", "", TFileData::Binary, false},
        {"tab, form feed, line feed", "\t\f\n", TFileData::Text, true},
        {"bytes 16 to 31 and above 127 decide nothing", "\x10\x1f\x7f\x80\xff\r\n", TFileData::Text, true},
        {"vertical tab before the line feed", "abc\x0b\n", TFileData::Binary, true},
        {"byte 14", "ab\x0e\n", TFileData::Binary, true},
        {"byte 15", "ab\x0f\n", TFileData::Binary, true},
        {"line feed as byte 1025", std::string(1024, 'a') + "\n", TFileData::Text, true},
        {"line feed as byte 1026 is not read", std::string(1025, 'a') + "\n", TFileData::Binary, true},
        {"one line feed", "\n", TFileData::Text, true},
        {"one letter", "x", TFileData::Binary, false},
        {"long text ending with LF", "first\n" + std::string(5000, 'b') + "\n", TFileData::Text, true},
        {"long text ending with CR", "first\n" + std::string(5000, 'b') + "\r", TFileData::Text, false},
        {"long text, LF before the last byte", "first\n" + std::string(5000, 'b') + "\nz", TFileData::Text, false},
    };
    TestDir dir;
    TNullShellInfo shell;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        dir.WriteFile("probe.dat", c.Bytes, 1700000000);
        const TFileData record(dir.Path(), "probe.dat", shell);
        EXPECT_EQ(record.FileType, c.FileType);
        EXPECT_EQ(record.EndsWithNewline, c.EndsWithNewline);
        EXPECT_EQ(record.Size, static_cast<int64_t>(c.Bytes.size()));
        EXPECT_EQ(record.Date, TDateTime::FromTimeT(1700000000));
    }
}

TEST(TFileData, PathsAndExtension)
{
    struct Case {
        std::string Folder, Name, FullPath, Extension, PathWithoutExt;
    };
    const Case cases[] = {
        {"/data/src", "main.cpp", "/data/src/main.cpp", ".cpp", "/data/src/main"},
        {"/data/src/", "main.cpp", "/data/src/main.cpp", ".cpp", "/data/src/main"},
        {"/", "boot.ini", "/boot.ini", ".ini", "/boot"},
        {"/data", "archive.tar.gz", "/data/archive.tar.gz", ".gz", "/data/archive"},
        {"/data", "README", "/data/README", "", "/data/README"},
        {"/data", "trailing.", "/data/trailing.", ".", "/data/trailing"},
        // Leading dots belong to the name, so a dot-file's backups are named after it.
        {"/data", ".bashrc", "/data/.bashrc", ".bashrc", "/data/.bashrc"},
        {"/data", ".config.old", "/data/.config.old", ".old", "/data/.config"},
    };
    RecordingShell shell;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Folder + " + " + c.Name);
        const TFileData record(c.Folder, c.Name, shell);
        EXPECT_EQ(record.Folder, c.Folder);
        EXPECT_EQ(record.FileName, c.Name);
        EXPECT_EQ(record.FullPath, c.FullPath);
        EXPECT_EQ(record.Extension, c.Extension);
        EXPECT_EQ(record.PathWithoutExt, c.PathWithoutExt);
        EXPECT_EQ(shell.Asked.back(), c.FullPath);
        EXPECT_EQ(record.TypeName, std::string(79, 'T'));
        EXPECT_NE(record.Icon, nullptr);
        EXPECT_FALSE(record.InZip);
        EXPECT_TRUE(record.ZipName.empty());
        EXPECT_TRUE(record.Matches.empty());
    }
}

TEST(TFileData, EntriesThatCannotBeReadAreUnknown)
{
    TestDir dir;
    dir.WriteFile("folder/inside.txt", "x\n");
    ASSERT_EQ(mkfifo(dir.PathOf("pipe.txt").c_str(), 0600), 0);
    dir.WriteFile("locked.txt", "secret\n", 1700000000);
    chmod(dir.PathOf("locked.txt").c_str(), 0);
    const bool canReadAnything = access(dir.PathOf("locked.txt").c_str(), R_OK) == 0; // running as root

    struct Case {
        const char* Name;
        bool Skip;
    };
    const Case cases[] = {
        {"missing.txt", false},
        {"folder", false},
        // A FIFO would block a plain open; it must come back at once as Unknown.
        {"pipe.txt", false},
        {"locked.txt", canReadAnything},
    };
    TNullShellInfo shell;
    for (const Case& c : cases) {
        if (c.Skip)
            continue;
        SCOPED_TRACE(c.Name);
        const TFileData record(dir.Path(), c.Name, shell);
        EXPECT_EQ(record.FileType, TFileData::Unknown);
        EXPECT_EQ(record.Size, 0);
        EXPECT_EQ(record.Date, TDateTime());
        EXPECT_FALSE(record.EndsWithNewline);
        EXPECT_TRUE(record.IsFileChanged());
    }
}

TEST(TFileData, SizesOfTwoGigabytesAndMore)
{
    TestDir dir;
    const std::string path = dir.WriteFile("huge.bin", "");
    const int64_t size = (int64_t{3} << 30) + 1;
    {
        const int fd = open(path.c_str(), O_WRONLY);
        ASSERT_GE(fd, 0);
        // A sparse file: only the last byte is written.
        ASSERT_EQ(pwrite(fd, "\n", 1, size - 1), 1);
        close(fd);
    }
    TNullShellInfo shell;
    const TFileData record(dir.Path(), "huge.bin", shell);
    EXPECT_EQ(record.Size, size);
    EXPECT_TRUE(record.EndsWithNewline);
    EXPECT_EQ(record.FileType, TFileData::Binary);
    EXPECT_FALSE(record.IsFileChanged());
}

TEST(TFileData, ChangesSinceTheRecordWasMade)
{
    constexpr std::time_t when = 1700000000;
    struct Case {
        const char* Name;
        void (*Change)(TestDir& dir);
        bool Changed;
    };
    const Case cases[] = {
        {"untouched", [](TestDir&) {}, false},
        {"same bytes written again with the same time", [](TestDir& dir) { dir.WriteFile("f.txt", "abc\n", when, 500); }, false},
        {"touched later within the same second", [](TestDir& dir) { dir.SetModified("f.txt", when, 501); }, true},
        {"touched a second later", [](TestDir& dir) { dir.SetModified("f.txt", when + 1, 500); }, true},
        {"touched earlier", [](TestDir& dir) { dir.SetModified("f.txt", when - 3600, 500); }, true},
        {"deleted", [](TestDir& dir) { std::remove(dir.PathOf("f.txt").c_str()); }, true},
        {"size changed, time kept", [](TestDir& dir) { dir.WriteFile("f.txt", "abcd\n", when, 500); }, true},
        {"replaced by another file with the same time and size",
         [](TestDir& dir) {
             dir.WriteFile("other.txt", "xyz\n", when, 500);
             std::rename(dir.PathOf("other.txt").c_str(), dir.PathOf("f.txt").c_str());
         },
         true},
    };
    TNullShellInfo shell;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TestDir dir;
        dir.WriteFile("f.txt", "abc\n", when, 500);
        const TFileData record(dir.Path(), "f.txt", shell);
        ASSERT_EQ(record.FileType, TFileData::Text);
        c.Change(dir);
        EXPECT_EQ(record.IsFileChanged(), c.Changed);
    }
}

TEST(TFileData, CopyForTheReSearchTakesTheIconAndNoMatches)
{
    TestDir dir;
    dir.WriteFile("member.txt", "one\ntwo\n", 1700000000, 123);
    RecordingShell shell;
    TFileData source(dir.Path(), "member.txt", shell);
    source.Matches.emplace_back(2, 3, 1, 3);
    source.InZip = true;
    source.ZipName = "/data/archive.zip";
    const TFileIcon* icon = source.Icon.get();
    ASSERT_NE(icon, nullptr);

    const TFileData copy(source);
    EXPECT_EQ(copy.Folder, source.Folder);
    EXPECT_EQ(copy.FileName, source.FileName);
    EXPECT_EQ(copy.Extension, source.Extension);
    EXPECT_EQ(copy.PathWithoutExt, source.PathWithoutExt);
    EXPECT_EQ(copy.TypeName, source.TypeName);
    EXPECT_EQ(copy.FullPath, source.FullPath);
    EXPECT_EQ(copy.Size, source.Size);
    EXPECT_EQ(copy.Date, source.Date);
    EXPECT_EQ(copy.FileType, source.FileType);
    EXPECT_EQ(copy.EndsWithNewline, source.EndsWithNewline);
    EXPECT_EQ(copy.InZip, source.InZip);
    EXPECT_EQ(copy.ZipName, source.ZipName);
    EXPECT_EQ(copy.ModifiedNs, source.ModifiedNs);
    EXPECT_EQ(copy.Device, source.Device);
    EXPECT_EQ(copy.Inode, source.Inode);
    EXPECT_TRUE(copy.Matches.empty());
    EXPECT_EQ(source.Matches.size(), 1u);
    EXPECT_EQ(copy.Icon.get(), icon);
    EXPECT_EQ(source.Icon, nullptr);
    EXPECT_EQ(shell.IconsAlive, 1);
    // The copy knows the file as it was: an unchanged file is not reported as changed.
    EXPECT_FALSE(copy.IsFileChanged());
}

// The record's last-byte flag is what the reader's end rule expects: no extra empty line.
TEST(TFileData, EndFlagMatchesTheReader)
{
    const std::string contents[] = {"a\nb\n", "a\nb", "\n", "a\r\n"};
    TestDir dir;
    TNullShellInfo shell;
    for (const std::string& bytes : contents) {
        SCOPED_TRACE(bytes);
        dir.WriteFile("lines.txt", bytes);
        const TFileData record(dir.Path(), "lines.txt", shell);
        TOpenFile file;
        ASSERT_TRUE(file.OpenRead(record.FullPath, record.EndsWithNewline, record.FileType));
        int lines = 0;
        std::string line;
        while (file.ReadLine(line) != TOpenFile::EndOfLines && lines < 10)
            ++lines;
        const int lineFeeds = static_cast<int>(std::count(bytes.begin(), bytes.end(), '\n'));
        EXPECT_EQ(lines, lineFeeds + (bytes.back() == '\n' ? 0 : 1));
    }
}

TEST(TFileList, KeepsOrderAndOwnsItsRecords)
{
    TestDir dir;
    RecordingShell shell;
    TFileList list;
    for (const char* name : {"b.txt", "a.txt", "c.txt"})
        list.Add(std::make_unique<TFileData>(dir.Path(), name, shell));
    list.Add(nullptr);
    ASSERT_EQ(list.Count(), 3u);
    EXPECT_EQ(list.Item(0).FileName, "b.txt");
    EXPECT_EQ(list.Item(2).FileName, "c.txt");
    EXPECT_EQ(shell.IconsAlive, 3);

    std::vector<std::unique_ptr<TFileData>> taken = list.TakeAll();
    EXPECT_EQ(list.Count(), 0u);
    ASSERT_EQ(taken.size(), 3u);
    EXPECT_EQ(taken[1]->FileName, "a.txt");
    EXPECT_EQ(shell.IconsAlive, 3);

    list.Add(std::move(taken[0]));
    list.Clear();
    EXPECT_EQ(list.Count(), 0u);
    EXPECT_EQ(shell.IconsAlive, 2);
}

} // namespace
