// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "model/TDateFormat.h"
#include "model/TFileData.h"
#include "model/TFileList.h"
#include "model/TSettingsKey.h"
#include "model/TSettingsStore.h"
#include "presentation/TFileListColumns.h"
#include "presentation/TFileListCsv.h"

namespace {

using C = TFileListColumns;

// The fields a row shows or sorts by; everything else stays as a missing file leaves it.
struct TRecordSpec {
    std::string Name;
    uint8_t FileType = TFileData::Text;
    std::string TypeName;
    std::string Folder = "/data";
    int Matches = 1;
    int64_t Size = 0;
    TDateTime Date;
    bool InZip = false;
    std::string ZipName;
};

// Builds a TRecordSpec field by field: R("a.txt").Size(10).Folder("/x").
struct R {
    TRecordSpec Spec;
    explicit R(std::string name) { Spec.Name = std::move(name); }
    R& FileType(uint8_t v) { Spec.FileType = v; return *this; }
    R& TypeName(std::string v) { Spec.TypeName = std::move(v); return *this; }
    R& Folder(std::string v) { Spec.Folder = std::move(v); return *this; }
    R& Matches(int v) { Spec.Matches = v; return *this; }
    R& Size(int64_t v) { Spec.Size = v; return *this; }
    R& Date(TDateTime v) { Spec.Date = v; return *this; }
    R& InZip(bool v) { Spec.InZip = v; return *this; }
    R& ZipName(std::string v) { Spec.ZipName = std::move(v); return *this; }
    operator TRecordSpec() const { return Spec; }
};

std::unique_ptr<TFileData> MakeRecord(const TRecordSpec& spec)
{
    TNullShellInfo shell;
    auto record = std::make_unique<TFileData>("/nonexistent-folder", spec.Name, shell);
    record->FileName = spec.Name;
    record->FileType = spec.FileType;
    record->TypeName = spec.TypeName;
    record->Folder = spec.Folder;
    for (int i = 0; i < spec.Matches; ++i)
        record->Matches.emplace_back(i + 1, 10, 1, 2);
    record->Size = spec.Size;
    record->Date = spec.Date;
    record->InZip = spec.InZip;
    record->ZipName = spec.ZipName;
    return record;
}

std::vector<std::string> Names(const TFileList& list)
{
    std::vector<std::string> names;
    for (std::size_t i = 0; i < list.Count(); ++i)
        names.push_back(list.Item(i).FileName);
    return names;
}

int Sign(int value)
{
    return (value > 0) - (value < 0);
}

class FileListColumnsTest : public testing::Test {
protected:
    void SetUp() override { TDateFormat::SetProgram(TDateFormat(TDateFormat::Order::DayMonthYear, '/')); }
};

TEST_F(FileListColumnsTest, CaptionsWidthsAlignmentAndSortKeys)
{
    struct Case {
        int Column;
        const char* Caption;
        int Width;
        bool Right;
        int Key;
    };
    const Case cases[] = {
        {C::Name, "Name", 100, false, C::ByName},
        {C::TextOrBinary, "T", 20, false, C::ByFileType},
        {C::Type, "Type", 150, false, C::ByTypeName},
        {C::Folder, "Folder", 150, false, C::ByFolder},
        {C::Matches, "Matches", 60, true, C::ByMatchCount},
        {C::Size, "Size", 70, true, C::BySize},
        {C::DateTime, "Date/Time", 0, false, C::ByDate},
        {-1, "", 0, false, C::NoSort},
        {7, "", 0, false, C::NoSort},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Column);
        EXPECT_EQ(C::Caption(c.Column), c.Caption);
        EXPECT_EQ(C::InitialWidth(c.Column), c.Width);
        EXPECT_EQ(C::IsRightAligned(c.Column), c.Right);
        EXPECT_EQ(C::SortKeyForColumn(c.Column), c.Key);
        if (c.Key != C::NoSort) {
            EXPECT_EQ(C::SortKeyForCaption(c.Caption), c.Key);
        }
    }
    EXPECT_EQ(C::SortKeyForCaption("name"), C::NoSort);
    EXPECT_EQ(C::SortKeyForCaption(""), C::NoSort);
}

TEST_F(FileListColumnsTest, ColumnTexts)
{
    struct Case {
        const char* What;
        TRecordSpec Spec;
        std::vector<std::string> Texts; // columns 0 to 6
    };
    const Case cases[] = {
        {"text file with a time",
         R("readme.txt").TypeName("Plain text").Folder("/home/u/docs").Matches(3).Size(1234).Date(
             TDateTime::FromYMDHMS(2024, 3, 7, 13, 5, 9)),
         {"readme.txt", "T", "Plain text", "/home/u/docs", "3", "1234", "07/03/2024 13:05:09"}},
        {"binary file at midnight",
         R("a.bin").FileType(TFileData::Binary).TypeName("Binary").Folder("/b").Date(TDateTime::FromYMD(1999, 12, 31)),
         {"a.bin", "B", "Binary", "/b", "1", "0", "31/12/1999"}},
        {"unreadable file shows B",
         R("locked").FileType(TFileData::Unknown).Folder("/c").Date(TDateTime::FromYMD(2001, 1, 2)),
         {"locked", "B", "", "/c", "1", "0", "02/01/2001"}},
        {"ZIP member shows the archive, not the extraction folder",
         R("inner.txt").TypeName("Plain text").Folder("/tmp/~quarnel.t").Matches(2).Size(99).Date(
             TDateTime::FromYMDHMS(2020, 6, 1, 0, 0, 1)).InZip(true).ZipName("/data/pack.zip"),
         {"inner.txt", "T", "Plain text", "/data/pack.zip", "2", "99", "01/06/2020 00:00:01"}},
        {"size past 4 GiB is shown in full",
         R("big.iso").FileType(TFileData::Binary).TypeName("Disk image").Folder("/iso").Size(5368709120LL).Date(
             TDateTime::FromYMD(2010, 10, 10)),
         {"big.iso", "B", "Disk image", "/iso", "1", "5368709120", "10/10/2010"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        const auto record = MakeRecord(c.Spec);
        for (int column = 0; column < C::ColumnCount; ++column)
            EXPECT_EQ(C::Text(*record, column), c.Texts[column]) << "column " << column;
        EXPECT_EQ(C::Text(*record, 7), "");
    }
}

TEST_F(FileListColumnsTest, CsvRowQuotesTheColumnTexts)
{
    const auto record = MakeRecord(R("inner.txt").TypeName("Plain text").Folder("/tmp/x").Matches(2).Size(99).Date(
        TDateTime::FromYMDHMS(2020, 6, 1, 8, 30, 0)).InZip(true).ZipName("/data/p,q.zip"));
    EXPECT_EQ(TFileListCsv::Row(*record),
              "\"inner.txt\",\"T\",\"Plain text\",\"/data/p,q.zip\",2,99,\"01/06/2020 08:30:00\"");
    const auto binary = MakeRecord(R("a\"b").FileType(TFileData::Binary).Folder("/f").Size(7).Date(TDateTime::FromYMD(2000, 1, 1)));
    EXPECT_EQ(TFileListCsv::Row(*binary), "\"a\"b\",\"B\",\"\",\"/f\",1,7,\"01/01/2000\"");
}

TEST_F(FileListColumnsTest, CompareFoldedFoldsOnlyAsciiLetters)
{
    struct Case {
        std::string A, B;
        int Expected;
    };
    const Case cases[] = {
        {"abc", "ABC", 0},
        {"a", "B", -1},
        {"Zeta", "alpha", 1},
        {"ab", "abc", -1},
        {"", "", 0},
        {"", "a", -1},
        // '_' (95) lies after the upper-case letters it is compared with.
        {"_x", "ax", 1},
        {"[", "z", 1},
        // Bytes above 127 are not folded and compare unsigned.
        {"\xc3\xa9", "\xc3\x89", 1},
        {"\xff", "a", 1},
        {std::string("a\0b", 3), std::string("a\0c", 3), -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.A + " vs " + c.B);
        EXPECT_EQ(C::CompareFolded(c.A, c.B), c.Expected);
        EXPECT_EQ(C::CompareFolded(c.B, c.A), -c.Expected);
    }
}

TEST_F(FileListColumnsTest, ComparisonsWithTiesInBothDirections)
{
    const TDateTime older = TDateTime::FromYMD(2020, 1, 1);
    const TDateTime newer = TDateTime::FromYMDHMS(2020, 1, 1, 0, 0, 1);
    struct Case {
        const char* What;
        int Key;
        TRecordSpec A, B;
        int Ascending; // sign of Compare(a, b) ascending; descending is its negation unless a tie
        int Descending;
    };
    const Case cases[] = {
        {"name A to Z, case ignored", C::ByName, R("apple"), R("Banana"), -1, 1},
        {"name equal but for case", C::ByName, R("File"), R("FILE"), 0, 0},
        {"binary before text", C::ByFileType, R("z").FileType(TFileData::Binary),
         R("a").FileType(TFileData::Text), -1, 1},
        {"text before unreadable", C::ByFileType, R("z").FileType(TFileData::Text),
         R("a").FileType(TFileData::Unknown), -1, 1},
        {"same class ties by name", C::ByFileType, R("b").FileType(TFileData::Text),
         R("a").FileType(TFileData::Text), 1, 1},
        {"folder A to Z", C::ByFolder, R("z").Folder("/a"), R("a").Folder("/B"), -1, 1},
        {"folder of a ZIP member is its extraction folder", C::ByFolder,
         R("z").Folder("/tmp/~quarnel.t").InZip(true).ZipName("/a/a.zip"),
         R("a").Folder("/data"), 1, -1},
        {"same folder ties by name", C::ByFolder, R("a").Folder("/x"), R("B").Folder("/X"), -1, -1},
        {"type name A to Z", C::ByTypeName, R("z").TypeName("HTML"), R("a").TypeName("text"), -1, 1},
        {"same type ties by name", C::ByTypeName, R("b").TypeName("T"), R("a").TypeName("T"), 1, 1},
        {"newest first", C::ByDate, R("z").Date(newer), R("a").Date(older), -1, 1},
        {"same date ties by name", C::ByDate, R("a").Date(older), R("b").Date(older), -1, -1},
        {"largest first", C::BySize, R("z").Size(10), R("a").Size(9), -1, 1},
        {"sizes past 2 GiB stay larger", C::BySize, R("z").Size(3000000000LL),
         R("a").Size(5), -1, 1},
        {"same size ties by name", C::BySize, R("b").Size(4), R("a").Size(4), 1, 1},
        {"most matches first", C::ByMatchCount, R("z").Matches(5), R("a").Matches(2), -1, 1},
        {"same count ties by name", C::ByMatchCount, R("a").Matches(2), R("b").Matches(2), -1, -1},
        {"full tie", C::BySize, R("a").Size(1), R("A").Size(1), 0, 0},
        {"unknown key", 8, R("a"), R("b"), 0, 0},
        {"no key", C::NoSort, R("a"), R("b"), 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        const auto a = MakeRecord(c.A);
        const auto b = MakeRecord(c.B);
        EXPECT_EQ(Sign(C::Compare(*a, *b, c.Key, false)), c.Ascending);
        EXPECT_EQ(Sign(C::Compare(*a, *b, c.Key, true)), c.Descending);
        EXPECT_EQ(Sign(C::Compare(*b, *a, c.Key, false)), -c.Ascending);
        EXPECT_EQ(Sign(C::Compare(*b, *a, c.Key, true)), -c.Descending);
    }
}

TEST_F(FileListColumnsTest, SortStateReversesOnlyTheSameKey)
{
    struct Case {
        const char* What;
        std::vector<int> Clicks;
        bool Descending;
    };
    const Case cases[] = {
        {"first click", {C::BySize}, false},
        {"second click on the same key", {C::BySize, C::BySize}, true},
        {"third click", {C::BySize, C::BySize, C::BySize}, false},
        {"another key starts ascending", {C::ByName, C::ByName, C::BySize}, false},
        {"back to a key used before", {C::ByName, C::BySize, C::ByName}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        C::TSortState state;
        EXPECT_EQ(state.SortColumn, C::NoSort);
        EXPECT_FALSE(state.SortDescending);
        for (int key : c.Clicks)
            state.Choose(key);
        EXPECT_EQ(state.SortColumn, c.Clicks.back());
        EXPECT_EQ(state.SortDescending, c.Descending);
    }
}

TEST_F(FileListColumnsTest, SortingTheListByClicks)
{
    TFileList list;
    const TRecordSpec specs[] = {
        R("c.txt").Folder("/tmp/~quarnel.t").Size(50).InZip(true).ZipName("/a/z.zip"),
        R("B.txt").Folder("/m").Size(50),
        R("a.txt").Folder("/n").Size(10),
        R("d.txt").Folder("/tmp/~quarnel.t").Size(70).InZip(true).ZipName("/a/z.zip"),
        R("e.txt").Folder("/a").Size(10),
    };
    for (const TRecordSpec& spec : specs)
        list.Add(MakeRecord(spec));
    const TFileData* first = &list.Item(0);

    struct Step {
        int Key;
        std::vector<std::string> Order;
    };
    const Step steps[] = {
        // Equal sizes come in name order in both directions.
        {C::BySize, {"d.txt", "B.txt", "c.txt", "a.txt", "e.txt"}},
        {C::BySize, {"a.txt", "e.txt", "B.txt", "c.txt", "d.txt"}},
        {C::ByName, {"a.txt", "B.txt", "c.txt", "d.txt", "e.txt"}},
        {C::ByName, {"e.txt", "d.txt", "c.txt", "B.txt", "a.txt"}},
        // Size after Name starts largest first, whatever Name's direction was.
        {C::BySize, {"d.txt", "B.txt", "c.txt", "a.txt", "e.txt"}},
        // ZIP members sort together by their extraction folder.
        {C::ByFolder, {"e.txt", "B.txt", "a.txt", "c.txt", "d.txt"}},
    };
    C::TSortState state;
    for (const Step& step : steps) {
        state.Choose(step.Key);
        C::Sort(list, state.SortColumn, state.SortDescending);
        EXPECT_EQ(Names(list), step.Order) << "key " << step.Key << (state.SortDescending ? " descending" : "");
    }
    // The records are moved, not copied: pointers held by the view stay valid.
    bool found = false;
    for (std::size_t i = 0; i < list.Count(); ++i)
        found = found || &list.Item(i) == first;
    EXPECT_TRUE(found);
}

TEST_F(FileListColumnsTest, SortKeepsTheOrderOfFullTies)
{
    TFileList list;
    for (int i = 0; i < 40; ++i)
        list.Add(MakeRecord(R("same").TypeName(std::to_string(i)).Size(i % 2)));
    C::Sort(list, C::BySize, false);
    std::vector<int> odd, even;
    for (std::size_t i = 0; i < list.Count(); ++i)
        (list.Item(i).Size ? odd : even).push_back(std::stoi(list.Item(i).TypeName));
    EXPECT_TRUE(std::is_sorted(odd.begin(), odd.end()));
    EXPECT_TRUE(std::is_sorted(even.begin(), even.end()));
    EXPECT_EQ(list.Item(0).Size, 1);

    C::Sort(list, 0, false); // no key: nothing moves
    EXPECT_EQ(list.Item(0).Size, 1);
}

// Column widths live in the settings store; an in-memory store is enough to check the keys.
struct TWidthStore {
    TSettingsStore Store{""};

    TSettingsKey Key(const char* caption)
    {
        return Store.CreateKey(std::string(TSettingsStore::SettingsRoot) + "\\Columns\\" + caption);
    }
};

TEST(ColumnWidthsTest, SaveWritesTheFirstSixColumnsAndLoadReadsThemBack)
{
    TSettingsStore Store{""};
    C::TWidths saved = {110, 0, 200, 300, 61, 72};
    EXPECT_TRUE(C::SaveWidths(Store, saved));
    const char* captions[] = {"Name", "T", "Type", "Folder", "Matches", "Size"};
    for (int column = 0; column < C::StoredColumnCount; ++column) {
        const TSettingsKey key = Store.OpenKey(std::string(TSettingsStore::SettingsRoot) + "\\Columns\\" + captions[column]);
        ASSERT_TRUE(key.ok()) << captions[column];
        EXPECT_EQ(key.ReadInteger("Width").Value, saved[column]);
    }
    EXPECT_FALSE(Store.OpenKey(TSettingsStore::KeyPath("Columns\\Date/Time")).ok());

    C::TWidths loaded = C::InitialWidths();
    EXPECT_TRUE(C::LoadWidths(Store, loaded));
    EXPECT_EQ(loaded, saved);
}

TEST(ColumnWidthsTest, LoadStopsAtTheFirstUnreadableWidth)
{
    struct Case {
        const char* What;
        void (*Prepare)(TWidthStore&);
        bool Complete;
        C::TWidths Expected;
    };
    const Case cases[] = {
        {"nothing stored keeps the initial widths", [](TWidthStore&) {}, true, {100, 20, 150, 150, 60, 70}},
        {"a missing key is skipped",
         [](TWidthStore& t) {
             t.Key("Name").WriteInteger("Width", 5);
             t.Key("Size").WriteInteger("Width", 6);
         },
         true, {5, 20, 150, 150, 60, 6}},
        {"a key without Width stops the loading",
         [](TWidthStore& t) {
             t.Key("Name").WriteInteger("Width", 5);
             t.Key("T");
             t.Key("Type").WriteInteger("Width", 7);
         },
         false, {5, 20, 150, 150, 60, 70}},
        {"a text width stops the loading",
         [](TWidthStore& t) {
             t.Key("Type").WriteString("Width", "80");
             t.Key("Size").WriteInteger("Width", 7);
         },
         false, {100, 20, 150, 150, 60, 70}},
        {"a negative width stops the loading",
         [](TWidthStore& t) {
             t.Key("Folder").WriteInteger("Width", -1);
             t.Key("Size").WriteInteger("Width", 7);
         },
         false, {100, 20, 150, 150, 60, 70}},
        {"a zero width is kept",
         [](TWidthStore& t) { t.Key("Matches").WriteInteger("width", 0); }, true, {100, 20, 150, 150, 0, 70}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        TWidthStore fresh;
        c.Prepare(fresh);
        C::TWidths widths = C::InitialWidths();
        EXPECT_EQ(C::LoadWidths(fresh.Store, widths), c.Complete);
        EXPECT_EQ(widths, c.Expected);
    }
}

} // namespace
