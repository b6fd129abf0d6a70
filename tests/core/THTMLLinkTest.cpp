// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>

#include "TestDir.h"
#include "model/TTextDecoder.h"
#include "presentation/THTMLLink.h"
#include "presentation/THTMLWin.h"

namespace {

using namespace std::string_literals;

// The link of a document line as the pane reports it: the document's bytes decoded the way the
// pane reads them (UTF-8 where valid, other bytes as Windows-1252), the href value taken out and
// its entities resolved.
std::string ReportedLink(const std::string& documentLine)
{
    const std::string text = TTextDecoder::ToUtf8(documentLine);
    const std::size_t start = text.find("href=\"") + 6;
    const std::string value = text.substr(start, text.find('"', start) - start);
    const std::pair<const char*, char> entities[] = {{"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&amp;", '&'}};
    std::string decoded;
    for (std::size_t i = 0; i < value.size();) {
        bool replaced = false;
        for (const auto& [entity, ch] : entities) {
            if (value.compare(i, std::strlen(entity), entity) == 0) {
                decoded += ch;
                i += std::strlen(entity);
                replaced = true;
                break;
            }
        }
        if (!replaced)
            decoded += value[i++];
    }
    return decoded;
}

// The one line that a match on line 7, column 2 of `path` writes in a document.
std::string DocumentLine(const TestDir& dir, const std::string& path)
{
    THTMLWin html(nullptr, "/opt/quarnel");
    html.TempFolder = dir.Path();
    html.BeginDocument();
    html.WriteFileLine("xcat", 7, {TMatch(7, 4, 2, 5)}, 0, path);
    html.FinishDocument();
    std::ifstream in(html.DocumentFileName(), std::ios::binary);
    std::string line;
    std::getline(in, line);  // the head
    std::getline(in, line);
    return line;
}

// Paths that a text reaches the pane unchanged keep the link form they always had, whatever
// separators or percent signs they hold; the others are written in the escaped form.
TEST(THTMLLink, OrdinaryPathsKeepTheirLinkText)
{
    struct Case {
        std::string Path;
        std::string Link;
    };
    const Case cases[] = {
        {"/p/f.txt", "openfile?/p/f.txt&7|2"},
        {"/p/a b/c#d.txt", "openfile?/p/a b/c#d.txt&7|2"},
        {"/p/s&t/u&v|w.txt", "openfile?/p/s&t/u&v|w.txt&7|2"},
        {"/p/p%20q/r%41.txt", "openfile?/p/p%20q/r%41.txt&7|2"},
        {"/p/%?.txt", "openfile?/p/%?.txt&7|2"},
        {"/p/caf\xC3\xA9/\xC3\xBC.txt", "openfile?/p/caf\xC3\xA9/\xC3\xBC.txt&7|2"},
        {"/p/caf\xE9.txt", "openfile%?/p/caf%E9.txt&7|2"},
        {"/p/100%/\xE9\x01.txt", "openfile%?/p/100%25/%E9%01.txt&7|2"},
        {"/p/tab\there", "openfile%?/p/tab%09here&7|2"},
        {"/p/a\xE2\x80\xA8" "b", "openfile%?/p/a%E2%80%A8b&7|2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Path);
        EXPECT_EQ(THTMLLink::OpenFileLink(c.Path, 7, 2), c.Link);
    }

    // In the document only the markup characters of the path become entities.
    TestDir dir;
    EXPECT_EQ(DocumentLine(dir, "/p/a&b\"<c>.txt"),
              "<FONT class=number>00007:</FONT> x<a href=\"openfile?/p/a&amp;b&quot;&lt;c&gt;.txt&7|2\">"
              "<FONT class=match>cat</FONT></a><br>");
}

// Written into a document, reported by the pane and read back, every path names its own file.
TEST(THTMLLink, EveryPathComesBackFromThePane)
{
    const std::string paths[] = {
        "/p/f.txt",
        "relative/f.txt",
        "/p/a&b.txt",
        "/p/a&1|2",
        "/p/ends with &",
        "/p/x|y&12|3.txt",
        "/p/q\"u<o>te?.txt",
        "/p/&amp;.txt",
        "/p/100%.txt",
        "/p/p%20q/r%41.txt",
        "/p/%zz%4",
        "/p/openfile%?x",
        "/p/caf\xC3\xA9/\xC3\xBC.txt",
        "/p/caf\xE9.txt",
        "/p/\x81\x8D\x8F\x90\x9D.txt",
        "/p/line\nbreak\r.txt",
        "/p/del\x7F.txt",
        "/p/c1\xC2\x85.txt",
        "/p/sep\xE2\x80\xA9.txt",
        "/p/half\xC3",
        "",
    };
    TestDir dir;
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        THTMLLink::TMatchTarget target;
        ASSERT_TRUE(THTMLLink::ParseOpenFile(ReportedLink(DocumentLine(dir, path)), target));
        EXPECT_EQ(target, (THTMLLink::TMatchTarget{path, 7, 2}));
    }
}

TEST(THTMLLink, ParseReadsWhatItCanOfALink)
{
    struct Case {
        const char* Link;
        bool OpenFile;
        THTMLLink::TMatchTarget Target;
    };
    const Case cases[] = {
        {"openfile?/p/f.txt&12|5", true, {"/p/f.txt", 12, 5}},
        {"openfile?/p/f.txt&12|12345678901", true, {"/p/f.txt", 12, 1234567890}},
        {"openfile?/p/f.txt&12|5x", true, {"/p/f.txt", 12, 5}},
        {"openfile?/p/f.txt&-3|-4", true, {"/p/f.txt", 0, 0}},
        {"openfile?/p/f.txt&99999999999999999999|1", true, {"/p/f.txt", 0, 1}},
        {"openfile?/p/f.txt&|", true, {"/p/f.txt", 0, 0}},
        {"openfile%?/p/%41%2a%%4g&1|1", true, {"/p/A*%%4g", 1, 1}},
        {"openfile%?/p/a%E9&1|1", true, {"/p/a\xE9", 1, 1}},
        {"openfile?%41&1|1", true, {"%41", 1, 1}},
        {"openfile?/p/f.txt", false, {}},
        {"openfile?/p/f.txt&12", false, {}},
        {"openfile/p/f.txt&1|2", false, {}},
        {"openfile&1|2?/p", false, {}},
        {"OpenFile?/p&1|2", false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Link);
        THTMLLink::TMatchTarget target;
        EXPECT_EQ(THTMLLink::ParseOpenFile(c.Link, target), c.OpenFile);
        if (c.OpenFile) {
            EXPECT_EQ(target, c.Target);
        }
    }
}

} // namespace
