// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "TestDir.h"
#include "model/TFileData.h"
#include "model/TFileList.h"
#include "model/TSettingsStore.h"
#include "model/TShellInfo.h"
#include "presentation/TFileSectionWriter.h"
#include "presentation/THTMLEscape.h"
#include "presentation/THTMLLink.h"
#include "presentation/TResultsView.h"
#include "presentation/THTMLWin.h"

namespace fs = std::filesystem;

namespace {

using namespace std::string_literals;
using Lines = std::vector<std::string>;

const std::string Check(THTMLWin::CheckMark);
const std::string Folder = "/opt/quarnel";

class RecordingViewer : public TResultsView {
public:
    void Show(const std::string& path) override { Calls.push_back("load " + path); }
    void Clear() override { Calls.push_back("clear"); }
    std::vector<std::string> Calls;
};

std::string ReadWhole(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The lines of a document file; every write ends with a line feed.
Lines ReadLines(const std::string& path)
{
    const std::string text = ReadWhole(path);
    EXPECT_TRUE(text.empty() || text.back() == '\n');
    Lines lines;
    std::size_t from = 0;
    for (std::size_t end = text.find('\n'); end != std::string::npos; end = text.find('\n', from)) {
        lines.push_back(text.substr(from, end - from));
        from = end + 1;
    }
    return lines;
}

std::string Head()
{
    return "<HTML><HEAD><TITLE>Quarnel 2.3 Output</TITLE><link rel=\"stylesheet\" type=\"text/css\" href=\"" + Folder +
           "/style.css\"></HEAD><BODY>";
}

std::vector<std::string> FilesIn(const std::string& folder)
{
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class THTMLWinTest : public ::testing::Test {
protected:
    THTMLWinTest() { Html.TempFolder = Dir.Path(); }

    // Starts a fresh document with default options changed by `setUp`.
    void Begin(void (*setUp)(THTMLOptions&) = nullptr)
    {
        Html.Options = THTMLOptions();
        if (setUp)
            setUp(Html.Options);
        ASSERT_TRUE(Html.BeginDocument());
    }
    // Finishes the document and gives the lines between its head and its end.
    Lines Body()
    {
        Html.FinishDocument();
        Lines lines = ReadLines(Html.DocumentFileName());
        EXPECT_GE(lines.size(), 2u);
        if (lines.size() < 2)
            return {};
        EXPECT_EQ(lines.front(), Head());
        EXPECT_EQ(lines.back(), "</BODY></HTML>");
        return Lines(lines.begin() + 1, lines.end() - 1);
    }
    std::unique_ptr<TFileData> Record(const std::string& path)
    {
        const fs::path p(path);
        return std::make_unique<TFileData>(p.parent_path().string(), p.filename().string(), Shell);
    }

    TestDir Dir;
    TNullShellInfo Shell;
    RecordingViewer Viewer;
    THTMLWin Html{&Viewer, Folder};
};

// The whole document of one search with all options at their defaults and W = 0: one file whose
// third line "the cat sat" has a match on "cat".
TEST_F(THTMLWinTest, AllMatchesDocumentComesOutLineForLine)
{
    struct Case {
        const char* Subtitle;
        bool Anchored;
    };
    const Case cases[] = {{"S", false}, {"", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Subtitle);
        const std::string path = Dir.WriteFile("a/b.txt", "one\ntwo\nthe cat sat\nfour\nfive\n");
        TFileList files;
        files.Add(Record(path));
        files.Item(0).Matches.emplace_back(3, 11, 5, 8);

        TFileSectionWriter writer(Html);
        ASSERT_TRUE(writer.WriteAllMatches(files, c.Subtitle, 0));

        const std::string line = "<FONT class=number>00003:</FONT> the <a href=\"openfile?" + path +
                                 "&3|5\"><FONT class=match>cat</FONT></a> sat";
        const Lines expected = {
            Head(),
            "<TABLE BORDER=0 cellspacing=0 cellpadding=3 WIDTH=100%>",
            "<TR><TD class=header>Quarnel Search Results</td></tr>",
            "<TR><TD class=subheader>"s + c.Subtitle + "</td></tr>",
            "</table><br>",
            "<a href=TogglePlain>Plain</a> | ",
            "<a href=ToggleFileContents>File contents</a> " + Check,
            " | <a href=ToggleFilenames>File names</a> " + Check + " | ",
            "<a href=ToggleLineNumbers>Line numbers</a> " + Check + " | ",
            "<a href=ToggleMatchesOnly>Whole line</a> " + Check + " | ",
            "<a href=ToggleWordWrap>Word wrap</a>  | ",
            "<a href=ToggleFixedFont>Fixed Font</a>  | ",
            "Match window: +/- ",
            "<a href=SMW0>0</a>" + Check + " | ",
            "<a href=SMW1>1</a> | ",
            "<a href=SMW2>2</a> | ",
            "<a href=SMW3>3</a> | ",
            "<a href=SMW4>4</a> | ",
            "<a href=SMW5>5</a> lines",
            "<br>&nbsp;<br>",
            "<TABLE BORDER=0 cellspacing=0 cellpadding=3 width=100%><TR><TD class=fileheader>",
            path,
            "</td>",
            "</table>",
            "<table border=0 cellpadding=3 cellspacing=0 WIDTH=5000><tr><td>",
            (c.Anchored ? "<a class=matchingline name=Line00003:>" + line + "</a>" : line) + "<br>",
            "",
            "</TD></TR></TABLE>&nbsp;",
            "</BODY></HTML>",
        };
        EXPECT_EQ(ReadLines(Html.DocumentFileName()), expected);
        EXPECT_EQ(Html.IsSingleFileView(), c.Anchored);

        // Every character but the line ends is counted.
        const std::string whole = ReadWhole(Html.DocumentFileName());
        EXPECT_EQ(Html.WrittenCount(), static_cast<int64_t>(whole.size() - expected.size()));
        ASSERT_FALSE(Viewer.Calls.empty());
        EXPECT_EQ(Viewer.Calls.back(), "load " + Html.DocumentFileName());
    }
}

TEST(THTMLEscape, ReplacesTheFourCharactersAndKeepsEveryOtherByte)
{
    struct Case {
        std::string Text;
        std::string Escaped;
    };
    const Case cases[] = {
        {"", ""},
        {"plain text", "plain text"},
        {"<b>", "&lt;b&gt;"},
        {"a & b", "a &amp; b"},
        {"say \"hi\"", "say &quot;hi&quot;"},
        {"&amp;", "&amp;amp;"},
        {"'single' stays", "'single' stays"},
        {"\xe9t\xc3\xa9\0\x01\xff"s, "\xe9t\xc3\xa9\0\x01\xff"s},
        {"<>&\"<>&\"", "&lt;&gt;&amp;&quot;&lt;&gt;&amp;&quot;"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(THTMLEscape::Escape(c.Text), c.Escaped) << c.Text;
        std::string appended = "x";
        THTMLEscape::Append(appended, c.Text);
        EXPECT_EQ(appended, "x" + c.Escaped) << c.Text;
    }
}

// Titles, file names, lines, match texts, link paths, notes and messages all go through the
// same escaping; a file name holding '"' cannot end the link's attribute.
TEST_F(THTMLWinTest, EveryTextOfTheDocumentIsEscaped)
{
    Begin([](THTMLOptions& o) { o.ShowFileContents = false; });
    Html.WriteTitle("A<B", "C&D", 0);
    Html.WriteMessageLine("Skipped: /x/<y>, \"binary\"");
    Html.WriteNote("R&D");
    Lines body = Body();
    ASSERT_GE(body.size(), 6u);
    EXPECT_EQ(body[1], "<TR><TD class=header>A&lt;B</td></tr>");
    EXPECT_EQ(body[2], "<TR><TD class=subheader>C&amp;D</td></tr>");
    EXPECT_EQ(body[body.size() - 2], "Skipped: /x/&lt;y&gt;, &quot;binary&quot;<br>");
    EXPECT_EQ(body.back(), "R&amp;D");

    Begin();
    const std::unique_ptr<TFileData> file = Record("/d/a\"b&c<d>.txt");
    file->Matches.emplace_back(4, 9, 3, 6);
    Html.WriteFileHeader(*file);
    Html.WriteFileLine("x<\"&>y<z", 4, file->Matches, 0, file->FullPath);
    body = Body();
    ASSERT_EQ(body.size(), 6u);
    EXPECT_EQ(body[1], "/d/a&quot;b&amp;c&lt;d&gt;.txt");
    EXPECT_EQ(body[5], "<FONT class=number>00004:</FONT> x&lt;<a href=\"openfile?/d/a&quot;b&amp;c&lt;d&gt;.txt&4|3\">"
                       "<FONT class=match>&quot;&amp;&gt;</FONT></a>y&lt;z<br>");
}

TEST(THTMLWin, LineNumbersHaveAtLeastFiveDigitsAndAColon)
{
    struct Case {
        int64_t Number;
        const char* Text;
    };
    const Case cases[] = {
        {0, "00000:"}, {1, "00001:"}, {12, "00012:"}, {99999, "99999:"}, {100000, "100000:"}, {2147483647, "2147483647:"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(THTMLWin::NumberText(c.Number), c.Text);
}

// One line of a file in each view: whole line or matches only, with or without numbers, in a
// single-file view (anchored) or the all-files view.
TEST_F(THTMLWinTest, LinesCarryNumbersLinksAndAnchors)
{
    const TMatchList twoOnLine7 = {TMatch(3, 20, 1, 2), TMatch(7, 20, 5, 8), TMatch(7, 20, 15, 18), TMatch(9, 5, 1, 2)};
    const std::string link1 = "<a href=\"openfile?/p/f.txt&7|5\"><FONT class=match>cat</FONT></a>";
    const std::string link2 = "<a href=\"openfile?/p/f.txt&7|15\"><FONT class=match>cat</FONT></a>";
    struct Case {
        const char* Name;
        void (*SetUp)(THTMLOptions&);
        const char* Subtitle;
        int64_t Line;
        std::size_t FirstIndex;
        Lines Expected;
    };
    const Case cases[] = {
        {"line without a match", nullptr, "S", 8, 3, {"00008: the cat and a cat<br>"}},
        {"line without a match, no numbers", [](THTMLOptions& o) { o.LineNumbers = false; }, "S", 8, 3,
         {" the cat and a cat<br>"}},
        {"two matches on one line", nullptr, "S", 7, 1,
         {"<FONT class=number>00007:</FONT> the " + link1 + " and a " + link2 + "<br>"}},
        {"earlier matches before firstIndex are passed over", nullptr, "S", 7, 0,
         {"<FONT class=number>00007:</FONT> the " + link1 + " and a " + link2 + "<br>"}},
        {"single-file view anchors matching lines", nullptr, "", 7, 1,
         {"<a class=matchingline name=Line00007:><FONT class=number>00007:</FONT> the " + link1 + " and a " + link2 +
          "</a><br>"}},
        {"single-file view does not anchor other lines", nullptr, "", 8, 3, {"00008: the cat and a cat<br>"}},
        {"matching line without numbers", [](THTMLOptions& o) { o.LineNumbers = false; }, "S", 7, 1,
         {" the " + link1 + " and a " + link2 + "<br>"}},
        {"matches only: one line per match", [](THTMLOptions& o) { o.MatchesOnly = true; }, "", 7, 1,
         {"<FONT class=number>00007:</FONT> " + link1 + "<br>", "<FONT class=number>00007:</FONT> " + link2 + "<br>"}},
        {"matches only without numbers",
         [](THTMLOptions& o) {
             o.MatchesOnly = true;
             o.LineNumbers = false;
         },
         "S", 7, 1, {"<FONT class=number></FONT> " + link1 + "<br>", "<FONT class=number></FONT> " + link2 + "<br>"}},
        {"matches only skips lines without matches", [](THTMLOptions& o) { o.MatchesOnly = true; }, "S", 8, 3, {}},
        {"file contents off writes no lines", [](THTMLOptions& o) { o.ShowFileContents = false; }, "S", 7, 1, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        Begin([](THTMLOptions& o) { o.TitleAndMenu = false; });
        if (c.SetUp)
            c.SetUp(Html.Options);
        Html.WriteTitle("T", c.Subtitle, 0);
        Html.WriteFileLine("the cat and a cat", c.Line, twoOnLine7, c.FirstIndex, "/p/f.txt");
        EXPECT_EQ(Body(), c.Expected);
    }
}

// Match positions that do not fit the line (a file that changed unnoticed) are cut to the line.
TEST_F(THTMLWinTest, MatchesOutsideTheLineAreCutToIt)
{
    const TMatchList matches = {TMatch(1, 3, 0, 2), TMatch(1, 3, 2, 9), TMatch(1, 3, 1, 2), TMatch(1, 3, 40, 45)};
    Begin();
    Html.WriteFileLine("abc", 1, matches, 0, "/f");
    const auto link = [](int column, const char* text) {
        return "<a href=\"openfile?/f&1|" + std::to_string(column) + "\"><FONT class=match>" + text + "</FONT></a>";
    };
    EXPECT_EQ(Body(), Lines{"<FONT class=number>00001:</FONT> " + link(0, "ab") + link(2, "bc") + link(1, "a") +
                            link(40, "") + "<br>"});
}

// A line shows at most 1000 bytes after its last match, or from its start without one.
TEST_F(THTMLWinTest, LongLinesAreCutAfterAThousandCharacters)
{
    const std::string a5000(5000, 'a');
    const std::string e = "\xc3\xa9";  // two-byte UTF-8 character
    struct Case {
        const char* Name;
        std::string Line;
        TMatchList Matches;
        std::string Text;  // the expected text of the line after its number
    };
    const Case cases[] = {
        {"5000 characters without a match", a5000, {}, std::string(1000, 'a')},
        {"exactly 1000", std::string(1000, 'b'), {}, std::string(1000, 'b')},
        {"1001", std::string(1001, 'b'), {}, std::string(1000, 'b')},
        {"a match at column 3000", a5000, {TMatch(1, 5000, 3000, 3002)},
         std::string(2999, 'a') + "<a href=\"openfile?/f&1|3000\"><FONT class=match>aa</FONT></a>" +
             std::string(1000, 'a')},
        {"the limit counts characters before escaping", std::string(1200, '<'), {}, [] {
             std::string s;
             for (int i = 0; i < 1000; ++i)
                 s += "&lt;";
             return s;
         }()},
        {"a character cut in two is left out", std::string(999, 'c') + e + "tail", {}, std::string(999, 'c')},
        {"a character ending at the limit stays", std::string(998, 'c') + e + "tail", {}, std::string(998, 'c') + e},
        {"invalid bytes are cut as bytes", std::string(999, 'c') + "\xc3" + "tail", {}, std::string(999, 'c') + "\xc3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        Begin();
        Html.WriteFileLine(c.Line, 1, c.Matches, 0, "/f");
        const std::string number = c.Matches.empty() ? "00001:" : "<FONT class=number>00001:</FONT>";
        EXPECT_EQ(Body(), Lines{number + " " + c.Text + "<br>"});
    }
}

// The title block and the toolbar in both output styles and with the options that shape them.
TEST_F(THTMLWinTest, TitleAndToolbarFollowTheOptions)
{
    const auto smw = [](int marked) {
        Lines lines;
        for (int w = 0; w <= 5; ++w)
            lines.push_back("<a href=SMW" + std::to_string(w) + ">" + std::to_string(w) + "</a>" +
                            (w == marked ? Check : "") + (w < 5 ? " | " : " lines"));
        return lines;
    };
    const auto join = [](Lines a, const Lines& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    const Lines fancyTitle = {"<TABLE BORDER=0 cellspacing=0 cellpadding=3 WIDTH=100%>",
                              "<TR><TD class=header>Title</td></tr>", "<TR><TD class=subheader>Sub</td></tr>",
                              "</table><br>"};
    struct Case {
        const char* Name;
        void (*SetUp)(THTMLOptions&);
        int MatchWindow;
        Lines Expected;
    };
    const Case cases[] = {
        {"plain output with every option flipped",
         [](THTMLOptions& o) {
             o.FancyOutput = false;
             o.FileNames = false;
             o.LineNumbers = false;
             o.MatchesOnly = true;
             o.WordWrap = true;
             o.FixedFont = true;
         },
         3,
         join(join({"<b>Title<br>Sub</b><br><br>", "<a href=TogglePlain>Fancy</a> | ",
                    "<a href=ToggleFileContents>File contents</a> " + Check,
                    " | <a href=ToggleFilenames>File names</a>  | ", "<a href=ToggleLineNumbers>Line numbers</a>  | ",
                    "<a href=ToggleMatchesOnly>Whole line</a>  | ",
                    "<a href=ToggleFixedFont>Fixed Font</a> " + Check + " | ", "Match window: +/- "},
                   smw(3)),
              {"<br><hr><br>"})},
        {"fancy output with word wrap and W = 5", [](THTMLOptions& o) { o.WordWrap = true; }, 5,
         join(join(join(fancyTitle,
                        {"<a href=TogglePlain>Plain</a> | ", "<a href=ToggleFileContents>File contents</a> " + Check,
                         " | <a href=ToggleFilenames>File names</a> " + Check + " | ",
                         "<a href=ToggleLineNumbers>Line numbers</a> " + Check + " | ",
                         "<a href=ToggleMatchesOnly>Whole line</a> " + Check + " | ",
                         "<a href=ToggleWordWrap>Word wrap</a> " + Check + " | ",
                         "<a href=ToggleFixedFont>Fixed Font</a>  | ", "Match window: +/- "}),
                   smw(5)),
              {"<br>&nbsp;<br>"})},
        {"a window above 5 marks no value", nullptr, 7,
         join(join(join(fancyTitle,
                        {"<a href=TogglePlain>Plain</a> | ", "<a href=ToggleFileContents>File contents</a> " + Check,
                         " | <a href=ToggleFilenames>File names</a> " + Check + " | ",
                         "<a href=ToggleLineNumbers>Line numbers</a> " + Check + " | ",
                         "<a href=ToggleMatchesOnly>Whole line</a> " + Check + " | ",
                         "<a href=ToggleWordWrap>Word wrap</a>  | ", "<a href=ToggleFixedFont>Fixed Font</a>  | ",
                         "Match window: +/- "}),
                   smw(-1)),
              {"<br>&nbsp;<br>"})},
        {"file contents off: the toolbar stops after two links", [](THTMLOptions& o) { o.ShowFileContents = false; }, 0,
         join(fancyTitle, {"<a href=TogglePlain>Plain</a> | ", "<a href=ToggleFileContents>File contents</a> ",
                           "<br>&nbsp;<br>"})},
        {"plain output, file contents off",
         [](THTMLOptions& o) {
             o.ShowFileContents = false;
             o.FancyOutput = false;
         },
         0,
         {"<b>Title<br>Sub</b><br><br>", "<a href=TogglePlain>Fancy</a> | ",
          "<a href=ToggleFileContents>File contents</a> ", "<br><hr><br>"}},
        {"title and menu off: nothing", [](THTMLOptions& o) { o.TitleAndMenu = false; }, 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        Begin(c.SetUp);
        Html.WriteTitle("Title", "Sub", c.MatchWindow);
        EXPECT_EQ(Body(), c.Expected);
        EXPECT_FALSE(Html.IsSingleFileView());
    }
}

TEST_F(THTMLWinTest, FileHeadersAndFootersFollowTheOptions)
{
    struct Case {
        const char* Name;
        void (*SetUp)(THTMLOptions&);
        bool InZip;
        Lines Expected;  // header, then footer
    };
    const Case cases[] = {
        {"plain", [](THTMLOptions& o) { o.FancyOutput = false; }, false, {"<b>", "/d/f.txt", "</b><br>", "", "<br>"}},
        {"plain, file contents off",
         [](THTMLOptions& o) {
             o.FancyOutput = false;
             o.ShowFileContents = false;
         },
         false, {"<b>", "/d/f.txt", "</b><br>", ""}},
        {"fancy with word wrap and fixed font",
         [](THTMLOptions& o) {
             o.WordWrap = true;
             o.FixedFont = true;
         },
         false,
         {"<TABLE BORDER=0 cellspacing=0 cellpadding=3 width=100%><TR><TD class=fileheader>", "/d/f.txt", "</td>",
          "</table>", "<table border=0 cellpadding=3 cellspacing=0 WIDTH=100%><tr><td>", "<pre>", "</pre>", "",
          "</TD></TR></TABLE>&nbsp;"}},
        {"file names off, fixed font still encloses the body",
         [](THTMLOptions& o) {
             o.FileNames = false;
             o.FixedFont = true;
         },
         false, {"<pre>", "</pre>"}},
        {"file names off", [](THTMLOptions& o) { o.FileNames = false; }, false, {}},
        {"a ZIP member is named after its archive", [](THTMLOptions& o) { o.FancyOutput = false; }, true,
         {"<b>", "/d/pack.zip/f.txt", "</b><br>", "", "<br>"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::unique_ptr<TFileData> file = Record("/d/f.txt");
        if (c.InZip) {
            file->InZip = true;
            file->ZipName = "/d/pack.zip";
            file->FullPath = "/tmp/x/~quarnel.t/f.txt";
        }
        Begin(c.SetUp);
        Html.WriteFileHeader(*file);
        Html.WriteFileFooter();
        EXPECT_EQ(Body(), c.Expected);
    }
}

TEST_F(THTMLWinTest, GapMarkersNotesAndMessageLines)
{
    struct Case {
        const char* Name;
        void (*SetUp)(THTMLOptions&);
        Lines Expected;
    };
    const Case cases[] = {
        {"whole lines", nullptr, {"&nbsp;<br>", "  note ", "message<br>"}},
        {"matches only: no gap marker", [](THTMLOptions& o) { o.MatchesOnly = true; }, {"  note ", "message<br>"}},
        {"file contents off: no gap marker", [](THTMLOptions& o) { o.ShowFileContents = false; },
         {"  note ", "message<br>"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        Begin(c.SetUp);
        Html.WriteGapMarker();
        Html.WriteNote("  note ");
        Html.WriteMessageLine("message");
        EXPECT_EQ(Body(), c.Expected);
    }
}

// The loading test and the size test meet at the limit: exactly 10,000,000 characters loads.
TEST_F(THTMLWinTest, DocumentsOverTheLimitAreFinishedButNotLoaded)
{
    struct Case {
        int64_t Beyond;
        bool Loaded;
    };
    const Case cases[] = {{-1, true}, {0, true}, {1, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Beyond);
        Begin();
        const int64_t ending = static_cast<int64_t>(std::string_view("</BODY></HTML>").size());
        const int64_t padding = THTMLWin::LoadLimit - Html.WrittenCount() - ending + c.Beyond;
        Html.WriteNote(std::string(static_cast<std::size_t>(padding), 'x'));
        Viewer.Calls.clear();
        EXPECT_TRUE(Html.FinishDocument());
        EXPECT_EQ(Html.WrittenCount(), THTMLWin::LoadLimit + c.Beyond);
        EXPECT_EQ(Html.IsTooLarge(), !c.Loaded);
        EXPECT_EQ(Viewer.Calls, c.Loaded ? std::vector<std::string>{"load " + Html.DocumentFileName()}
                                         : std::vector<std::string>{});
        // Written whole either way.
        EXPECT_EQ(fs::file_size(Html.DocumentFileName()), static_cast<std::uintmax_t>(THTMLWin::LoadLimit + c.Beyond + 3));
    }
}

// Each document is a private file of its own; beginning the next one, saving the options or the
// builder's end deletes it, so at most one exists.
TEST_F(THTMLWinTest, DocumentFilesArePrivateAndDeletedByTheirOwner)
{
    EXPECT_TRUE(Html.DocumentFileName().empty());
    ASSERT_TRUE(Html.BeginDocument());
    const std::string first = Html.DocumentFileName();
    const std::string name = fs::path(first).filename().string();
    EXPECT_EQ(fs::path(first).parent_path().string(), Dir.Path());
    EXPECT_EQ(name.rfind("~qn", 0), 0u) << name;
    EXPECT_TRUE(name.ends_with(".htm")) << name;
    struct stat info {};
    ASSERT_EQ(::stat(first.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    Html.FinishDocument();

    {
        THTMLWin other(nullptr, Folder);
        other.TempFolder = Dir.Path();
        ASSERT_TRUE(other.BeginDocument());
        EXPECT_NE(other.DocumentFileName(), first);
        other.FinishDocument();
        EXPECT_EQ(FilesIn(Dir.Path()).size(), 2u);
    }
    EXPECT_EQ(FilesIn(Dir.Path()), std::vector<std::string>{name});

    ASSERT_TRUE(Html.BeginDocument());
    EXPECT_FALSE(fs::exists(first));
    EXPECT_EQ(FilesIn(Dir.Path()).size(), 1u);
    const std::string second = Html.DocumentFileName();
    {
        THTMLWin dropped(nullptr, Folder);
        dropped.TempFolder = Dir.Path();
        dropped.BeginDocument();  // left unfinished
    }
    EXPECT_EQ(FilesIn(Dir.Path()), std::vector<std::string>{fs::path(second).filename().string()});
}

TEST_F(THTMLWinTest, ClearViewShowsAnEmptyPage)
{
    Html.ClearView();
    EXPECT_EQ(ReadLines(Html.DocumentFileName()), (Lines{Head(), "</BODY></HTML>"}));
    EXPECT_EQ(Viewer.Calls, std::vector<std::string>{"load " + Html.DocumentFileName()});
}

// With no temporary folder to write in, the document goes nowhere: the pane is cleared instead of
// showing a stale or missing file, and there is nothing to copy.
TEST_F(THTMLWinTest, ADocumentThatCannotBeMadeShowsNothing)
{
    Html.TempFolder = Dir.PathOf("missing");
    EXPECT_FALSE(Html.BeginDocument());
    Html.WriteMessageLine("lost");
    EXPECT_FALSE(Html.FinishDocument());
    EXPECT_TRUE(Html.DocumentFileName().empty());
    EXPECT_EQ(Viewer.Calls, std::vector<std::string>{"clear"});
    EXPECT_FALSE(Html.CopyDocumentTo(Dir.PathOf("saved.htm")));
    EXPECT_FALSE(fs::exists(Dir.PathOf("saved.htm")));
}

TEST_F(THTMLWinTest, CopyDocumentToReplacesTheTargetWhole)
{
    const std::string target = Dir.WriteFile("out/saved.htm", "old content");
    ::chmod(target.c_str(), 0640);
    Begin();
    EXPECT_FALSE(Html.CopyDocumentTo(target));  // not finished yet
    Html.WriteMessageLine("hello");
    Html.FinishDocument();

    ASSERT_TRUE(Html.CopyDocumentTo(target));
    EXPECT_EQ(ReadWhole(target), ReadWhole(Html.DocumentFileName()));
    struct stat info {};
    ASSERT_EQ(::stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    EXPECT_EQ(FilesIn(Dir.PathOf("out")), std::vector<std::string>{"saved.htm"});

    ASSERT_TRUE(Html.CopyDocumentTo(Dir.PathOf("out/new.htm")));
    EXPECT_EQ(ReadWhole(Dir.PathOf("out/new.htm")), ReadWhole(target));
}

TEST_F(THTMLWinTest, AFailedCopyReportsFalseAndLeavesNoFile)
{
    Dir.MakeFolder("out/folder");
    Dir.WriteFile("out/folder/inside", "kept");
    Begin();
    Html.WriteMessageLine("hello");
    Html.FinishDocument();
    const std::string cases[] = {
        Dir.PathOf("missing/saved.htm"),  // no such folder
        Dir.PathOf("out/folder"),         // a folder stands there
        Dir.PathOf("out/"),               // no file name
        "",
    };
    for (const std::string& target : cases) {
        SCOPED_TRACE(target);
        EXPECT_FALSE(Html.CopyDocumentTo(target));
    }
    EXPECT_EQ(FilesIn(Dir.PathOf("out")), std::vector<std::string>{"folder"});
    EXPECT_EQ(Dir.ReadFile("out/folder/inside"), "kept");

    THTMLWin empty(nullptr, Folder);
    EXPECT_FALSE(empty.CopyDocumentTo(Dir.PathOf("out/never.htm")));
    EXPECT_FALSE(fs::exists(Dir.PathOf("out/never.htm")));
}

// A '"' or '&' in the program's folder cannot break the style sheet link.
TEST_F(THTMLWinTest, TheStyleSheetLinkIsEscaped)
{
    THTMLWin odd(nullptr, "/opt/a\"b&c");
    odd.TempFolder = Dir.Path();
    odd.BeginDocument();
    odd.FinishDocument();
    const Lines lines = ReadLines(odd.DocumentFileName());
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines[0].find("href=\"/opt/a&quot;b&amp;c/style.css\">"), std::string::npos) << lines[0];
}

TEST(THTMLOptions, DefaultsAndToggleLinks)
{
    const THTMLOptions defaults;
    EXPECT_TRUE(defaults.LineNumbers);
    EXPECT_TRUE(defaults.TitleAndMenu);
    EXPECT_FALSE(defaults.WordWrap);
    EXPECT_TRUE(defaults.ShowFileContents);
    EXPECT_FALSE(defaults.MatchesOnly);
    EXPECT_TRUE(defaults.FancyOutput);
    EXPECT_TRUE(defaults.FileNames);
    EXPECT_FALSE(defaults.FixedFont);

    struct Case {
        const char* Link;
        bool THTMLOptions::*Field;  // null: the link flips nothing
    };
    const Case cases[] = {
        {"TogglePlain", &THTMLOptions::FancyOutput},
        {"ToggleFileContents", &THTMLOptions::ShowFileContents},
        {"ToggleFilenames", &THTMLOptions::FileNames},
        {"ToggleLineNumbers", &THTMLOptions::LineNumbers},
        {"ToggleMatchesOnly", &THTMLOptions::MatchesOnly},
        {"ToggleWordWrap", &THTMLOptions::WordWrap},
        {"ToggleFixedFont", &THTMLOptions::FixedFont},
        {"toggleplain", nullptr},
        {"TogglePlainX", nullptr},
        {"SMW2", nullptr},
        {"", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Link);
        THTMLOptions options;
        EXPECT_EQ(options.ApplyToggleLink(c.Link), c.Field != nullptr);
        THTMLOptions expected;
        if (c.Field)
            expected.*c.Field = !(expected.*c.Field);
        EXPECT_EQ(options, expected);
    }
}

// Reading stops at the first value that is missing or not a number; what was read stays.
TEST(THTMLOptions, LoadReadsInOrderUntilAValueFails)
{
    enum class Kind { Flip, Missing, Text, Two };
    struct Case {
        const char* Name;
        std::vector<std::pair<std::string, Kind>> Values;  // in reading order
        int FlippedCount;  // how many options, in reading order, end up flipped
    };
    const std::vector<std::string> names = {"Line Numbers", "Title", "Word Wrap", "Show File Contents",
                                            "Show Matches Only", "Fixed Font", "Fancy output", "Filenames"};
    const auto all = [&](Kind kind) {
        std::vector<std::pair<std::string, Kind>> values;
        for (const std::string& name : names)
            values.emplace_back(name, kind);
        return values;
    };
    const auto withAt = [&](std::size_t at, Kind kind) {
        auto values = all(Kind::Flip);
        values[at].second = kind;
        return values;
    };
    const Case cases[] = {
        {"every value there", all(Kind::Flip), 8},
        {"third value missing", withAt(2, Kind::Missing), 2},
        {"sixth value a text", withAt(5, Kind::Text), 5},
        {"names in another case", [&] {
             auto values = all(Kind::Flip);
             for (auto& value : values)
                 for (char& ch : value.first)
                     ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
             return values;
         }(), 8},
    };
    // Flipping each default in reading order.
    const std::vector<bool THTMLOptions::*> fields = {
        &THTMLOptions::LineNumbers, &THTMLOptions::TitleAndMenu, &THTMLOptions::WordWrap,
        &THTMLOptions::ShowFileContents, &THTMLOptions::MatchesOnly, &THTMLOptions::FixedFont,
        &THTMLOptions::FancyOutput, &THTMLOptions::FileNames};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TSettingsStore store("");
        const TSettingsKey key = store.CreateKey(TSettingsStore::KeyPath("RTF Data"));
        const THTMLOptions defaults;
        for (std::size_t i = 0; i < c.Values.size(); ++i) {
            const auto& [name, kind] = c.Values[i];
            if (kind == Kind::Flip)
                key.WriteBool(name, !(defaults.*fields[i]));
            else if (kind == Kind::Text)
                key.WriteString(name, "1");
        }
        THTMLOptions options;
        options.Load(store);
        THTMLOptions expected;
        for (int i = 0; i < c.FlippedCount; ++i)
            expected.*fields[static_cast<std::size_t>(i)] = !(expected.*fields[static_cast<std::size_t>(i)]);
        EXPECT_EQ(options, expected);
    }

    // Any number but 0 is true; a missing key leaves the options alone.
    TSettingsStore store("");
    store.CreateKey(TSettingsStore::KeyPath("RTF Data")).WriteInteger("Line Numbers", 0);
    store.CreateKey(TSettingsStore::KeyPath("RTF Data")).WriteInteger("Title", 0);
    store.CreateKey(TSettingsStore::KeyPath("RTF Data")).WriteInteger("Word Wrap", 2);
    THTMLOptions options;
    options.Load(store);
    EXPECT_FALSE(options.LineNumbers);
    EXPECT_FALSE(options.TitleAndMenu);
    EXPECT_TRUE(options.WordWrap);
    THTMLOptions untouched;
    untouched.FixedFont = true;
    untouched.Load(TSettingsStore(""));
    EXPECT_TRUE(untouched.FixedFont);
}

// SaveOptions deletes the document file, then writes all eight options as booleans; they read
// back the same from the settings file.
TEST_F(THTMLWinTest, SaveOptionsDeletesTheDocumentAndStoresTheOptions)
{
    const std::string settings = Dir.PathOf("config/settings.reg");
    Dir.MakeFolder("config");
    Html.BeginDocument();
    Html.FinishDocument();
    const std::string document = Html.DocumentFileName();
    Html.Options.WordWrap = true;
    Html.Options.FancyOutput = false;
    Html.Options.FileNames = false;
    {
        TSettingsStore store(settings);
        Html.SaveOptions(store);
        EXPECT_TRUE(store.Save());
    }
    EXPECT_FALSE(fs::exists(document));
    EXPECT_TRUE(Html.DocumentFileName().empty());

    TSettingsStore reread(settings);
    const TSettingsKey key = reread.OpenKey(TSettingsStore::KeyPath("RTF Data"));
    ASSERT_TRUE(key.ok());
    EXPECT_EQ(key.ValueNames(), (std::vector<std::string>{"Line Numbers", "Title", "Word Wrap", "Show File Contents",
                                                           "Show Matches Only", "Fancy output", "Fixed Font",
                                                           "Filenames"}));
    EXPECT_EQ(key.ReadInteger("Word Wrap").Value, 1);
    EXPECT_EQ(key.ReadInteger("Fancy output").Value, 0);
    THTMLWin loaded(nullptr, Folder);
    loaded.LoadOptions(reread);
    EXPECT_EQ(loaded.Options, Html.Options);
}

// What the pane reports for a link: the href attribute with its entities decoded.
std::string ClickedLink(const std::string& documentLine)
{
    const std::size_t start = documentLine.find("href=\"");
    const std::size_t end = documentLine.find('"', start + 6);
    std::string text = documentLine.substr(start + 6, end - start - 6);
    const std::pair<const char*, char> entities[] = {{"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&amp;", '&'}};
    std::string decoded;
    for (std::size_t i = 0; i < text.size();) {
        bool replaced = false;
        for (const auto& [entity, ch] : entities) {
            if (text.compare(i, std::strlen(entity), entity) == 0) {
                decoded += ch;
                i += std::strlen(entity);
                replaced = true;
                break;
            }
        }
        if (!replaced)
            decoded += text[i++];
    }
    return decoded;
}

// A match link brings back the file's path, line and column, whatever the path holds.
TEST_F(THTMLWinTest, MatchLinksReadBackWhole)
{
    const std::string paths[] = {"/p/f.txt", "/p/a&b.txt", "/p/x|y&12|3.txt", "/p/q\"u<o>te?.txt", "/p/sp ace.txt"};
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        Begin();
        const TMatchList matches = {TMatch(123456, 20, 17, 20)};
        Html.WriteFileLine("0123456789abcdefghij", 123456, matches, 0, path);
        const Lines body = Body();
        ASSERT_EQ(body.size(), 1u);
        THTMLLink::TMatchTarget target;
        ASSERT_TRUE(THTMLLink::ParseOpenFile(ClickedLink(body[0]), target));
        EXPECT_EQ(target.Path, path);
        EXPECT_EQ(target.Line, 123456);
        EXPECT_EQ(target.Column, 17);
    }
}

TEST(THTMLLink, OtherLinksAreNotMatchLinks)
{
    struct Case {
        const char* Link;
        bool OpenFile;
        int MatchWindow;
    };
    const Case cases[] = {
        {"SMW0", false, 0}, {"SMW5", false, 5}, {"SMW", false, -1}, {"SMWx", false, -1}, {"smw2", false, -1},
        {"TogglePlain", false, -1}, {"openfile?/p&1", false, -1}, {"openfile/p&1|2", false, -1},
        {"openfile?/p&x|", true, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Link);
        THTMLLink::TMatchTarget target;
        EXPECT_EQ(THTMLLink::ParseOpenFile(c.Link, target), c.OpenFile);
        EXPECT_EQ(THTMLLink::MatchWindowOf(c.Link), c.MatchWindow);
    }
}

} // namespace
