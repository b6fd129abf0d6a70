// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "TestDir.h"
#include "TestZip.h"
#include "engine/TZipExtractor.h"

namespace fs = std::filesystem;

namespace {

using namespace TestZip;

// Overwrites bytes of the end record, counted from its signature.
std::string PatchEnd(std::string zip, std::size_t field, uint32_t value, int width)
{
    const std::size_t end = zip.rfind(std::string("PK\x05\x06", 4));
    for (int i = 0; i < width; ++i)
        zip[end + field + static_cast<std::size_t>(i)] = static_cast<char>((value >> (8 * i)) & 0xFF);
    return zip;
}

// Every file below `folder`, relative path to content.
std::map<std::string, std::string> Files(const std::string& folder)
{
    std::map<std::string, std::string> files;
    for (const auto& item : fs::recursive_directory_iterator(folder)) {
        if (item.is_regular_file()) {
            std::ifstream in(item.path(), std::ios::binary);
            files[fs::relative(item.path(), folder).string()] = std::string(std::istreambuf_iterator<char>(in), {});
        }
    }
    return files;
}

// An archive in `dir` and an empty target folder beside it.
struct Scene {
    TestDir Dir;
    TZipExtractor Zip;
    explicit Scene(const std::string& archive)
    {
        Zip.ZipFileName = Dir.WriteFile("archive.zip", archive);
        Zip.TargetDirectory = Dir.MakeFolder("target");
    }
    std::map<std::string, std::string> Extracted() const { return Files(Zip.TargetDirectory); }
};

// ---- Tests ----

TEST(TZipExtractor, LegacyFixturesDecodeToTheirKnownContent)
{
    struct Case {
        const char* Archive;
        const char* Member;
    };
    const Case cases[] = {
        {"zip/zip2-legacy-shrink.zip", "FIRST.TXT"},
        {"zip/zip2-legacy-implode.zip", "first.txt"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Archive);
        TestDir dir;
        TZipExtractor zip;
        zip.ZipFileName = dir.WriteFile("archive.zip", ReadTestData(c.Archive));
        zip.TargetDirectory = dir.MakeFolder("target");
        EXPECT_EQ(zip.Extract(), 1);
        const std::string content = dir.ReadFile(std::string("target/") + c.Member);
        EXPECT_EQ(content.size(), 1092u);
        EXPECT_EQ(Crc32(content), 0x22957a6eu);
    }
}

TEST(TZipExtractor, EveryMethodGivesBackWhatWasPackedIn)
{
    struct Method {
        const char* Name;
        uint16_t Method;
        uint16_t Flags;
    };
    const Method methods[] = {
        {"stored", Stored, 0},
        {"shrunk", Shrunk, 0},
        {"imploded 4K two trees", Imploded, 0},
        {"imploded 4K three trees", Imploded, LiteralTreeFlag},
        {"imploded 8K two trees", Imploded, LargeWindowFlag},
        {"imploded 8K three trees", Imploded, LargeWindowFlag | LiteralTreeFlag},
        {"deflated", Deflated, 0},
    };
    for (const Sample& sample : Samples()) {
        SCOPED_TRACE(sample.Name);
        std::vector<Member> members;
        for (const Method& m : methods)
            members.push_back({.Name = m.Name, .Content = sample.Bytes, .Method = m.Method, .Flags = m.Flags});
        Scene s(BuildZip(members));
        EXPECT_EQ(s.Zip.Extract(), static_cast<int>(std::size(methods)));
        for (const Method& m : methods) {
            const std::string content = s.Dir.ReadFile(std::string("target/") + m.Name);
            EXPECT_TRUE(content == sample.Bytes) << m.Name << ": " << content.size() << " bytes of " << sample.Bytes.size();
        }
    }
}

TEST(TZipExtractor, MaskIsComparedWithTheWholeStoredName)
{
    struct Case {
        const char* Mask;
        std::string Name;
        bool Matches;
    };
    const Case cases[] = {
        {"*.*", "docs/readme", true},  // "*.*" selects everything, names without a dot too
        {"", "anything", true},
        {"*.TXT", "docs/a.txt", true},  // '*' runs across '/'
        {"*.txt", "A.TXT", true},
        {"a.txt", "a.txt", true},
        {"a.txt", "docs/a.txt", false},  // a bare name selects only a member at the top
        {"A.TXT", "a.txt", true},
        {"?.txt", "a.txt", true},
        {"?.txt", "ab.txt", false},
        {"?.txt", ".txt", false},
        {"docs/*", "docs/sub/x.c", true},
        {"*a*b*", "xaxxbx", true},
        {"*.txt", "a.txt.bak", false},
        {"*.?", "readme", false},
        {"*", "", true},
        {"a*", "", false},
        {"\xE9*", "\xC9t\xE9", false},  // only ASCII letters fold
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.Mask) + " vs " + c.Name);
        EXPECT_EQ(TZipExtractor::MaskMatches(c.Mask, c.Name), c.Matches);
    }
}

TEST(TZipExtractor, OutputPathNeverLeavesTheTargetFolder)
{
    struct Case {
        std::string Stored;
        bool DontRecurse;
        const char* Expected;
    };
    const Case cases[] = {
        {"a.txt", true, "a.txt"},
        {"docs/a.txt", true, "a.txt"},
        {"docs\\a.txt", true, "a.txt"},
        {"c:a.txt", true, "a.txt"},
        {"../x", true, "x"},
        {"/etc/x", true, "x"},
        {"c:\\x", true, "x"},
        {"a/../../x", true, "x"},
        {"docs/", true, ""},
        {"..", true, ""},
        {"a/..", true, ""},
        {".", true, ""},
        {"", true, ""},
        {std::string("a\0b", 3), true, ""},
        {"docs/a.txt", false, "docs/a.txt"},
        {"docs\\sub\\a.txt", false, "docs/sub/a.txt"},
        {"../x", false, "x"},
        {"/etc/x", false, "etc/x"},
        {"c:\\x", false, "x"},
        {"a/../../x", false, "x"},
        {"..\\..\\win.ini", false, "win.ini"},
        {"a/./b//c", false, "a/b/c"},
        {"a/..", false, ""},
        {"docs/", false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Stored + (c.DontRecurse ? " flat" : " with folders"));
        EXPECT_EQ(TZipExtractor::OutputPath(c.Stored, c.DontRecurse), c.Expected);
    }
}

TEST(TZipExtractor, ExtractsTheSelectedMembersInDirectoryOrder)
{
    const std::string archive = BuildZip({
        {.Name = "a.txt", .Content = "top"},
        {.Name = "docs/", .Content = ""},
        {.Name = "docs/a.txt", .Content = "in docs, deflated in docs", .Method = 8},
        {.Name = "docs/b.log", .Content = "log", .Method = 8},
        {.Name = "empty.txt", .Content = "", .Method = 8},
    });
    struct Case {
        const char* Mask;
        int Count;
        std::map<std::string, std::string> Files;
    };
    const Case cases[] = {
        // Both a.txt members are written as a.txt; the later one in the archive wins.
        {"*.*", 4, {{"a.txt", "in docs, deflated in docs"}, {"b.log", "log"}, {"empty.txt", ""}}},
        {"*.txt", 3, {{"a.txt", "in docs, deflated in docs"}, {"empty.txt", ""}}},
        {"a.txt", 1, {{"a.txt", "top"}}},
        {"docs/*", 2, {{"a.txt", "in docs, deflated in docs"}, {"b.log", "log"}}},
        {"*.LOG", 1, {{"b.log", "log"}}},
        {"nothing", 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Mask);
        Scene s(archive);
        s.Zip.FilesToExtract = c.Mask;
        EXPECT_EQ(s.Zip.Extract(), c.Count);
        EXPECT_EQ(s.Extracted(), c.Files);
    }
}

TEST(TZipExtractor, KeepsFoldersWhenAskedTo)
{
    Scene s(BuildZip({
        {.Name = "a.txt", .Content = "top"},
        {.Name = "empty/", .Content = ""},
        {.Name = "docs\\sub\\a.txt", .Content = "deep", .Method = 8},
    }));
    s.Zip.DontRecurse = false;
    EXPECT_EQ(s.Zip.Extract(), 2);
    EXPECT_EQ(s.Extracted(), (std::map<std::string, std::string>{{"a.txt", "top"}, {"docs/sub/a.txt", "deep"}}));
    EXPECT_TRUE(fs::is_directory(s.Zip.TargetDirectory + "/empty"));
}

TEST(TZipExtractor, OverwriteQueryDecidesAboutExistingFiles)
{
    const std::string archive = BuildZip({{.Name = "old.txt", .Content = "new"}, {.Name = "fresh.txt", .Content = "fresh"}});
    for (bool answer : {false, true}) {
        SCOPED_TRACE(answer);
        Scene s(archive);
        const std::string old = s.Dir.WriteFile("target/old.txt", "old");
        ::chmod(old.c_str(), 0444);  // a read-only file is replaced all the same
        std::vector<std::string> asked;
        s.Zip.OverwriteQuery = [&](const std::string& path) {
            asked.push_back(path);
            return answer;
        };
        // A member left out on request still counts.
        EXPECT_EQ(s.Zip.Extract(), 2);
        EXPECT_EQ(asked, std::vector<std::string>{old});
        EXPECT_EQ(s.Dir.ReadFile("target/old.txt"), answer ? "new" : "old");
        EXPECT_EQ(s.Dir.ReadFile("target/fresh.txt"), "fresh");
    }
}

TEST(TZipExtractor, ExtractedFileCarriesTheMembersDate)
{
    Scene s(BuildZip({{.Name = "dated.txt", .Content = "x", .Date = DosDate(2019, 12, 31), .Time = DosTime(23, 59, 58)}}));
    ASSERT_EQ(s.Zip.Extract(), 1);
    std::tm local{};
    local.tm_year = 2019 - 1900;
    local.tm_mon = 11;
    local.tm_mday = 31;
    local.tm_hour = 23;
    local.tm_min = 59;
    local.tm_sec = 58;
    local.tm_isdst = -1;
    struct stat info;
    ASSERT_EQ(::stat((s.Zip.TargetDirectory + "/dated.txt").c_str(), &info), 0);
    EXPECT_EQ(info.st_mtime, std::mktime(&local));
}

TEST(TZipExtractor, AMemberThatCannotBeUnpackedIsSkippedWithANote)
{
    const std::string text = "the second member's text, long enough to compress somewhat somewhat somewhat";
    const std::string deflated = RawDeflate(text);
    const std::string damaged = "Member could not be unpacked: its data is damaged or its file could not be written";
    struct Case {
        const char* What;
        Member Bad;
        std::string Reason;
    };
    const Case cases[] = {
        {"checksum fails", {.Name = "two.txt", .Content = text, .Crc = 0x12345678}, damaged},
        {"encrypted", {.Name = "two.txt", .Content = text, .Flags = 1}, "Member is encrypted"},
        {"unsupported method", {.Name = "two.txt", .Content = text, .Method = 12, .Data = text},
         "Member is compressed with method 12 (bzip2), which cannot be unpacked"},
        {"unknown method", {.Name = "two.txt", .Content = text, .Method = 77, .Data = text},
         "Member is compressed with method 77, which cannot be unpacked"},
        {"damaged deflate data", {.Name = "two.txt", .Content = text, .Method = 8, .Data = std::string("\xff\xff\xff\xff", 4)}, damaged},
        {"deflate data cut short", {.Name = "two.txt", .Content = text, .Method = 8, .Data = deflated.substr(0, deflated.size() / 2)}, damaged},
        {"deflate data longer than the declared size",
         {.Name = "two.txt", .Content = text, .Method = 8, .Data = deflated, .Crc = Crc32(text.substr(0, 10)), .Size = 10}, damaged},
        {"stored data shorter than the declared size", {.Name = "two.txt", .Content = text, .Size = 1000}, damaged},
        {"declared far larger than any member may be", {.Name = "two.txt", .Content = text, .Size = 0xFFFFFFF0},
         "Member is larger than 1073741824 bytes"},
        {"shrunk garbage", {.Name = "two.txt", .Content = text, .Method = 1, .Data = std::string(40, '\xff')}, damaged},
        {"imploded garbage", {.Name = "two.txt", .Content = text, .Method = 6, .Flags = 6, .Data = std::string(40, '\x01')}, damaged},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        Scene s(BuildZip({{.Name = "one.txt", .Content = "first", .Method = Deflated}, c.Bad, {.Name = "three.txt", .Content = "third"}}));
        s.Dir.WriteFile("target/two.txt", "earlier");
        std::vector<std::string> notes;
        s.Zip.MemberSkipped = [&](const std::string& member, const std::string& reason) { notes.push_back(member + ": " + reason); };
        EXPECT_EQ(s.Zip.Extract(), 2);
        // The failed member leaves no trace and does not replace the file it would have replaced;
        // the members after it are extracted all the same.
        EXPECT_EQ(s.Extracted(), (std::map<std::string, std::string>{{"one.txt", "first"}, {"two.txt", "earlier"}, {"three.txt", "third"}}));
        EXPECT_EQ(notes, std::vector<std::string>{"two.txt: " + c.Reason});
    }
}

TEST(TZipExtractor, LimitsSkipMembersThatWouldFillTheDisk)
{
    const std::string zeros(200 * 1024, '\0');
    const std::string random = SampleBytes("random 70000").substr(0, 50 * 1024);
    const std::string archive = BuildZip({
        {.Name = "small.txt", .Content = std::string(1000, 'a'), .Method = Deflated},
        {.Name = "zeros.bin", .Content = zeros, .Method = Deflated},
        {.Name = "random.bin", .Content = random},
    });
    const TZipExtractor::TLimits none{.MemberSize = UINT64_MAX, .Ratio = 0, .RatioFreeSize = 0, .ArchiveTotal = UINT64_MAX};
    struct Case {
        const char* What;
        TZipExtractor::TLimits Limits;
        uint64_t WrittenBefore;
        std::vector<std::string> Files;
        std::vector<std::string> Notes;
    };
    const Case cases[] = {
        {"no limits", none, 0, {"random.bin", "small.txt", "zeros.bin"}, {}},
        {"member size", {.MemberSize = 100 * 1024, .Ratio = 0, .RatioFreeSize = 0, .ArchiveTotal = UINT64_MAX}, 0,
         {"random.bin", "small.txt"}, {"zeros.bin: Member is larger than 102400 bytes"}},
        // The small member expands as much, but it is below the size the ratio applies from.
        {"ratio", {.MemberSize = UINT64_MAX, .Ratio = 50, .RatioFreeSize = 10 * 1024, .ArchiveTotal = UINT64_MAX}, 0,
         {"random.bin", "small.txt"}, {"zeros.bin: Member would expand more than 50 times its packed size"}},
        // A member that does not fit is skipped; a smaller one after it still fits.
        {"archive total", {.MemberSize = UINT64_MAX, .Ratio = 0, .RatioFreeSize = 0, .ArchiveTotal = 120 * 1024}, 0,
         {"random.bin", "small.txt"}, {"zeros.bin: Members of the archive would take more than 122880 bytes"}},
        {"archive total with earlier calls", {.MemberSize = UINT64_MAX, .Ratio = 0, .RatioFreeSize = 0, .ArchiveTotal = 120 * 1024},
         100 * 1024, {"small.txt"},
         {"zeros.bin: Members of the archive would take more than 122880 bytes",
          "random.bin: Members of the archive would take more than 122880 bytes"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        Scene s(archive);
        s.Zip.Limits = c.Limits;
        s.Zip.ArchiveBytesWritten = c.WrittenBefore;
        std::vector<std::string> notes;
        s.Zip.MemberSkipped = [&](const std::string& member, const std::string& reason) { notes.push_back(member + ": " + reason); };
        EXPECT_EQ(s.Zip.Extract(), static_cast<int>(c.Files.size()));
        std::vector<std::string> names;
        uint64_t bytes = 0;
        for (const auto& [name, content] : s.Extracted()) {
            names.push_back(name);
            bytes += content.size();
        }
        EXPECT_EQ(names, c.Files);
        EXPECT_EQ(notes, c.Notes);
        EXPECT_EQ(s.Zip.ArchiveBytesWritten, c.WrittenBefore + bytes);
    }

    // With the default limits: a member that says it is huge is not even started, and a long
    // run of zeros packed into a few kilobytes is not unpacked.
    Scene s(BuildZip({
        {.Name = "huge.bin", .Content = "x", .Method = Deflated, .Crc = 0, .Size = 0xF0000000},
        {.Name = "bomb.bin", .Content = std::string(16 << 20, '\0'), .Method = Deflated},
        {.Name = "fine.txt", .Content = "fine"},
    }));
    std::vector<std::string> notes;
    s.Zip.MemberSkipped = [&](const std::string& member, const std::string& reason) { notes.push_back(member + ": " + reason); };
    EXPECT_EQ(s.Zip.Extract(), 1);
    EXPECT_EQ(s.Extracted(), (std::map<std::string, std::string>{{"fine.txt", "fine"}}));
    EXPECT_EQ(notes, (std::vector<std::string>{"huge.bin: Member is larger than 1073741824 bytes",
                                               "bomb.bin: Member would expand more than 1000 times its packed size"}));
}

TEST(TZipExtractor, StopIsAskedWhileAMemberIsUnpacked)
{
    std::string text;
    while (text.size() < (2 << 20))
        text += "a line of text that repeats, " + std::to_string(text.size() % 977) + "\n";
    Scene s(BuildZip({{.Name = "large.txt", .Content = text, .Method = Deflated}, {.Name = "small.txt", .Content = "small"}}));
    int asked = 0, pumped = 0;
    bool sawPartialMember = false;
    s.Zip.ProcessPendingMessage = [&] { ++pumped; };
    s.Zip.StopRequested = [&] {
        for (const auto& item : fs::directory_iterator(s.Zip.TargetDirectory))
            sawPartialMember = sawPartialMember || item.path().extension() == ".tmp";
        return ++asked > 4;
    };
    EXPECT_EQ(s.Zip.Extract(), 0);
    // The stop came while the large member was being written; it was left out, and nothing after it
    // was started.
    EXPECT_TRUE(sawPartialMember);
    EXPECT_LT(asked, 10);
    EXPECT_EQ(pumped, asked);
    EXPECT_TRUE(s.Extracted().empty());
    EXPECT_TRUE(fs::is_empty(s.Zip.TargetDirectory));
}

TEST(TZipExtractor, StopsAtAMemberThatWouldEatIntoTheFreeSpaceReserve)
{
    // The file system is said to have a fixed amount free, so that nothing else writing to the
    // disk meanwhile changes the outcome; the reserve below leaves room for half of the large member.
    const std::string large(32 << 20, 'q');
    const std::string archive = BuildZip({
        {.Name = "one.txt", .Content = "first"},
        {.Name = "two.txt", .Content = large, .Method = Deflated},
        {.Name = "three.txt", .Content = "third"},
    });
    const uint64_t available = 1ull << 30;

    struct Case {
        const char* What;
        uint64_t Reserve;
        std::vector<std::string> Files;
    };
    const Case cases[] = {
        {"no reserve: everything fits", 0, {"one.txt", "three.txt", "two.txt"}},
        {"the large member does not fit", available - large.size() / 2, {"one.txt"}},
        {"not even a small member fits", UINT64_MAX, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        Scene s(archive);
        s.Zip.MinimumFreeBytes = c.Reserve;
        s.Zip.AvailableBytes = [&](const std::string&) { return available; };
        s.Zip.Limits.Ratio = 0;  // the large member packs far tighter than the default ratio allows
        EXPECT_EQ(s.Zip.Extract(), static_cast<int>(c.Files.size()));
        // No partial file of the refused member is left behind either.
        std::vector<std::string> names;
        for (const auto& [name, content] : s.Extracted())
            names.push_back(name);
        EXPECT_EQ(names, c.Files);
    }
}

TEST(TZipExtractor, UnreadableArchivesGiveANegativeCode)
{
    const std::string good = BuildZip({{.Name = "a.txt", .Content = "hello", .Method = 8}});
    std::string garbage(4096, '\0');
    unsigned state = 12345;
    for (char& c : garbage) {
        state = state * 1103515245u + 12345u;
        c = static_cast<char>(state >> 24);
    }
    struct Case {
        const char* What;
        std::optional<std::string> Bytes;  // none: the path names a folder
        int Code;
    };
    const Case cases[] = {
        {"a folder", std::nullopt, TZipExtractor::ErrorCannotOpen},
        {"an empty file", "", TZipExtractor::ErrorNotZip},
        {"a text file", "just some text, no archive at all\n", TZipExtractor::ErrorNotZip},
        {"random bytes", garbage, TZipExtractor::ErrorNotZip},
        {"end cut off", good.substr(0, good.size() - 5), TZipExtractor::ErrorNotZip},
        {"start cut off", good.substr(10), TZipExtractor::ErrorBadDirectory},
        {"directory offset beyond the file", PatchEnd(good, 16, 0x7FFFFFFF, 4), TZipExtractor::ErrorBadDirectory},
        {"more entries than the directory holds", PatchEnd(PatchEnd(good, 8, 3, 2), 10, 3, 2), TZipExtractor::ErrorBadDirectory},
        {"directory size beyond the file", PatchEnd(good, 12, 0x7FFFFFF0, 4), TZipExtractor::ErrorBadDirectory},
        {"ZIP64 directory", PatchEnd(PatchEnd(good, 8, 0xFFFF, 2), 10, 0xFFFF, 2), TZipExtractor::ErrorUnsupported},
        {"split over disks", PatchEnd(good, 4, 1, 2), TZipExtractor::ErrorUnsupported},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        TestDir dir;
        TZipExtractor zip;
        zip.ZipFileName = c.Bytes ? dir.WriteFile("archive.zip", *c.Bytes) : dir.MakeFolder("archive.zip");
        zip.TargetDirectory = dir.MakeFolder("target");
        EXPECT_EQ(zip.Extract(), c.Code);
        EXPECT_TRUE(Files(zip.TargetDirectory).empty());
    }
    TZipExtractor missing;
    missing.ZipFileName = "/nonexistent/quarnel/archive.zip";
    missing.TargetDirectory = "/nonexistent";
    EXPECT_EQ(missing.Extract(), TZipExtractor::ErrorCannotOpen);
}

TEST(TZipExtractor, FindsTheDirectoryPastCommentsAndLeadingData)
{
    const std::vector<Member> members = {{.Name = "a.txt", .Content = "hello", .Method = 8}};
    struct Case {
        const char* What;
        std::string Bytes;
        int Count;
    };
    const Case cases[] = {
        {"comment holding a signature", BuildZip(members, std::string("note PK\x05\x06 inside", 16)), 1},
        {"program before the archive", std::string(1000, 'M') + BuildZip(members), 1},
        {"no members", BuildZip({}), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        Scene s(c.Bytes);
        EXPECT_EQ(s.Zip.Extract(), c.Count);
        const std::map<std::string, std::string> expected =
            c.Count > 0 ? std::map<std::string, std::string>{{"a.txt", "hello"}} : std::map<std::string, std::string>{};
        EXPECT_EQ(s.Extracted(), expected);
    }
}

TEST(TZipExtractor, ReadsZip64RecordsAndExtraFields)
{
    const std::vector<Member> wide = {
        {.Name = "a.txt", .Content = "plain"},
        {.Name = "b.txt", .Content = "wide fields, deflated", .Method = Deflated, .Zip64 = true},
        {.Name = "c.txt", .Content = "wide fields, stored", .Zip64 = true},
    };
    const std::map<std::string, std::string> all = {
        {"a.txt", "plain"}, {"b.txt", "wide fields, deflated"}, {"c.txt", "wide fields, stored"}};
    // The ZIP64 field of c.txt's directory entry under another id: its sizes are unknown.
    std::string lost = BuildZip(wide);
    lost[lost.rfind(std::string("\x01\x00\x18\x00", 4))] = '\x99';
    struct Case {
        const char* What;
        std::string Bytes;
        std::map<std::string, std::string> Files;
        std::vector<std::string> Notes;
    };
    const Case cases[] = {
        {"ZIP64 extra fields", BuildZip(wide), all, {}},
        {"ZIP64 end record", BuildZip(wide, {}, true), all, {}},
        {"ZIP64 end record and a comment", BuildZip(wide, "comment", true), all, {}},
        {"program before a ZIP64 archive", std::string(777, 'M') + BuildZip(wide, {}, true), all, {}},
        {"a ZIP64 extra field missing", lost, {{"a.txt", "plain"}, {"b.txt", "wide fields, deflated"}},
         {"c.txt: Member's sizes are marked as kept in a ZIP64 field that it lacks"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        Scene s(c.Bytes);
        std::vector<std::string> notes;
        s.Zip.MemberSkipped = [&](const std::string& member, const std::string& reason) { notes.push_back(member + ": " + reason); };
        EXPECT_EQ(s.Zip.Extract(), static_cast<int>(c.Files.size()));
        EXPECT_EQ(s.Extracted(), c.Files);
        EXPECT_EQ(notes, c.Notes);
    }
}

TEST(TZipExtractor, ReadsArchivesOfMoreThan65535Members)
{
    std::vector<Member> members;
    for (int i = 0; i < 70000; ++i)
        members.push_back({.Name = "m" + std::to_string(100000 + i) + ".txt", .Content = std::to_string(i)});
    Scene s(BuildZip(members));
    // Only the last few are written: they lie beyond what a 16-bit count reaches.
    s.Zip.FilesToExtract = "m16999?.txt";
    EXPECT_EQ(s.Zip.Extract(), 10);
    const std::map<std::string, std::string> files = s.Extracted();
    ASSERT_EQ(files.size(), 10u);
    EXPECT_EQ(files.begin()->first, "m169990.txt");
    EXPECT_EQ(files.rbegin()->second, "69999");
}

TEST(TZipExtractor, MemberNameSelectsExactlyThatMember)
{
    const std::string archive = BuildZip({
        {.Name = "a.txt", .Content = "top"},
        {.Name = "docs/a.txt", .Content = "first in docs"},
        {.Name = "d?cs/a.txt", .Content = "not a mask"},
        {.Name = "docs/a.txt", .Content = "second in docs"},
        {.Name = "docs/b.txt", .Content = "b"},
    });
    struct Case {
        const char* Name;
        bool DontRecurse;
        std::map<std::string, std::string> Files;
    };
    const Case cases[] = {
        {"a.txt", true, {{"a.txt", "top"}}},
        {"docs/a.txt", true, {{"a.txt", "second in docs"}}},  // the last of that name, the one a search leaves
        {"docs/a.txt", false, {{"docs/a.txt", "second in docs"}}},
        {"d?cs/a.txt", false, {{"d?cs/a.txt", "not a mask"}}},
        {"docs/", false, {}},
        {"missing.txt", true, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        Scene s(archive);
        s.Zip.MemberName = c.Name;
        s.Zip.FilesToExtract = "nothing";  // not used
        s.Zip.DontRecurse = c.DontRecurse;
        std::vector<std::string> written;
        s.Zip.MemberWritten = [&](const std::string& member, const std::string& path) { written.push_back(member + " as " + path); };
        EXPECT_EQ(s.Zip.Extract(), static_cast<int>(c.Files.size()));
        EXPECT_EQ(s.Extracted(), c.Files);
        EXPECT_EQ(written.size(), c.Files.size());
        if (!c.Files.empty()) {
            EXPECT_EQ(written[0], c.Name + std::string(" as ") + c.Files.begin()->first);
        }
    }
}

TEST(TZipExtractor, HostileNamesStayInsideTheTarget)
{
    for (bool dontRecurse : {true, false}) {
        SCOPED_TRACE(dontRecurse);
        TestDir dir;
        const std::string absolute = dir.PathOf("outside-abs");
        TZipExtractor zip;
        zip.ZipFileName = dir.WriteFile("archive.zip", BuildZip({
                                                           {.Name = "../outside1", .Content = "1"},
                                                           {.Name = absolute, .Content = "2"},
                                                           {.Name = "a/../../outside3", .Content = "3"},
                                                           {.Name = "c:\\outside4", .Content = "4"},
                                                           {.Name = "..\\..\\outside5", .Content = "5"},
                                                           {.Name = "..", .Content = "none"},
                                                           {.Name = "docs/..", .Content = "none"},
                                                       }));
        zip.TargetDirectory = dir.MakeFolder("target");
        zip.DontRecurse = dontRecurse;
        EXPECT_EQ(zip.Extract(), 5);
        EXPECT_EQ(Files(zip.TargetDirectory).size(), 5u);
        std::vector<std::string> top;
        for (const auto& item : fs::directory_iterator(dir.Path()))
            top.push_back(item.path().filename().string());
        std::sort(top.begin(), top.end());
        EXPECT_EQ(top, (std::vector<std::string>{"archive.zip", "target"}));
    }
}

TEST(TZipExtractor, DoesNotFollowALinkedFolderOutOfTheTarget)
{
    Scene s(BuildZip({{.Name = "link/x.txt", .Content = "x"}}));
    const std::string outside = s.Dir.MakeFolder("outside");
    fs::create_directory_symlink(outside, s.Zip.TargetDirectory + "/link");
    s.Zip.DontRecurse = false;
    EXPECT_EQ(s.Zip.Extract(), 0);
    EXPECT_TRUE(fs::is_empty(outside));
}

} // namespace
