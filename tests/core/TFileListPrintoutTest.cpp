// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "model/TDateFormat.h"
#include "model/TFileData.h"
#include "model/TFileList.h"
#include "model/TShellInfo.h"
#include "presentation/TFileListPrintout.h"

namespace {

using P = TFileListPrintout;

std::unique_ptr<TFileData> MakeRecord(const std::string& name, const std::string& typeName = "Plain text",
                                      const std::string& folder = "/data", int matches = 1, int64_t size = 10,
                                      TDateTime date = TDateTime::FromYMD(2024, 3, 7))
{
    TNullShellInfo shell;
    auto record = std::make_unique<TFileData>("/nonexistent-folder", name, shell);
    record->FileName = name;
    record->FileType = TFileData::Text;
    record->TypeName = typeName;
    record->Folder = folder;
    for (int i = 0; i < matches; ++i)
        record->Matches.emplace_back(i + 1, 10, 1, 2);
    record->Size = size;
    record->Date = date;
    return record;
}

class FileListPrintoutTest : public testing::Test {
protected:
    void SetUp() override { TDateFormat::SetProgram(TDateFormat(TDateFormat::Order::DayMonthYear, '/')); }
};

TEST(TFileListPrintout, TruncateWithEllipsis)
{
    struct Case {
        const char* What;
        std::string Text;
        std::size_t Width;
        std::string Expected;
    };
    const std::string twenty = "abcdefghijklmnopqrst";
    const std::string e = "\xC3\xA9"; // é in UTF-8
    std::string twentyOneAccents;
    for (int i = 0; i < 21; ++i)
        twentyOneAccents += e;
    std::string seventeenAccents;
    for (int i = 0; i < 17; ++i)
        seventeenAccents += e;
    const Case cases[] = {
        {"short text stays", "abc", 20, "abc"},
        {"empty text stays", "", 20, ""},
        {"exactly the width stays whole", twenty, 20, twenty},
        {"one over is cut to width - 3 and dots", twenty + "u", 20, "abcdefghijklmnopq..."},
        {"much longer", std::string(100, 'x'), 25, std::string(22, 'x') + "..."},
        {"UTF-8 characters count once and are not split", twentyOneAccents, 20, seventeenAccents + "..."},
        {"twenty UTF-8 characters fit", seventeenAccents + e + e + e, 20, seventeenAccents + e + e + e},
        {"a Windows-1252 byte is one character", std::string(20, 'a') + "\xE9", 20, std::string(17, 'a') + "..."},
        {"width 3 keeps only the dots", "abcd", 3, "..."},
        {"width under 3 gives as many dots", "abcd", 2, ".."},
        {"width 0", "abcd", 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        EXPECT_EQ(P::TruncateWithEllipsis(c.Text, c.Width), c.Expected);
    }
}

TEST_F(FileListPrintoutTest, RowCutsNameTypeAndFolderAndPadsEveryField)
{
    struct Case {
        const char* What;
        std::unique_ptr<TFileData> Record;
        std::string Expected;
    };
    Case cases[] = {
        {"short texts are padded; numbers right-aligned",
         MakeRecord("a.txt", "Text", "/d", 3, 1234, TDateTime::FromYMDHMS(2024, 3, 7, 13, 5, 9)),
         "a.txt                T Text                      /d                                                3      1234   "
         "07/03/2024 13:05:09"},
        {"long name, type and folder are cut",
         MakeRecord("a-very-long-file-name.txt", "A type name longer than twenty-five",
                    "/home/user/projects/quarnel/a/folder/far/below", 1, 0, TDateTime::FromYMD(2024, 3, 7)),
         "a-very-long-file-... T A type name longer tha... /home/user/projects/quarnel/a/folder/...          1         0   "
         "07/03/2024       "},
        {"numbers wider than their fields are not cut",
         MakeRecord("n", "", "/", 1, 12345678901LL, TDateTime::FromYMD(2024, 3, 7)),
         "n                    T                           /                                                 1 12345678901   "
         "07/03/2024       "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        EXPECT_EQ(P::Row(*c.Record), c.Expected);
    }
}

TEST_F(FileListPrintoutTest, AccentedNamesKeepTheColumnsAligned)
{
    const std::string plain = P::Row(*MakeRecord("cafe.txt"));
    const std::string accented = P::Row(*MakeRecord("caf\xC3\xA9.txt"));
    const std::string latin1 = P::Row(*MakeRecord("caf\xE9.txt"));
    EXPECT_EQ(P::CharacterCount(accented), P::CharacterCount(plain));
    EXPECT_EQ(P::CharacterCount(latin1), P::CharacterCount(plain));
    EXPECT_EQ(accented.substr(accented.find(" T ")), plain.substr(plain.find(" T ")));
}

TEST_F(FileListPrintoutTest, LinesHaveTheOpeningAndABlankAfterEveryFifthFile)
{
    struct Case {
        std::size_t Files;
        std::vector<std::size_t> BlankAfter; // 1-based file numbers followed by a blank line
    };
    const Case cases[] = {{0, {}}, {4, {}}, {5, {5}}, {7, {5}}, {10, {5, 10}}, {11, {5, 10}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Files);
        TFileList list;
        for (std::size_t i = 1; i <= c.Files; ++i)
            list.Add(MakeRecord("file" + std::to_string(i) + ".txt"));

        std::vector<std::string> expected = {"Quarnel search results", " ", "'abc' in *.txt: 3 matches", " "};
        std::size_t blank = 0;
        for (std::size_t i = 1; i <= c.Files; ++i) {
            expected.push_back(P::Row(list.Item(i - 1)));
            if (blank < c.BlankAfter.size() && c.BlankAfter[blank] == i) {
                expected.push_back(" ");
                ++blank;
            }
        }
        EXPECT_EQ(P::Lines(list, "'abc' in *.txt: 3 matches"), expected);
    }
}

} // namespace
