#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "TestDir.h"
#include "TestZip.h"
#include "model/TFileData.h"
#include "model/TFileList.h"
#include "model/TShellInfo.h"
#include "presentation/TFileSectionWriter.h"
#include "presentation/THTMLWin.h"

namespace fs = std::filesystem;

namespace {

using Lines = std::vector<std::string>;

const std::string ChangedNote =
    "  This file has been changed or deleted since it was searched, so it cannot be displayed.";
const std::string AbortedNote = "** File loading aborted by user ** ";
const std::string ExtractFailedNote = "  An error occured when extracting this file from the ZIP archive. ";
const std::string ZipFoldersNote =
    "  It could be because it is in a folder within the ZIP. Quarnel cannot currently extract from ZIPs with folders.";

// Ten lines "line 1" to "line 10".
std::string TenLines()
{
    std::string text;
    for (int n = 1; n <= 10; ++n)
        text += "line " + std::to_string(n) + "\n";
    return text;
}

// Sections are written in plain style without numbers, so that a line reads " text<br>" and a
// file heading "<b>", name, "</b><br>"; the footer is "" and "<br>".
class TFileSectionWriterTest : public ::testing::Test {
protected:
    TFileSectionWriterTest()
    {
        Html.TempFolder = Dir.Path();
        Html.Options.FancyOutput = false;
        Html.Options.LineNumbers = false;
        Html.Options.TitleAndMenu = false;
    }

    std::unique_ptr<TFileData> Record(const std::string& relative, const std::string& content)
    {
        Dir.WriteFile(relative, content, 1600000000);
        const fs::path p(Dir.PathOf(relative));
        return std::make_unique<TFileData>(p.parent_path().string(), p.filename().string(), Shell);
    }

    // The body of the document: without its head and end.
    Lines Body()
    {
        std::ifstream in(Html.DocumentFileName(), std::ios::binary);
        Lines lines;
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        EXPECT_GE(lines.size(), 2u);
        if (lines.size() < 2)
            return {};
        return Lines(lines.begin() + 1, lines.end() - 1);
    }

    Lines Section(const std::string& name, const Lines& inside)
    {
        Lines lines = {"<b>", name, "</b><br>"};
        lines.insert(lines.end(), inside.begin(), inside.end());
        lines.push_back("");
        lines.push_back("<br>");
        return lines;
    }

    // Writes one section in a document of its own.
    bool WriteOne(TFileSectionWriter& writer, const TFileData& file, bool wholeFile, int window)
    {
        Html.BeginDocument();
        const bool completed = writer.Write(file, wholeFile, window);
        Html.FinishDocument();
        return completed;
    }

    TestDir Dir;
    TNullShellInfo Shell;
    THTMLWin Html{nullptr, "/opt/quarnel"};
};

TEST_F(TFileSectionWriterTest, WritesTheLinesTheViewShows)
{
    const std::unique_ptr<TFileData> file = Record("f.txt", TenLines());
    file->Matches.emplace_back(4, 6, 1, 5);
    const std::string link = "<a href=\"openfile?" + file->FullPath + "&4|1\"><FONT class=match>line</FONT></a>";
    struct Case {
        const char* Name;
        bool WholeFile;
        int Window;
        Lines Inside;
    };
    const Case cases[] = {
        {"matches with W = 1", false, 1, {" line 3<br>", " " + link + " 4<br>", " line 5<br>", "&nbsp;<br>"}},
        {"matches with W = 0", false, 0, {" " + link + " 4<br>"}},
        {"whole file", true, 2, [&] {
             Lines all;
             for (int n = 1; n <= 10; ++n)
                 all.push_back(n == 4 ? " " + link + " 4<br>" : " line " + std::to_string(n) + "<br>");
             return all;
         }()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TFileSectionWriter writer(Html);
        EXPECT_TRUE(WriteOne(writer, *file, c.WholeFile, c.Window));
        EXPECT_EQ(Body(), Section(file->FullPath, c.Inside));
    }
}

// The matches view reads a file only up to the end of the window of its last match.
TEST_F(TFileSectionWriterTest, ReadingEndsAfterTheLastWindow)
{
    std::string text;
    for (int n = 1; n <= 1000; ++n)
        text += "x\n";
    const std::unique_ptr<TFileData> file = Record("long.txt", text);
    file->Matches.emplace_back(150, 1, 1, 2);
    struct Case {
        bool WholeFile;
        std::vector<int64_t> Progress;
    };
    const Case cases[] = {
        {false, {100}},
        {true, {100, 200, 300, 400, 500, 600, 700, 800, 900, 1000}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.WholeFile);
        TFileSectionWriter writer(Html);
        std::vector<int64_t> progress;
        int pumped = 0;
        writer.Progress = [&](int64_t bytes) { progress.push_back(bytes); };
        writer.ProcessPendingMessage = [&] { ++pumped; };
        EXPECT_TRUE(WriteOne(writer, *file, c.WholeFile, 2));
        EXPECT_EQ(progress, c.Progress);
        EXPECT_EQ(pumped, c.WholeFile ? 1000 : 153);
    }
}

// A file edited or deleted after the search shows a note instead of its lines; the rest of an
// all-files view goes on.
TEST_F(TFileSectionWriterTest, ChangedFilesGetANote)
{
    TFileList files;
    files.Add(Record("edited.txt", TenLines()));
    files.Add(Record("deleted.txt", TenLines()));
    files.Add(Record("same.txt", TenLines()));
    for (std::size_t i = 0; i < files.Count(); ++i)
        files.Item(i).Matches.emplace_back(2, 6, 6, 7);
    Dir.WriteFile("edited.txt", TenLines(), 1600000100);
    fs::remove(Dir.PathOf("deleted.txt"));

    TFileSectionWriter writer(Html);
    EXPECT_TRUE(writer.WriteAllMatches(files, "summary", 0));
    const TFileData& same = files.Item(2);
    Lines expected = Section(files.Item(0).FullPath, {ChangedNote});
    for (const std::string& line : Section(files.Item(1).FullPath, {ChangedNote}))
        expected.push_back(line);
    for (const std::string& line :
         Section(same.FullPath, {" line <a href=\"openfile?" + same.FullPath + "&2|6\"><FONT class=match>2</FONT></a><br>"}))
        expected.push_back(line);
    EXPECT_EQ(Body(), expected);
}

// Stop ends the current file with a note and the all-files view after that file.
TEST_F(TFileSectionWriterTest, StopEndsTheLoad)
{
    TFileList files;
    files.Add(Record("one.txt", TenLines()));
    files.Add(Record("two.txt", TenLines()));
    for (std::size_t i = 0; i < files.Count(); ++i)
        files.Item(i).Matches.emplace_back(10, 7, 1, 5);
    TFileSectionWriter writer(Html);
    bool stop = false;
    int pumped = 0;
    writer.StopRequested = [&] { return stop; };
    writer.ProcessPendingMessage = [&] { stop = ++pumped == 3; };

    EXPECT_FALSE(writer.WriteAllMatches(files, "summary", 0));
    EXPECT_EQ(Body(), Section(files.Item(0).FullPath, {AbortedNote}));
    EXPECT_EQ(pumped, 3);

    // A stop pressed while the last line is handled still counts.
    stop = false;
    pumped = 0;
    const std::unique_ptr<TFileData> short3 = Record("three.txt", "a\nb\nc\n");
    EXPECT_FALSE(WriteOne(writer, *short3, true, 0));
    EXPECT_EQ(Body(), Section(short3->FullPath, {" a<br>", " b<br>", " c<br>", AbortedNote}));
}

TEST_F(TFileSectionWriterTest, ZipMembersAreExtractedForViewing)
{
    const std::string archive =
        Dir.WriteFile("pack.zip", TestZip::BuildZip({{.Name = "inner.txt", .Content = "alpha\nbeta\n"},
                                                     {.Name = "sub/deep.txt", .Content = "gamma\n"}}));
    const auto member = [&](const std::string& name) {
        auto record = std::make_unique<TFileData>(Dir.Path(), "gone-" + name, Shell);
        record->FileName = name;
        record->FullPath = Dir.Path() + "/~quarnel.t/" + name;
        record->InZip = true;
        record->ZipName = archive;
        record->FileType = TFileData::Text;
        record->EndsWithNewline = true;
        return record;
    };
    const std::unique_ptr<TFileData> inner = member("inner.txt");
    const std::unique_ptr<TFileData> deep = member("deep.txt");
    const std::unique_ptr<TFileData> missing = member("inner.txt");
    missing->ZipName = Dir.PathOf("nowhere.zip");
    const std::string innerName = archive + "/inner.txt";

    struct Case {
        const char* Name;
        const TFileData* File;
        Lines Expected;
    };
    const Case cases[] = {
        {"a member at the top", inner.get(), Section(innerName, {" alpha<br>", " beta<br>"})},
        {"a member inside a folder", deep.get(), Section(archive + "/deep.txt", {ExtractFailedNote, ZipFoldersNote})},
        {"an archive that is gone", missing.get(), Section(Dir.PathOf("nowhere.zip") + "/inner.txt", {ExtractFailedNote, ZipFoldersNote})},
    };
    TFileSectionWriter writer(Html);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_TRUE(WriteOne(writer, *c.File, true, 0));
        EXPECT_EQ(Body(), c.Expected);
    }

    // A window's own extraction is used instead, and its copy is deleted after the section.
    const std::string copy = Dir.WriteFile("copy/inner.txt", "from the hook\n");
    std::vector<std::string> asked;
    writer.ExtractMember = [&](const TFileData& file) {
        asked.push_back(file.FileName);
        return copy;
    };
    EXPECT_TRUE(WriteOne(writer, *inner, true, 0));
    EXPECT_EQ(Body(), Section(innerName, {" from the hook<br>"}));
    EXPECT_EQ(asked, std::vector<std::string>{"inner.txt"});
    EXPECT_FALSE(fs::exists(copy));
}

} // namespace
