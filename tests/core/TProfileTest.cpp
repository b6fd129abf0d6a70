// SPDX-License-Identifier: MIT
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <gtest/gtest.h>
#include <string>

#include "TestDir.h"
#include "model/TIniText.h"
#include "model/TProfile.h"

namespace {

using namespace std::string_literals;

class TProfileTest : public ::testing::Test {
protected:
    TProfile ProfileFor(const std::string& fileName, const std::string& section, const std::string& entry,
                        const std::string& defaultText = "")
    {
        TProfile profile;
        profile.FileName = fileName;
        profile.Section = section;
        profile.Entry = entry;
        profile.DefaultText = defaultText;
        return profile;
    }

    // The names in the folder other than `keep`: a write must leave no temporary file behind.
    std::vector<std::string> OtherFiles(const std::string& keep) const
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(Dir.Path()))
            if (entry.path().filename() != keep)
                names.push_back(entry.path().filename().string());
        return names;
    }

    TestDir Dir;
};

TEST_F(TProfileTest, ReadsValuesByTheFormatRules)
{
    struct Case {
        const char* Name;
        std::string Content;
        const char* Section;
        const char* Entry;
        const char* Default;
        std::string Expected;
    };
    const std::string longValue(300, 'v');
    const Case cases[] = {
        {"names ignore case", "[General]\nSearch String=abc\n", "GENERAL", "search STRING", "d", "abc"},
        {"blanks around name and value", "  [ General ]  \n  Key  =  a value \t\n", "General", "Key", "d", "a value"},
        {"double quotes removed", "[S]\nKey = \"  quoted  \" \n", "S", "Key", "d", "  quoted  "},
        {"single quotes removed", "[S]\nKey='x'\n", "S", "Key", "d", "x"},
        {"unterminated quote kept", "[S]\nKey=\"open\n", "S", "Key", "d", "\"open"},
        {"mixed quotes kept", "[S]\nKey=\"x'\n", "S", "Key", "d", "\"x'"},
        {"lone quote kept", "[S]\nKey=\"\n", "S", "Key", "d", "\""},
        {"equals sign inside value", "[S]\nKey=a=b\n", "S", "Key", "d", "a=b"},
        {"present but empty is empty", "[S]\nKey=\n", "S", "Key", "d", ""},
        {"quoted empty is empty", "[S]\nKey=\"\"\n", "S", "Key", "d", ""},
        {"missing key gives default", "[S]\nOther=1\n", "S", "Key", "d", "d"},
        {"missing section gives default", "[T]\nKey=1\n", "S", "Key", "d", "d"},
        {"key of the next section not taken", "[S]\na=1\n[T]\nKey=2\n", "S", "Key", "d", "d"},
        {"key before any section not taken", "Key=1\n[S]\n", "S", "Key", "d", "d"},
        {"first duplicate key wins", "[S]\nKey=first\nKEY=second\n", "S", "Key", "d", "first"},
        {"only the first section of a name counts", "[S]\na=1\n[s]\nKey=2\n", "S", "Key", "d", "d"},
        {"CR LF lines", "[S]\r\nKey = v \r\nOther=2\r\n", "S", "Key", "d", "v"},
        {"last line without line end", "[S]\nKey=tail", "S", "Key", "d", "tail"},
        {"line without equals sign is no key", "[S]\nKey\nKey is here\nKey=real\n", "S", "Key", "d", "real"},
        {"UTF-8 byte order mark before the first section", "\xEF\xBB\xBF[S]\nKey=bom\n", "S", "Key", "d", "bom"},
        {"garbage and binary lines around", "\x01\x02\xff garbage\n[S\n]]]\n[S]\n\x7f\x80=\nKey=ok\n", "S", "Key", "d", "ok"},
        {"NUL bytes", "[S]\n\0\0=\0\nKey=a\0b\n"s, "S", "Key", "d", "a\0b"s},
        {"long value cut to 255", "[S]\nKey=" + longValue + "\n", "S", "Key", "d", longValue.substr(0, 255)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string path = Dir.WriteFile("read.ini", c.Content);
        const TProfile profile = ProfileFor(path, c.Section, c.Entry, c.Default);
        EXPECT_EQ(profile.Text(), c.Expected);
        const TProfile::TReadBatch batch(profile);
        EXPECT_EQ(profile.Text(), c.Expected) << "read in a batch";
    }
}

TEST_F(TProfileTest, AReadBatchReadsTheFileOnceUntilAWrite)
{
    const std::string path = Dir.WriteFile("batch.ini", "[S]\na=1\nb=2\n");
    TProfile profile = ProfileFor(path, "S", "a", "d");
    {
        const TProfile::TReadBatch batch(profile);
        EXPECT_EQ(profile.Text(), "1");
        // Changed behind the batch's back: the batch answers from its one reading.
        Dir.WriteFile("batch.ini", "[S]\na=changed\n");
        EXPECT_EQ(profile.Text(), "1");
        profile.Entry = "b";
        EXPECT_EQ(profile.Text(), "2");
        const TProfile copy = profile;
        EXPECT_EQ(copy.Text(), "2");

        // A write through the profile is seen by the next read, with the rest of the file.
        profile.Entry = "c";
        ASSERT_TRUE(profile.SetText("3"));
        EXPECT_EQ(profile.Text(), "3");
        profile.Entry = "a";
        EXPECT_EQ(profile.Text(), "changed");

        // Another file is read when it is named.
        profile.FileName = Dir.WriteFile("other.ini", "[S]\na=other\n");
        EXPECT_EQ(profile.Text(), "other");
        profile.FileName = Dir.PathOf("missing.ini");
        EXPECT_EQ(profile.Text(), "d");
    }
    // Without a batch every read is its own access again.
    profile.FileName = path;
    Dir.WriteFile("batch.ini", "[S]\na=after\n");
    EXPECT_EQ(profile.Text(), "after");
}

TEST_F(TProfileTest, AWriteBatchRewritesTheFileOnceWithEveryWrite)
{
    const std::string path = Dir.WriteFile("w.ini", "[S]\na=1\nb=2\n");
    TProfile profile = ProfileFor(path, "S", "a", "d");
    struct stat before {};
    ASSERT_EQ(::stat(path.c_str(), &before), 0);
    // Held open, the first file keeps its inode, which a file replacing it could otherwise reuse.
    const int original = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(original, 0);
    {
        const TProfile::TWriteBatch batch(profile);
        ASSERT_TRUE(profile.SetText("one"));
        profile.Entry = "c";
        ASSERT_TRUE(profile.SetText("3"));
        // The batch's reads see its writes; the file is untouched until the batch ends.
        EXPECT_EQ(profile.Text(), "3");
        const TProfile copy = profile;
        EXPECT_EQ(copy.Text(), "3");
        EXPECT_EQ(Dir.ReadFile("w.ini"), "[S]\na=1\nb=2\n");

        // Naming another file writes what the first one got before the other is read.
        profile.FileName = Dir.WriteFile("other.ini", "[T]\n");
        profile.Section = "T";
        ASSERT_TRUE(profile.SetText("x"));
        EXPECT_EQ(Dir.ReadFile("w.ini"), "[S]\na=one\nb=2\nc=3\n");
        profile.FileName = path;
        profile.Section = "S";
        profile.Entry = "b";
        ASSERT_TRUE(profile.SetText("two"));
    }
    EXPECT_EQ(Dir.ReadFile("w.ini"), "[S]\na=one\nb=two\nc=3\n");
    EXPECT_EQ(Dir.ReadFile("other.ini"), "[T]\nc=x\n");
    EXPECT_TRUE(OtherFiles("w.ini") == std::vector<std::string>{"other.ini"});

    // Writes that change nothing leave the file as it is, not even replaced.
    struct stat written {};
    ASSERT_EQ(::stat(path.c_str(), &written), 0);
    {
        const TProfile::TWriteBatch batch(profile);
        ASSERT_TRUE(profile.SetText("two"));
    }
    struct stat after {};
    ASSERT_EQ(::stat(path.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, written.st_ino);
    EXPECT_NE(written.st_ino, before.st_ino) << "the batch replaced the file as a single write does";
    ::close(original);

    // Without a batch every write is its own access again.
    ASSERT_TRUE(profile.SetText("now"));
    EXPECT_EQ(Dir.ReadFile("w.ini"), "[S]\na=one\nb=now\nc=3\n");
}

TEST_F(TProfileTest, EmptyNamesReadEmptyAndMissingFilesReadTheDefault)
{
    const std::string path = Dir.WriteFile("p.ini", "[S]\nKey=1\n");
    EXPECT_EQ(ProfileFor(path, "", "Key", "d").Text(), "");
    EXPECT_EQ(ProfileFor(path, "S", "", "d").Text(), "");
    EXPECT_EQ(ProfileFor("", "S", "Key", "d").Text(), "");
    EXPECT_EQ(ProfileFor(Dir.PathOf("missing.ini"), "S", "Key", "d").Text(), "d");
    EXPECT_EQ(ProfileFor(Dir.MakeFolder("folder.ini"), "S", "Key", "d").Text(), "d");
    EXPECT_EQ(ProfileFor(Dir.PathOf("missing.ini"), "S", "Key", std::string(300, 'x')).Text(), std::string(255, 'x'));
}

TEST_F(TProfileTest, StateAndValueFollowTheTextRules)
{
    struct Case {
        const char* Stored;
        bool State;
        int32_t Value;
    };
    const Case cases[] = {
        {"True", true, 1},     {"tRuE", true, 1},       {"yes", true, 1},          {"YES", true, 1},
        {"1", true, 1},        {"on", false, 0},        {"False", false, 0},       {"", false, 0},
        {"0", false, 0},       {"42", false, 42},       {"-17", false, -17},       {"+7", false, 7},
        {" 12 ", false, 12},   {"12abc", false, 0},     {"0x10", false, 0},        {"1.5", false, 0},
        {"2147483647", false, 2147483647},              {"-2147483648", false, INT32_MIN},
        {"2147483648", false, 0},                       {"+-5", false, 0},         {"-", false, 0},
    };
    const std::string path = Dir.PathOf("state.ini");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Stored);
        Dir.WriteFile("state.ini", "[S]\nKey=" + std::string(c.Stored) + "\n");
        const TProfile profile = ProfileFor(path, "S", "Key", "True");
        EXPECT_EQ(profile.State(), c.State);
        EXPECT_EQ(profile.Value(), c.Value);
    }
    // A missing key reads its default through the same rules.
    EXPECT_TRUE(ProfileFor(path, "S", "Missing", "yes").State());
    EXPECT_EQ(ProfileFor(path, "S", "Missing", "True").Value(), 1);
    EXPECT_EQ(ProfileFor(path, "S", "Missing", "100").Value(), 100);
}

TEST_F(TProfileTest, WritesReplaceInPlaceAndAppendWhereTheyBelong)
{
    struct Case {
        const char* Name;
        std::string Before;
        const char* Section;
        const char* Entry;
        std::string Value;
        std::string After;
    };
    const Case cases[] = {
        {"value replaced, spelling and rest of the file kept", "junk\n[s]\n  KEY = old \nb=2\n", "S", "key", "new",
         "junk\n[s]\n  KEY =new\nb=2\n"},
        {"new key after the last key line, not after blank lines", "[S]\na=1\n; note\n\n[T]\nx=1\n", "S", "b", "2",
         "[S]\na=1\nb=2\n; note\n\n[T]\nx=1\n"},
        {"new key right after a header without keys", "[S]\n\n[T]\n", "S", "a", "1", "[S]\na=1\n\n[T]\n"},
        {"new section at the end after a blank line", "[S]\na=1\n", "T", "x", "1", "[S]\na=1\n\n[T]\nx=1\n"},
        {"no second blank line before a new section", "[S]\na=1\n\n", "T", "x", "1", "[S]\na=1\n\n[T]\nx=1\n"},
        {"missing final line end added", "[S]\na=1", "S", "b", "2", "[S]\na=1\nb=2\n"},
        {"missing final line end added before a section", "[S]\na=1", "T", "x", "1", "[S]\na=1\n\n[T]\nx=1\n"},
        {"CR LF kept when replacing", "[S]\r\na=1\r\nb=2\r\n", "S", "a", "9", "[S]\r\na=9\r\nb=2\r\n"},
        {"CR LF used for a new key", "[S]\r\na=1\r\n", "S", "b", "2", "[S]\r\na=1\r\nb=2\r\n"},
        {"CR LF used for a new section", "[S]\r\na=1\r\n", "T", "x", "1", "[S]\r\na=1\r\n\r\n[T]\r\nx=1\r\n"},
        {"first duplicate key replaced", "[S]\na=1\na=2\n", "S", "A", "9", "[S]\na=9\na=2\n"},
        {"first duplicate section used", "[S]\na=1\n[S]\nb=2\n", "S", "b", "3", "[S]\na=1\nb=3\n[S]\nb=2\n"},
        {"value written as it is", "", "S", "a", "  \"spaced\"  ", "[S]\na=  \"spaced\"  \n"},
        {"empty value written", "[S]\na=1\n", "S", "a", "", "[S]\na=\n"},
        {"line breaks cannot add lines", "[S]\na=1\n", "S", "a", "x\n[Evil]\ny=1", "[S]\na=x\n"},
        {"binary lines kept byte for byte", "\x01\xff\0\n[S]\n\x80\x81\na=1\n"s, "S", "a", "2",
         "\x01\xff\0\n[S]\n\x80\x81\na=2\n"s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string path = Dir.PathOf("write.ini");
        std::filesystem::remove(path);
        if (!c.Before.empty())
            Dir.WriteFile("write.ini", c.Before);
        EXPECT_TRUE(ProfileFor(path, c.Section, c.Entry).SetText(c.Value));
        EXPECT_EQ(Dir.ReadFile("write.ini"), c.After);
        EXPECT_EQ(OtherFiles("write.ini"), std::vector<std::string>{});
    }
}

TEST_F(TProfileTest, WrittenValuesReadBack)
{
    const std::string path = Dir.PathOf("round.ini");
    const TProfile profile = ProfileFor(path, "General Search Parameters", "Search String", "default");
    const char* values[] = {"plain", "", "with = sign", "'single'", "x;y#z", "\xc3\xa4\xff"};
    for (const char* value : values) {
        SCOPED_TRACE(value);
        ASSERT_TRUE(profile.SetText(value));
        const std::string expected = value[0] == '\'' ? "single" : value;
        EXPECT_EQ(profile.Text(), expected);
    }
    ASSERT_TRUE(profile.SetState(true));
    EXPECT_EQ(Dir.ReadFile("round.ini"), "[General Search Parameters]\nSearch String=True\n");
    ASSERT_TRUE(profile.SetValue(-42));
    EXPECT_EQ(profile.Value(), -42);
    ASSERT_TRUE(profile.SetState(false));
    EXPECT_FALSE(profile.State());
}

TEST_F(TProfileTest, WritesThatCannotBeReadBackChangeNothing)
{
    const std::string before = "[S]\na=1\n";
    const std::string path = Dir.WriteFile("p.ini", before);
    struct Case {
        const char* FileName;
        const char* Section;
        const char* Entry;
    };
    const Case cases[] = {
        {"p.ini", "", "a"},        {"p.ini", "S", ""},        {"", "S", "a"},
        {"p.ini", "S", "a=b"},     {"p.ini", "S", "[a"},      {"p.ini", "S", "a\nb"},
        {"p.ini", "S\n[T", "a"},   {"p.ini", "  ", "a"},      {"p.ini", "S", " \t "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.Section) + "/" + c.Entry);
        const std::string fileName = *c.FileName ? path : "";
        EXPECT_FALSE(ProfileFor(fileName, c.Section, c.Entry).SetText("x"));
        EXPECT_EQ(Dir.ReadFile("p.ini"), before);
    }
    EXPECT_EQ(OtherFiles("p.ini"), std::vector<std::string>{});
}

TEST_F(TProfileTest, RewriteKeepsPermissionsAndLinks)
{
    const std::string path = Dir.WriteFile("perm.ini", "[S]\na=1\n");
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    ASSERT_TRUE(ProfileFor(path, "S", "a").SetText("2"));
    struct stat info {};
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);

    const std::string link = Dir.PathOf("link.ini");
    ASSERT_EQ(symlink(path.c_str(), link.c_str()), 0);
    ASSERT_TRUE(ProfileFor(link, "S", "b").SetText("3"));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(Dir.ReadFile("perm.ini"), "[S]\na=2\nb=3\n");
}

TEST_F(TProfileTest, FilesThatCannotBeUsedAreLeftAlone)
{
    // A folder under the name, and a file in a folder that does not exist.
    const std::string folder = Dir.MakeFolder("folder.ini");
    EXPECT_FALSE(ProfileFor(folder, "S", "a").SetText("1"));
    EXPECT_TRUE(std::filesystem::is_directory(folder));
    EXPECT_FALSE(ProfileFor(Dir.PathOf("nowhere/p.ini"), "S", "a").SetText("1"));

    if (geteuid() != 0) { // the superuser may write anything
        const std::string path = Dir.WriteFile("ro.ini", "[S]\na=1\n");
        ASSERT_EQ(chmod(path.c_str(), 0444), 0);
        EXPECT_FALSE(ProfileFor(path, "S", "a").SetText("2"));
        EXPECT_EQ(Dir.ReadFile("ro.ini"), "[S]\na=1\n");
    }
}

TEST(TIniText, WriteThenReadGivesTheWrittenValueAndKeepsOthers)
{
    // Awkward contents: each write must read back and leave every other key as it was.
    const std::string contents[] = {
        "", "\n", "[S]", "[S]\r\n", "[s]\na=1", "x=1\n[S]\r\nb=2\n[S]\nc=3", "[S\na=1\n[]\n=\n",
        "\xEF\xBB\xBF[S]\na=1\n", "[S]\n\"a=1\n'b'='2'\n",
    };
    for (const std::string& content : contents) {
        SCOPED_TRACE(content);
        const std::string written = TIniText::Write(content, "S", "new", " \"v\" ");
        EXPECT_EQ(TIniText::Read(written, "s", "NEW"), "v");
        for (const char* key : {"a", "b", "c", "x", "\"a", "'b'"}) {
            EXPECT_EQ(TIniText::Read(written, "S", key), TIniText::Read(content, "S", key)) << key;
            EXPECT_EQ(TIniText::TIndex(written).Find(" s ", key), TIniText::Read(written, "S", key)) << key;
        }
    }
}

} // namespace
