// SPDX-License-Identifier: MIT
#include <sys/stat.h>

#include <cstdlib>
#include <gtest/gtest.h>
#include <string>

#include "TestDir.h"
#include "model/TConfigFolder.h"
#include "model/TProfile.h"
#include "model/TSettingsStore.h"

namespace {

mode_t ModeOf(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

// The configuration folder points into a test folder; the usual umask applies.
class TConfigFolderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* saved = std::getenv("XDG_CONFIG_HOME");
        SavedConfigHome = saved ? saved : "";
        setenv("XDG_CONFIG_HOME", Dir.Path().c_str(), 1);
        SavedMask = umask(022);
    }
    void TearDown() override
    {
        setenv("XDG_CONFIG_HOME", SavedConfigHome.c_str(), 1);
        umask(SavedMask);
    }

    static bool WriteParameter(const std::string& fileName, const std::string& value)
    {
        TProfile profile;
        profile.FileName = fileName;
        profile.Section = "General Search Parameters";
        profile.Entry = "Search String";
        return profile.SetText(value);
    }
    static bool SaveSetting(const std::string& fileName)
    {
        TSettingsStore store(fileName);
        store.CreateKey(TSettingsStore::KeyPath("General")).WriteString("Editor command", "vi $f");
        return store.Save();
    }

    TestDir Dir;
    std::string SavedConfigHome;
    mode_t SavedMask = 022;
};

TEST_F(TConfigFolderTest, TheFolderAndTheFilesWrittenThereAreTheUsersAlone)
{
    const std::string folder = TSettingsStore::ConfigFolder();
    ASSERT_EQ(folder, Dir.PathOf("Quarnel"));
    const std::string parameters = folder + "/default.par";
    const std::string settings = TSettingsStore::DefaultFileName();

    // A first start: nothing exists yet.
    ASSERT_TRUE(TConfigFolder::MakePrivate(folder));
    ASSERT_TRUE(WriteParameter(parameters, "secret"));
    ASSERT_TRUE(SaveSetting(settings));
    EXPECT_EQ(ModeOf(folder), 0700u);
    for (const std::string& file : {parameters, settings, settings + ".lock"})
        EXPECT_EQ(ModeOf(file), 0600u) << file;

    // Left readable by others by an earlier version: narrowed on the next write, also when the
    // value written is the one already there.
    for (const std::string& file : {parameters, settings, settings + ".lock"})
        ASSERT_EQ(chmod(file.c_str(), 0644), 0);
    ASSERT_EQ(chmod(folder.c_str(), 0755), 0);
    ASSERT_TRUE(TConfigFolder::MakePrivate(folder));
    EXPECT_EQ(ModeOf(folder), 0700u);
    ASSERT_TRUE(WriteParameter(parameters, "secret"));
    ASSERT_TRUE(SaveSetting(settings));
    for (const std::string& file : {parameters, settings, settings + ".lock"})
        EXPECT_EQ(ModeOf(file), 0600u) << file;

    // The store makes the folder private too when it saves.
    ASSERT_EQ(chmod(folder.c_str(), 0755), 0);
    ASSERT_TRUE(SaveSetting(settings));
    EXPECT_EQ(ModeOf(folder), 0700u);
}

TEST_F(TConfigFolderTest, ParameterFilesElsewhereKeepTheUsualRules)
{
    const std::string saved = Dir.PathOf("mine.par");
    ASSERT_TRUE(WriteParameter(saved, "shared"));
    EXPECT_EQ(ModeOf(saved), 0644u);
    ASSERT_EQ(chmod(saved.c_str(), 0664), 0);
    ASSERT_TRUE(WriteParameter(saved, "changed"));
    EXPECT_EQ(ModeOf(saved), 0664u);

    EXPECT_FALSE(TConfigFolder::Holds(saved));
    EXPECT_TRUE(TConfigFolder::Holds(Dir.PathOf("Quarnel/default.par")));
    EXPECT_FALSE(TConfigFolder::Holds(Dir.PathOf("Quarnel/sub/default.par")));
    EXPECT_FALSE(TConfigFolder::MakePrivate(Dir.WriteFile("file", "")));
}

} // namespace
