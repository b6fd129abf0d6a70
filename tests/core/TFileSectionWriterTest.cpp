// SPDX-License-Identifier: MIT
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
#include "presentation/TResultsView.h"

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

// The windows around two matches reach the document with a gap marker between them and after
// the last one, where reading stops.
TEST_F(TFileSectionWriterTest, MatchWindowsReachTheDocument)
{
    std::string text;
    for (int n = 1; n <= 20; ++n)
        text += "line " + std::to_string(n) + "\n";
    const std::unique_ptr<TFileData> file = Record("windows.txt", text);
    file->Matches.emplace_back(5, 6, 6, 7);
    file->Matches.emplace_back(11, 7, 6, 8);
    const auto hit = [&](int line, const std::string& number) {
        return " line <a href=\"openfile?" + file->FullPath + "&" + std::to_string(line) + "|6\"><FONT class=match>" +
               number + "</FONT></a><br>";
    };
    TFileSectionWriter writer(Html);
    EXPECT_TRUE(WriteOne(writer, *file, false, 2));
    EXPECT_EQ(Body(), Section(file->FullPath, {" line 3<br>", " line 4<br>", hit(5, "5"), " line 6<br>", " line 7<br>",
                                               "&nbsp;<br>", " line 9<br>", " line 10<br>", hit(11, "11"),
                                               " line 12<br>", " line 13<br>", "&nbsp;<br>"}));
}

// Whole-file views stop at 1,000,000 bytes; a matches-only view has no limit. A mode of 2 asks
// for the view the last single file had.
TEST_F(TFileSectionWriterTest, WholeFileLimit)
{
    TFileData file(Dir.Path(), "big.log", Shell);
    struct Case {
        int64_t Size;
        int Mode;
        int LastFileView;
        bool Refused;
    };
    using W = TFileSectionWriter;
    const Case cases[] = {
        {1'000'000, W::WholeFile, W::MatchesOnly, false},
        {1'000'001, W::WholeFile, W::MatchesOnly, true},
        {5'000'000, W::MatchesOnly, W::WholeFile, false},
        {5'000'000, W::AsLastShown, W::WholeFile, true},
        {5'000'000, W::AsLastShown, W::MatchesOnly, false},
        {1'000'000, W::AsLastShown, W::WholeFile, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.Size) + " bytes, mode " + std::to_string(c.Mode));
        TFileSectionWriter writer(Html);
        writer.LastFileView = c.LastFileView;
        file.Size = c.Size;
        EXPECT_EQ(writer.RefusesWholeFile(file, c.Mode), c.Refused);
    }
    EXPECT_EQ(TFileSectionWriter::TooLargeText(file), "Quarnel cannot load big.log because it is over 1 Mb in size.");

    // A file of exactly 1,000,000 bytes on disk is shown whole; one byte more is refused.
    const std::string line(99, 'x');
    std::string text;
    for (int n = 0; n < 10'000; ++n)
        text += line + "\n";
    const std::unique_ptr<TFileData> exact = Record("exact.txt", text);
    const std::unique_ptr<TFileData> over = Record("over.txt", text + "x");
    ASSERT_EQ(exact->Size, 1'000'000);
    TFileSectionWriter writer(Html);
    EXPECT_FALSE(writer.RefusesWholeFile(*exact, TFileSectionWriter::WholeFile));
    EXPECT_TRUE(writer.RefusesWholeFile(*over, TFileSectionWriter::WholeFile));
    EXPECT_TRUE(writer.WriteFileView(*exact, TFileSectionWriter::WholeFile, 0));
    EXPECT_EQ(Body().size(), 3 + 10'000 + 2u);
}

// Modes 0 and 1 are remembered; mode 2 shows the file as the last one was shown, and an
// all-files view leaves the matches-only view behind it.
TEST_F(TFileSectionWriterTest, TheLastViewIsRemembered)
{
    const std::unique_ptr<TFileData> file = Record("f.txt", "a\nb hit\nc\n");
    file->Matches.emplace_back(2, 5, 3, 6);
    const std::string hit = " b <a href=\"openfile?" + file->FullPath + "&2|3\"><FONT class=match>hit</FONT></a><br>";
    const Lines whole = Section(file->FullPath, {" a<br>", hit, " c<br>"});
    const Lines matches = Section(file->FullPath, {hit});
    TFileSectionWriter writer(Html);
    EXPECT_EQ(writer.LastFileView, TFileSectionWriter::MatchesOnly);
    struct Step {
        int Mode;
        Lines Expected;
        int LastFileView;
    };
    const Step steps[] = {
        {TFileSectionWriter::AsLastShown, matches, TFileSectionWriter::MatchesOnly},
        {TFileSectionWriter::WholeFile, whole, TFileSectionWriter::WholeFile},
        {TFileSectionWriter::AsLastShown, whole, TFileSectionWriter::WholeFile},
        {TFileSectionWriter::MatchesOnly, matches, TFileSectionWriter::MatchesOnly},
        {TFileSectionWriter::AsLastShown, matches, TFileSectionWriter::MatchesOnly},
    };
    for (std::size_t i = 0; i < std::size(steps); ++i) {
        SCOPED_TRACE(i);
        Html.BeginDocument();
        EXPECT_TRUE(writer.WriteSection(*file, steps[i].Mode, 0));
        Html.FinishDocument();
        EXPECT_EQ(Body(), steps[i].Expected);
        EXPECT_EQ(writer.LastFileView, steps[i].LastFileView);
        EXPECT_EQ(writer.ShowsWholeFile(TFileSectionWriter::AsLastShown), steps[i].LastFileView == 1);
    }

    writer.LastFileView = TFileSectionWriter::WholeFile;
    TFileList files;
    files.Add(Record("g.txt", "hit\n"));
    EXPECT_TRUE(writer.WriteAllMatches(files, "summary", 0));
    EXPECT_EQ(writer.LastFileView, TFileSectionWriter::MatchesOnly);
}

// The single-file document: a title without subtitle, so that matching lines carry the anchors
// that match stepping scrolls to; it is loaded into the pane when finished, also when stopped.
TEST_F(TFileSectionWriterTest, FileViewIsADocumentOfItsOwn)
{
    class Viewer : public TResultsView {
    public:
        void Show(const std::string& path) override { Loaded.push_back(path); }
        void Clear() override {}
        std::vector<std::string> Loaded;
    } viewer;
    THTMLWin html(&viewer, "/opt/quarnel");
    html.TempFolder = Dir.Path();
    html.Options.LineNumbers = false;
    html.Options.TitleAndMenu = false;
    html.Options.FancyOutput = false;
    const std::unique_ptr<TFileData> file = Record("f.txt", "a\nb hit\nc\n");
    file->Matches.emplace_back(2, 5, 3, 6);
    const std::string anchored = "<a class=matchingline name=Line00002:> b <a href=\"openfile?" + file->FullPath +
                                 "&2|3\"><FONT class=match>hit</FONT></a></a><br>";

    TFileSectionWriter writer(html);
    EXPECT_TRUE(writer.WriteFileView(*file, TFileSectionWriter::WholeFile, 0));
    EXPECT_TRUE(html.IsSingleFileView());
    EXPECT_EQ(viewer.Loaded, std::vector<std::string>{html.DocumentFileName()});
    const auto body = [&] {
        std::ifstream in(html.DocumentFileName(), std::ios::binary);
        Lines lines;
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return Lines(lines.begin() + 1, lines.end() - 1);
    };
    EXPECT_EQ(body(), Section(file->FullPath, {" a<br>", anchored, " c<br>"}));

    writer.StopRequested = [] { return true; };
    EXPECT_FALSE(writer.WriteFileView(*file, TFileSectionWriter::AsLastShown, 0));
    EXPECT_EQ(body(), Section(file->FullPath, {AbortedNote}));
    EXPECT_EQ(viewer.Loaded.size(), 2u);
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
    // As a search leaves it: with the member's name as the archive stores it.
    const std::unique_ptr<TFileData> deepFound = member("deep.txt");
    deepFound->MemberName = "sub/deep.txt";
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
        {"a member inside a folder, its stored name known", deepFound.get(), Section(archive + "/deep.txt", {" gamma<br>"})},
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

// An all-files view reports its progress per file (the index of each file done), not per line;
// a stop ends it after the stopped file, which is not reported.
TEST_F(TFileSectionWriterTest, AllFilesViewReportsProgressPerFile)
{
    std::string text;
    for (int n = 1; n <= 250; ++n)
        text += "x\n";
    TFileList files;
    for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt"}) {
        files.Add(Record(name, text));
        files.Item(files.Count() - 1).Matches.emplace_back(240, 1, 1, 2);
    }
    struct Case {
        const char* Name;
        int StopAtLine;  // 0: no stop; else the line count at which Stop is pressed
        bool Completed;
        std::vector<std::size_t> FilesDone;
    };
    const Case cases[] = {
        {"all files", 0, true, {0, 1, 2, 3}},
        {"stopped in the third file", 2 * 241 + 10, false, {0, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TFileSectionWriter writer(Html);
        std::vector<std::size_t> done;
        int lines = 0;
        int progress = 0;
        writer.FileWritten = [&](std::size_t index) { done.push_back(index); };
        writer.Progress = [&](int64_t) { ++progress; };
        writer.ProcessPendingMessage = [&] { ++lines; };
        writer.StopRequested = [&] { return c.StopAtLine > 0 && lines >= c.StopAtLine; };
        EXPECT_EQ(writer.WriteAllMatches(files, "summary", 0), c.Completed);
        EXPECT_EQ(done, c.FilesDone);
        EXPECT_EQ(progress, 0);
        if (!c.Completed) {
            const Lines body = Body();
            ASSERT_FALSE(body.empty());
            EXPECT_EQ(body[body.size() - 3], AbortedNote);
            EXPECT_EQ(body[body.size() - 5], files.Item(2).FullPath);
        }
    }
}

} // namespace
