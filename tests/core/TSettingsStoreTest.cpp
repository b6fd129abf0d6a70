// SPDX-License-Identifier: MIT
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "TestDir.h"
#include "model/TSettingsStore.h"
#include "model/TSettingsText.h"

namespace {

using namespace std::string_literals;

const std::string General = "Software\\Quarnel\\Quarnel\\Current Version\\General";
const std::string GeneralLine = "[HKEY_CURRENT_USER\\Software\\Quarnel\\Quarnel\\Current Version\\General]\n";

enum class Kind { Integer, Bool, String };

// What a read gave, as one comparable text: "int:10", "bool:1", "str:abc", "missing", "wrong".
std::string Describe(const TSettingsStore& store, const std::string& path, const std::string& name, Kind kind)
{
    const TSettingsKey key = store.OpenKey(path);
    auto status = [](TSettingsStatus s) { return s == TSettingsStatus::Missing ? "missing"s : "wrong"s; };
    switch (kind) {
    case Kind::Integer: {
        const auto r = key.ReadInteger(name);
        return r.ok() ? "int:" + std::to_string(r.Value) : status(r.Status);
    }
    case Kind::Bool: {
        const auto r = key.ReadBool(name);
        return r.ok() ? "bool:" + std::to_string(r.Value) : status(r.Status);
    }
    case Kind::String: {
        const auto r = key.ReadString(name);
        return r.ok() ? "str:" + r.Value : status(r.Status);
    }
    }
    return {};
}

class TSettingsStoreTest : public ::testing::Test {
protected:
    // Inside folders that do not exist yet, so that a save has to make them.
    std::string FileName() const { return Dir.PathOf("config/Quarnel/settings.reg"); }
    std::string WriteSettings(const std::string& content) { return Dir.WriteFile("config/Quarnel/settings.reg", content); }

    TestDir Dir;
};

TEST_F(TSettingsStoreTest, ReadsTypedValuesByTheirKind)
{
    WriteSettings("REGEDIT4\n\n" + GeneralLine +
                  "\"Expert Mode\"=dword:00000001\n"
                  "\"Match Window\"=dword:0000000A\n"
                  "\"Two\"=dword:2\n"
                  "\"Negative\"=dword:ffffffff\n"
                  "\"Editor command\"=\"vi \\\"$f\\\" +$l\"\n"
                  "\"Folder\"=\"C:\\\\Temp\\\\\"\n"
                  "\"Empty\"=\"\"\n"
                  "\"Binary\"=hex:01,02\n"
                  "\"Lines\"=hex(1):61,0d,0a,62,00\n"
                  "\"Hex4\"=hex(4):2a,01,00,00\n"
                  "@=\"default\"\n");
    const TSettingsStore store(FileName());
    ASSERT_EQ(store.LoadState(), TSettingsStore::TLoadState::Loaded);

    struct Case {
        const char* Path;
        const char* Name;
        Kind Read;
        std::string Expected;
    };
    const std::string upperPath = "SOFTWARE\\quarnel\\Quarnel\\CURRENT VERSION\\general";
    const Case cases[] = {
        {General.c_str(), "Match Window", Kind::Integer, "int:10"},
        {General.c_str(), "Two", Kind::Integer, "int:2"},
        {General.c_str(), "Negative", Kind::Integer, "int:-1"},
        {General.c_str(), "Expert Mode", Kind::Bool, "bool:1"},
        {General.c_str(), "Two", Kind::Bool, "bool:1"},
        {General.c_str(), "Editor command", Kind::String, "str:vi \"$f\" +$l"},
        {General.c_str(), "Folder", Kind::String, "str:C:\\Temp\\"},
        {General.c_str(), "Empty", Kind::String, "str:"},
        {General.c_str(), "Lines", Kind::String, "str:a\r\nb"},
        {General.c_str(), "Hex4", Kind::Integer, "int:298"},
        {General.c_str(), "", Kind::String, "str:default"},
        // Names and key paths ignore letter case.
        {General.c_str(), "EDITOR COMMAND", Kind::String, "str:vi \"$f\" +$l"},
        {General.c_str(), "match window", Kind::Integer, "int:10"},
        {upperPath.c_str(), "Match Window", Kind::Integer, "int:10"},
        // A text where a number is asked for, and the reverse, are the wrong type.
        {General.c_str(), "Editor command", Kind::Integer, "wrong"},
        {General.c_str(), "Editor command", Kind::Bool, "wrong"},
        {General.c_str(), "Match Window", Kind::String, "wrong"},
        {General.c_str(), "Binary", Kind::String, "wrong"},
        {General.c_str(), "Binary", Kind::Integer, "wrong"},
        // Missing values and keys.
        {General.c_str(), "Nothing", Kind::Integer, "missing"},
        {General.c_str(), "Nothing", Kind::Bool, "missing"},
        {General.c_str(), "Nothing", Kind::String, "missing"},
        {General.c_str(), "Match Windo", Kind::Integer, "missing"},
        {"Software\\Quarnel\\Quarnel\\Current Version\\Columns", "Width", Kind::Integer, "missing"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.Path) + " / " + c.Name);
        EXPECT_EQ(Describe(store, c.Path, c.Name, c.Read), c.Expected);
    }
    // A missing text reads as empty for the callers that take it so.
    EXPECT_EQ(store.OpenKey(General).ReadString("Nothing").Value, "");
}

TEST_F(TSettingsStoreTest, OpeningForReadingNeverCreatesAKeyAndWritingCreatesParents)
{
    TSettingsStore store(FileName());
    EXPECT_FALSE(store.OpenKey(General).ok());
    EXPECT_FALSE(store.OpenKey(General).WriteInteger("Match Window", 1));
    EXPECT_FALSE(store.HasPendingWrites());
    EXPECT_TRUE(store.Save());
    EXPECT_FALSE(std::filesystem::exists(FileName())) << "a save with nothing written made a file";

    const TSettingsKey created = store.CreateKey(General);
    ASSERT_TRUE(created.ok());
    EXPECT_TRUE(created.IsWritable());
    ASSERT_TRUE(store.Save());

    const TSettingsStore reloaded(FileName());
    for (const char* path : {"Software", "Software\\Quarnel", "Software\\Quarnel\\Quarnel",
                             "Software\\Quarnel\\Quarnel\\Current Version", General.c_str(), "\\Software\\Quarnel\\"}) {
        SCOPED_TRACE(path);
        const TSettingsKey key = reloaded.OpenKey(path);
        EXPECT_TRUE(key.ok());
        EXPECT_FALSE(key.IsWritable());
        EXPECT_TRUE(key.ValueNames().empty());
    }
    EXPECT_FALSE(reloaded.OpenKey(General + "\\Sub").ok());
    EXPECT_FALSE(reloaded.OpenKey("Software\\Other").ok());
}

TEST_F(TSettingsStoreTest, RefusesKeyPathsAndNamesAFileLineCannotHold)
{
    TSettingsStore store(FileName());
    for (const std::string& path : {""s, "\\"s, "\\\\"s, "a\\\\b"s, "a\0b"s, "a\nb"s, "\\\\a"s}) {
        SCOPED_TRACE(path);
        EXPECT_FALSE(store.CreateKey(path).ok());
        EXPECT_FALSE(store.OpenKey(path).ok());
    }
    const TSettingsKey key = store.CreateKey(General);
    EXPECT_FALSE(key.WriteString("a\nb", "x"));
    EXPECT_FALSE(key.WriteInteger("a\0b"s, 1));
    EXPECT_TRUE(key.WriteString("a\rb", "x"));
    // A text stops at its first NUL, as a zero-terminated string does.
    EXPECT_TRUE(key.WriteString("Text", "ab\0cd"s));
    EXPECT_EQ(key.ReadString("Text").Value, "ab");
}

TEST_F(TSettingsStoreTest, TextsAndNamesSurviveASaveAndALoadUnchanged)
{
    struct Case {
        std::string Name;
        std::string Text;
    };
    std::string allBytes;
    for (int c = 1; c < 256; ++c)
        allBytes += static_cast<char>(c);
    const Case cases[] = {
        {"plain", "Notepad.exe $f"},
        {"empty", ""},
        {"backslashes", "C:\\Program Files\\Editor\\"},
        {"quotes", "say \"hi\" \\\" there"},
        {"ends in a backslash before the quote", "x\\"},
        {"line breaks", "one\r\ntwo\nthree\r"},
        {"a key line smuggled in", "x\"\n[HKEY_CURRENT_USER\\Software\\Evil]\n\"a\"=\"b"},
        {"every byte but NUL", allBytes},
        {"UTF-8 and Windows-1252", "caf\xC3\xA9 na\xEFve"},
        {"long", std::string(5000, 'x') + "\n" + std::string(300, '\\')},
        {"name \"with\" \\quotes\\", "v"},
        {"name\rwith CR", "v"},
        {"NAME", "read under any spelling"},
        {"", "the key's default value"},
    };
    {
        TSettingsStore store(FileName());
        const TSettingsKey key = store.CreateKey(General);
        for (const Case& c : cases)
            ASSERT_TRUE(key.WriteString(c.Name, c.Text)) << c.Name;
        EXPECT_EQ(key.ReadString("Name").Value, "read under any spelling");
        ASSERT_TRUE(store.Save());
    }
    const TSettingsStore reloaded(FileName());
    const TSettingsKey key = reloaded.OpenKey(General);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(Describe(reloaded, General, c.Name, Kind::String), "str:" + c.Text);
    }
    EXPECT_FALSE(reloaded.OpenKey("Software\\Evil").ok());
    // Each line of the file is one line: every key line names a key we wrote.
    const std::string file = Dir.ReadFile("config/Quarnel/settings.reg");
    std::size_t keyLines = 0;
    for (std::size_t at = file.find("\n["); at != std::string::npos; at = file.find("\n[", at + 1))
        ++keyLines;
    EXPECT_EQ(keyLines, 5u); // Software, Quarnel, Quarnel, Current Version, General
}

TEST_F(TSettingsStoreTest, WritesTheRegistryExportFormat)
{
    {
        TSettingsStore store(FileName());
        const TSettingsKey general = store.CreateKey(General);
        general.WriteBool("Expert Mode", true);
        general.WriteString("Editor command", "vi \"$f\"");
        general.WriteInteger("Match Window", 10);
        general.WriteInteger("Minus", -2);
        general.WriteString("Lines", "a\nb");
        store.CreateKey("Software\\Quarnel\\Quarnel\\Current Version\\Columns\\Name").WriteInteger("Width", 120);
        ASSERT_TRUE(store.Save());
    }
    EXPECT_EQ(Dir.ReadFile("config/Quarnel/settings.reg"),
              "REGEDIT4\n"
              "\n"
              "[HKEY_CURRENT_USER\\Software]\n\n"
              "[HKEY_CURRENT_USER\\Software\\Quarnel]\n\n"
              "[HKEY_CURRENT_USER\\Software\\Quarnel\\Quarnel]\n\n"
              "[HKEY_CURRENT_USER\\Software\\Quarnel\\Quarnel\\Current Version]\n\n"
              "[HKEY_CURRENT_USER\\Software\\Quarnel\\Quarnel\\Current Version\\Columns]\n\n"
              "[HKEY_CURRENT_USER\\Software\\Quarnel\\Quarnel\\Current Version\\Columns\\Name]\n"
              "\"Width\"=dword:00000078\n\n"
              "[HKEY_CURRENT_USER\\Software\\Quarnel\\Quarnel\\Current Version\\General]\n"
              "\"Expert Mode\"=dword:00000001\n"
              "\"Editor command\"=\"vi \\\"$f\\\"\"\n"
              "\"Match Window\"=dword:0000000a\n"
              "\"Minus\"=dword:fffffffe\n"
              "\"Lines\"=hex(1):61,0a,62,00\n\n");
}

TEST_F(TSettingsStoreTest, ReadsADamagedFileAsFarAsItCan)
{
    struct Case {
        const char* Name;
        std::string Content;
        std::string Path;
        const char* Value;
        Kind Read;
        std::string Expected;
    };
    const std::string key = GeneralLine;
    const Case cases[] = {
        {"no header", key + "\"A\"=dword:00000003\n", General, "A", Kind::Integer, "int:3"},
        {"CR LF lines and a byte order mark", "\xEF\xBB\xBFREGEDIT4\r\n\r\n" + key.substr(0, key.size() - 1) + "\r\n\"A\"=\"x\"\r\n",
         General, "A", Kind::String, "str:x"},
        {"garbage and binary lines around", "\x01\xff\xfe garbage\n" + key + "junk=\"1\"\n\x80\x81\n\"A\"=dword:1\n\xff\n", General,
         "A", Kind::Integer, "int:1"},
        {"unterminated text is passed over", key + "\"A\"=\"open\n\"B\"=\"ok\"\n", General, "A", Kind::String, "missing"},
        {"the line after an unterminated text is read", key + "\"A\"=\"open\n\"B\"=\"ok\"\n", General, "B", Kind::String,
         "str:ok"},
        {"unterminated name", key + "\"A=\"x\"\n", General, "A", Kind::String, "missing"},
        {"text followed by garbage", key + "\"A\"=\"x\" y\n", General, "A", Kind::String, "missing"},
        {"bad dword digits", key + "\"A\"=dword:12g4\n", General, "A", Kind::Integer, "missing"},
        {"too many dword digits", key + "\"A\"=dword:123456789\n", General, "A", Kind::Integer, "missing"},
        {"empty dword", key + "\"A\"=dword:\n", General, "A", Kind::Integer, "missing"},
        {"bad byte list", key + "\"A\"=hex(1):61,zz,00\n", General, "A", Kind::String, "missing"},
        {"byte list with a trailing comma", key + "\"A\"=hex(1):61,\n", General, "A", Kind::String, "missing"},
        {"continued byte list", key + "\"A\"=hex(1):61,\\\n  62,\\\n  63,00\n\"B\"=dword:2\n", General, "A", Kind::String,
         "str:abc"},
        {"line after a continued byte list", key + "\"A\"=hex(1):61,\\\n  62,00\n\"B\"=dword:2\n", General, "B", Kind::Integer,
         "int:2"},
        {"NUL inside a text ends it", key + "\"A\"=\"ab\0cd\"\n"s, General, "A", Kind::String, "str:ab"},
        {"value before any key", "\"A\"=dword:1\n" + key, General, "A", Kind::Integer, "missing"},
        {"key of another hive", "[HKEY_LOCAL_MACHINE\\Software\\Quarnel\\Quarnel\\Current Version\\General]\n\"A\"=dword:1\n",
         General, "A", Kind::Integer, "missing"},
        {"broken key line ends the key before it", key + "[HKEY_CURRENT_USER\\Other\n\"A\"=dword:1\n", General, "A",
         Kind::Integer, "missing"},
        {"deleted key line", key + "[-HKEY_CURRENT_USER\\Other]\n\"A\"=dword:1\n", General, "A", Kind::Integer, "missing"},
        {"deletion of a value", key + "\"A\"=-\n", General, "A", Kind::Integer, "missing"},
        {"later duplicate wins", key + "\"A\"=dword:1\n\"a\"=\"two\"\n", General, "A", Kind::String, "str:two"},
        {"key given twice", key + "\"A\"=dword:1\n[HKEY_CURRENT_USER\\X]\n" + key + "\"B\"=dword:2\n", General, "A",
         Kind::Integer, "int:1"},
        {"blanks around the equals sign and comments", key + "; comment\n  \"A\" = dword:00000005  \n", General, "A",
         Kind::Integer, "int:5"},
        {"empty file", "", General, "A", Kind::Integer, "missing"},
        {"only NUL bytes", std::string(100, '\0'), General, "A", Kind::Integer, "missing"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        WriteSettings(c.Content);
        TSettingsStore store(FileName());
        EXPECT_EQ(Describe(store, c.Path, c.Value, c.Read), c.Expected);
        // A save rewrites the file cleanly with what was read, and reads back the same.
        store.CreateKey("Software\\Touched");
        ASSERT_TRUE(store.Save());
        const TSettingsStore reloaded(FileName());
        EXPECT_EQ(Describe(reloaded, c.Path, c.Value, c.Read), c.Expected);
        EXPECT_TRUE(reloaded.Tree() == TSettingsText::Parse(TSettingsText::Format(store.Tree())));
    }
}

TEST_F(TSettingsStoreTest, SetsAsideAnOversizedFileAndLeavesAFolderAlone)
{
    const std::string content = "REGEDIT4\n\n" + GeneralLine + "\"A\"=dword:1\n";
    const std::string path = WriteSettings(content);
    ASSERT_EQ(truncate(path.c_str(), static_cast<off_t>(TSettingsStore::MaxFileSize) + 1), 0);
    // Too large to be a settings file of ours: kept whole under a name of its own, and the
    // defaults apply, so that settings are saved again.
    std::string aside;
    {
        TSettingsStore store(path);
        EXPECT_EQ(store.LoadState(), TSettingsStore::TLoadState::SetAside);
        aside = store.SetAsideName();
        EXPECT_FALSE(store.OpenKey(General).ok());
        store.CreateKey(General).WriteInteger("A", 2);
        EXPECT_TRUE(store.Save());
    }
    ASSERT_FALSE(aside.empty());
    EXPECT_EQ(std::filesystem::file_size(aside), TSettingsStore::MaxFileSize + 1);
    TSettingsStore reread(path);
    EXPECT_EQ(reread.LoadState(), TSettingsStore::TLoadState::Loaded);
    EXPECT_EQ(Describe(reread, General, "A", Kind::Integer), "int:2");

    // A folder where the file should be.
    const std::string folder = Dir.MakeFolder("folder.reg");
    TSettingsStore store(folder);
    EXPECT_EQ(store.LoadState(), TSettingsStore::TLoadState::Unreadable);
    store.CreateKey(General);
    EXPECT_FALSE(store.Save());
    EXPECT_TRUE(std::filesystem::is_directory(folder));
}

// A key line of `depth` names of `nameLength` letters each below HKEY_CURRENT_USER.
std::string KeyLineOfDepth(std::size_t depth, std::size_t nameLength)
{
    std::string line = "[HKEY_CURRENT_USER";
    for (std::size_t i = 0; i < depth; ++i)
        line += "\\" + std::string(nameLength, 'k');
    return line + "]\n\"Deep\"=dword:00000001\n";
}

// The names in the settings folder other than the settings file and its lock.
std::vector<std::string> SetAsideFiles(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name != "settings.reg" && name != "settings.reg.lock")
            names.push_back(name);
    }
    return names;
}

TEST_F(TSettingsStoreTest, SetsAsideAFileWithAKeyPastTheLimits)
{
    const std::size_t depth = TSettingsTree::MaxKeyDepth;
    const std::size_t length = TSettingsTree::MaxKeyNameLength;
    struct Case {
        const char* Name;
        std::string DeepKey;
        bool SetAside;
    };
    const Case cases[] = {
        {"a key at the deepest level allowed", KeyLineOfDepth(depth, 2), false},
        {"a name of the longest length allowed", KeyLineOfDepth(2, length), false},
        {"a key one level too deep", KeyLineOfDepth(depth + 1, 2), true},
        {"a name one letter too long", KeyLineOfDepth(2, length + 1), true},
        // About 200 KB: with a copy of the path per level it once grew to gigabytes.
        {"a key a hundred thousand levels deep", KeyLineOfDepth(100000, 1), true},
    };
    const std::string folder = Dir.PathOf("config/Quarnel");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        std::filesystem::remove_all(folder);
        const std::string content = "REGEDIT4\n\n" + GeneralLine + "\"Expert Mode\"=dword:00000001\n\n" + c.DeepKey;
        WriteSettings(content);
        {
            TSettingsStore store(FileName());
            if (!c.SetAside) {
                EXPECT_EQ(store.LoadState(), TSettingsStore::TLoadState::Loaded);
                EXPECT_EQ(Describe(store, General, "Expert Mode", Kind::Bool), "bool:1");
                EXPECT_TRUE(store.SetAsideName().empty());
                EXPECT_TRUE(SetAsideFiles(folder).empty());
                continue;
            }
            // The defaults apply: nothing of the file is read.
            EXPECT_EQ(store.LoadState(), TSettingsStore::TLoadState::SetAside);
            EXPECT_FALSE(store.OpenKey(General).ok());
            EXPECT_FALSE(std::filesystem::exists(FileName()));
            ASSERT_EQ(SetAsideFiles(folder).size(), 1u);
            EXPECT_EQ(store.SetAsideName(), folder + "/" + SetAsideFiles(folder).front());
            EXPECT_EQ(store.SetAsideName().rfind(FileName() + ".set-aside-", 0), 0u) << store.SetAsideName();
            store.CreateKey(General).WriteInteger("Match Window", 3);
            // Saved when the store goes, as at the window's close.
        }
        if (!c.SetAside)
            continue;
        // The close wrote a new file and left the old one as it was.
        const std::vector<std::string> aside = SetAsideFiles(folder);
        ASSERT_EQ(aside.size(), 1u);
        EXPECT_EQ(Dir.ReadFile("config/Quarnel/" + aside.front()), content);
        const TSettingsStore reloaded(FileName());
        EXPECT_EQ(reloaded.LoadState(), TSettingsStore::TLoadState::Loaded);
        EXPECT_EQ(Describe(reloaded, General, "Match Window", Kind::Integer), "int:3");
        EXPECT_EQ(Describe(reloaded, General, "Expert Mode", Kind::Bool), "missing");

        // A second bad file is set aside beside the first, which stays.
        WriteSettings(content);
        const TSettingsStore again(FileName());
        EXPECT_EQ(again.LoadState(), TSettingsStore::TLoadState::SetAside);
        EXPECT_EQ(SetAsideFiles(folder).size(), 2u);
    }
}

TEST_F(TSettingsStoreTest, ASaveSetsAsideABadFilePutThereAfterTheLoad)
{
    WriteSettings("REGEDIT4\n\n" + GeneralLine + "\"A\"=dword:1\n");
    TSettingsStore store(FileName());
    const std::string bad = "REGEDIT4\n\n" + KeyLineOfDepth(TSettingsTree::MaxKeyDepth + 1, 1);
    WriteSettings(bad);
    store.CreateKey(General).WriteInteger("B", 2);
    ASSERT_TRUE(store.Save());
    EXPECT_FALSE(store.SetAsideName().empty());
    EXPECT_EQ(Dir.ReadFile("config/Quarnel/" + SetAsideFiles(Dir.PathOf("config/Quarnel")).front()), bad);
    const TSettingsStore reloaded(FileName());
    EXPECT_EQ(Describe(reloaded, General, "B", Kind::Integer), "int:2");
}

// Code can neither make nor open a key the file could not hold.
TEST_F(TSettingsStoreTest, RefusesKeysPastTheLimits)
{
    TSettingsStore store(FileName());
    std::string deep = "Software";
    for (std::size_t i = 1; i < TSettingsTree::MaxKeyDepth; ++i)
        deep += "\\k";
    EXPECT_TRUE(store.CreateKey(deep).ok());
    EXPECT_FALSE(store.CreateKey(deep + "\\k").ok());
    EXPECT_FALSE(store.CreateKey("Software\\" + std::string(TSettingsTree::MaxKeyNameLength + 1, 'n')).ok());
}

TEST_F(TSettingsStoreTest, SaveReplacesTheFileWholeAndKeepsItsPermissions)
{
    const std::string path = WriteSettings("REGEDIT4\n\n" + GeneralLine + "\"A\"=dword:1\n");
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    {
        TSettingsStore store(path);
        store.CreateKey(General).WriteInteger("B", 2);
        // Not saved explicitly: the store saves pending writes when it goes.
    }
    struct stat info;
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    const TSettingsStore reloaded(path);
    EXPECT_EQ(Describe(reloaded, General, "A", Kind::Integer), "int:1");
    EXPECT_EQ(Describe(reloaded, General, "B", Kind::Integer), "int:2");

    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(Dir.PathOf("config/Quarnel")))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"settings.reg", "settings.reg.lock"})) << "a temporary file was left";

    // A new file and its new folders are private to the user.
    TSettingsStore fresh(Dir.PathOf("new/Quarnel/settings.reg"));
    fresh.CreateKey(General);
    ASSERT_TRUE(fresh.Save());
    ASSERT_EQ(stat(Dir.PathOf("new/Quarnel/settings.reg").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    ASSERT_EQ(stat(Dir.PathOf("new/Quarnel").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
}

// Two program windows are two stores on one file: each loads at its start and saves at its exit.
TEST_F(TSettingsStoreTest, TwoWindowsKeepEachOthersValuesAndTheLastSaveWins)
{
    WriteSettings("REGEDIT4\n\n" + GeneralLine + "\"Kept\"=\"from before\"\n\"Shared\"=dword:0\n");
    struct Case {
        const char* Name;
        bool FirstSavesFirst;
        std::string ExpectedShared;
    };
    const Case cases[] = {
        {"first window exits first", true, "int:2"},
        {"second window exits first", false, "int:1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string before = Dir.ReadFile("config/Quarnel/settings.reg");
        TSettingsStore first(FileName());
        TSettingsStore second(FileName());
        first.CreateKey(General).WriteInteger("Shared", 1);
        first.CreateKey(General).WriteBool("Only First", true);
        first.CreateKey(TSettingsStore::KeyPath("Replace Options")).WriteString("Replace String", "one");
        second.CreateKey(General).WriteInteger("Shared", 2);
        second.CreateKey(TSettingsStore::KeyPath("RTF Data")).WriteBool("Title", false);
        // Each window reads its own writes, not the other's until it saves.
        EXPECT_EQ(Describe(first, General, "Shared", Kind::Integer), "int:1");
        EXPECT_EQ(Describe(second, General, "Only First", Kind::Bool), "missing");

        TSettingsStore& early = c.FirstSavesFirst ? first : second;
        TSettingsStore& late = c.FirstSavesFirst ? second : first;
        ASSERT_TRUE(early.Save());
        ASSERT_TRUE(late.Save());

        const TSettingsStore after(FileName());
        EXPECT_EQ(Describe(after, General, "Kept", Kind::String), "str:from before");
        EXPECT_EQ(Describe(after, General, "Only First", Kind::Bool), "bool:1");
        EXPECT_EQ(Describe(after, TSettingsStore::KeyPath("Replace Options"), "Replace String", Kind::String), "str:one");
        EXPECT_EQ(Describe(after, TSettingsStore::KeyPath("RTF Data"), "Title", Kind::Bool), "bool:0");
        EXPECT_EQ(Describe(after, General, "Shared", Kind::Integer), c.ExpectedShared);
        // The later saver now also sees what the earlier one saved.
        EXPECT_TRUE(late.Tree() == after.Tree());
        WriteSettings(before);
    }
}

TEST_F(TSettingsStoreTest, ConcurrentSavesOfManyProcessesLoseNothing)
{
    constexpr int Processes = 6;
    constexpr int SavesEach = 15;
    std::vector<pid_t> children;
    for (int p = 0; p < Processes; ++p) {
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            bool ok = true;
            for (int i = 0; i < SavesEach; ++i) {
                TSettingsStore store(FileName());
                const std::string path = "Software\\Test\\Process " + std::to_string(p);
                ok = store.CreateKey(path).WriteInteger("Save " + std::to_string(i), i) && ok;
                ok = store.Save() && ok;
            }
            _exit(ok ? 0 : 1);
        }
        children.push_back(pid);
    }
    for (const pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    const TSettingsStore store(FileName());
    for (int p = 0; p < Processes; ++p)
        for (int i = 0; i < SavesEach; ++i)
            EXPECT_EQ(Describe(store, "Software\\Test\\Process " + std::to_string(p), "Save " + std::to_string(i), Kind::Integer),
                      "int:" + std::to_string(i))
                << "process " << p << ", save " << i;
}

TEST(TSettingsStoreFolderTest, FindsThePerUserConfigurationFolder)
{
    struct Case {
        const char* XdgHome; // XDG_CONFIG_HOME, or XDG_DATA_HOME for the data folder
        const char* Home;
        std::string ExpectedConfig;
        std::string ExpectedData;
    };
    const Case cases[] = {
        {"/cfg", "/home/u", "/cfg/Quarnel", "/cfg/Quarnel"},
        {nullptr, "/home/u", "/home/u/.config/Quarnel", "/home/u/.local/share/Quarnel"},
        {"", "/home/u", "/home/u/.config/Quarnel", "/home/u/.local/share/Quarnel"},
        {"relative/cfg", "/home/u", "/home/u/.config/Quarnel", "/home/u/.local/share/Quarnel"},
        {"/cfg", nullptr, "/cfg/Quarnel", "/cfg/Quarnel"},
        {nullptr, "", "", ""},
        {nullptr, nullptr, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.XdgHome ? c.XdgHome : "(unset)") + " " + (c.Home ? c.Home : "(unset)"));
        EXPECT_EQ(TSettingsStore::ConfigFolder(c.XdgHome, c.Home), c.ExpectedConfig);
        EXPECT_EQ(TSettingsStore::DataFolder(c.XdgHome, c.Home), c.ExpectedData);
    }
    // The test runner points XDG_CONFIG_HOME at the build folder; nothing is written there.
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/') {
        EXPECT_EQ(TSettingsStore::DefaultFileName(), std::string(xdg) + "/Quarnel/settings.reg");
    }
}

} // namespace
