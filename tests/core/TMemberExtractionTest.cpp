// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "TestDir.h"
#include "TestZip.h"
#include "model/TFileData.h"
#include "model/TShellInfo.h"
#include "presentation/TMemberExtraction.h"

namespace {

class TMemberExtractionTest : public ::testing::Test {
protected:
    // A record of a member of pack.zip, as a search leaves it.
    std::unique_ptr<TFileData> Member(const std::string& name, const std::string& archive)
    {
        auto record = std::make_unique<TFileData>(Dir.Path(), "gone-" + name, Shell);
        record->FileName = name;
        record->FullPath = Dir.Path() + "/~quarnel.t/" + name;
        record->InZip = true;
        record->ZipName = archive;
        return record;
    }

    TestDir Dir;
    TNullShellInfo Shell;
};

TEST_F(TMemberExtractionTest, ExtractsOneMemberIntoAFolder)
{
    const std::string archive = Dir.WriteFile(
        "zips/pack.zip", TestZip::BuildZip({{.Name = "inner.txt", .Content = "from the archive\n"},
                                            {.Name = "sub/deep.txt", .Content = "deep\n"},
                                            {.Name = "other.txt", .Content = "other\n"}}));
    enum class Answer { None, Yes, No };
    struct Case {
        const char* Name;
        std::string MemberName;
        std::string Archive;
        bool InZip;
        const char* Existing;  // content of a file already in the folder, or null
        Answer Overwrite;
        bool Extracted;
        const char* Content;  // of the file in the folder afterwards
        bool Asked;
    };
    const Case cases[] = {
        {"a member at the top", "inner.txt", archive, true, nullptr, Answer::Yes, true, "from the archive\n", false},
        {"an existing file replaced", "inner.txt", archive, true, "old\n", Answer::Yes, true, "from the archive\n", true},
        {"an existing file kept", "inner.txt", archive, true, "old\n", Answer::No, false, "old\n", true},
        {"no question: replaced", "inner.txt", archive, true, "old\n", Answer::None, true, "from the archive\n", false},
        {"a member inside a folder", "deep.txt", archive, true, nullptr, Answer::Yes, false, nullptr, false},
        {"an archive that is gone", "inner.txt", Dir.PathOf("zips/gone.zip"), true, nullptr, Answer::Yes, false, nullptr, false},
        {"not a ZIP member", "inner.txt", archive, false, nullptr, Answer::Yes, false, nullptr, false},
    };
    int round = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string folder = Dir.MakeFolder("out" + std::to_string(++round));
        const std::string target = folder + "/" + c.MemberName;
        if (c.Existing)
            Dir.WriteFile("out" + std::to_string(round) + "/" + c.MemberName, c.Existing);
        auto member = Member(c.MemberName, c.Archive);
        member->InZip = c.InZip;
        std::vector<std::string> asked;
        TMemberExtraction::TOverwriteQuery query;
        if (c.Overwrite != Answer::None) {
            query = [&](const std::string& path) {
                asked.push_back(path);
                return c.Overwrite == Answer::Yes;
            };
        }
        std::string path = "stale";
        EXPECT_EQ(TMemberExtraction::Extract(*member, folder, query, path), c.Extracted);
        EXPECT_EQ(path, c.Extracted ? target : "");
        EXPECT_EQ(asked, c.Asked ? std::vector<std::string>{target} : std::vector<std::string>{});
        EXPECT_EQ(Dir.ReadFile("out" + std::to_string(round) + "/" + c.MemberName), c.Content ? c.Content : "");
    }

    // One separator between the folder and the name, also when the folder ends with one.
    const std::string folder = Dir.MakeFolder("slash") + "/";
    std::string path;
    EXPECT_TRUE(TMemberExtraction::Extract(*Member("other.txt", archive), folder, {}, path));
    EXPECT_EQ(path, Dir.PathOf("slash/other.txt"));
    EXPECT_EQ(TMemberExtraction::ArchiveFolder(*Member("other.txt", archive)), Dir.PathOf("zips"));
}

TEST_F(TMemberExtractionTest, FindsAMemberInAFolderByItsStoredName)
{
    const std::string archive = Dir.WriteFile(
        "zips/pack.zip", TestZip::BuildZip({{.Name = "a.txt", .Content = "top\n"},
                                            {.Name = "docs/a.txt", .Content = "in docs\n", .Method = TestZip::Deflated},
                                            {.Name = "../up/x.txt", .Content = "climbs\n"}}));
    using TPlacement = TMemberExtraction::TPlacement;
    struct Case {
        const char* Stored;
        const char* FileName;
        TPlacement Placement;
        const char* Written;  // relative to the folder; null: nothing written
        const char* Content;
    };
    const Case cases[] = {
        {"docs/a.txt", "a.txt", TPlacement::Flat, "a.txt", "in docs\n"},
        {"docs/a.txt", "a.txt", TPlacement::InItsFolders, "docs/a.txt", "in docs\n"},
        {"a.txt", "a.txt", TPlacement::InItsFolders, "a.txt", "top\n"},
        {"../up/x.txt", "x.txt", TPlacement::InItsFolders, "up/x.txt", "climbs\n"},  // never above the folder
        {"docs/gone.txt", "gone.txt", TPlacement::Flat, nullptr, nullptr},
    };
    int round = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.Stored) + (c.Placement == TPlacement::Flat ? " flat" : " in its folders"));
        const std::string folder = Dir.MakeFolder("in" + std::to_string(++round));
        auto member = Member(c.FileName, archive);
        member->MemberName = c.Stored;
        std::string path = "stale";
        EXPECT_EQ(TMemberExtraction::Extract(*member, folder, {}, path, c.Placement), c.Written != nullptr);
        EXPECT_EQ(path, c.Written ? folder + "/" + c.Written : "");
        if (c.Written) {
            EXPECT_EQ(Dir.ReadFile("in" + std::to_string(round) + "/" + c.Written), c.Content);
        }
    }
    EXPECT_FALSE(std::filesystem::exists(Dir.PathOf("up")));
}

} // namespace
