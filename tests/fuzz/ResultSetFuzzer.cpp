// SPDX-License-Identifier: MIT
// Damaged result-set files fed to the reader. Arbitrary bytes seldom make an SQLite file, so the
// input mostly edits a sound set saved once at start: its first byte picks how (the input as the
// whole file; the sound file cut to a length; the sound file with bytes overwritten at chosen
// places), the rest says where and with what. Either way:
//  - a refused file gives a message naming the file and leaves the set passed in untouched;
//  - a file that is read gives records that save and read back to the same records.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "FuzzSupport.h"
#include "model/TResultSetFile.h"

namespace {

std::string Folder;
std::string SoundFile;
std::string Sound;

void WriteBytes(const std::string& path, std::string_view bytes)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    fuzz::Require(file != nullptr, "open the input file");
    fuzz::Require(std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size(), "write the input file");
    fuzz::Require(std::fclose(file) == 0, "close the input file");
}

std::string ReadBytes(const std::string& path)
{
    std::string bytes;
    FILE* file = std::fopen(path.c_str(), "rb");
    fuzz::Require(file != nullptr, "read the sound file");
    char buffer[65536];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
        bytes.append(buffer, n);
    std::fclose(file);
    return bytes;
}

// A set with a text file, a binary file without line texts and a ZIP member.
void MakeSoundSet()
{
    TResultSet set;
    set.Criteria.SearchString = "needle";
    set.Criteria.FileSpecs = {"*.txt", "*.bin"};
    set.Criteria.Folders = {Folder};
    set.Stats.SearchedFiles = 9;
    set.Stats.MatchedFiles = 3;
    set.Stats.TotalMatches = 5;
    set.Summary = "'needle' in *.txt *.bin: 5 matches in 3 files.";
    set.Speed = "1.00 Kb searched";
    TNullShellInfo shell;
    const char* names[] = {"a.txt", "b.bin", "member.txt"};
    for (int i = 0; i < 3; ++i) {
        auto record = std::make_unique<TFileData>(Folder, names[i], shell, TFileData::TNamesOnly{});
        record->Size = 100 + i;
        record->ModifiedNs = 1'600'000'000'000'000'000 + i;
        record->FileType = i == 1 ? TFileData::Binary : TFileData::Text;
        record->Matches.emplace_back(1 + i, 40, 3, 9);
        record->Matches.emplace_back(7, 12, 1, 13);
        if (i == 0)
            record->MatchedLines = {"a needle in a line that is long", "needle again"};
        if (i == 2) {
            record->InZip = true;
            record->ZipName = Folder + "/pack.zip";
            record->MemberName = "docs/member.txt";
        }
        set.Files.Add(std::move(record));
    }
    std::string error;
    fuzz::Require(TResultSetFile::Save(SoundFile, set, error), "save the sound set");
    Sound = ReadBytes(SoundFile);
}

std::string Damage(std::string_view input)
{
    if (input.empty())
        return Sound;
    const unsigned how = static_cast<unsigned char>(input[0]) % 3;
    input.remove_prefix(1);
    if (how == 0)
        return std::string(input);
    std::string bytes = Sound;
    if (how == 1) {
        std::size_t length = 0;
        for (unsigned char c : input.substr(0, 4))
            length = length * 256 + c;
        bytes.resize(length % (bytes.size() + 1));
        return bytes;
    }
    // Three bytes a place (two of offset, one of value), the offset scaled over the whole file.
    for (std::size_t i = 0; i + 3 <= input.size(); i += 3) {
        const std::size_t offset = (static_cast<unsigned char>(input[i]) * 256u + static_cast<unsigned char>(input[i + 1])) *
                                   bytes.size() / 65536;
        bytes[offset] = input[i + 2];
    }
    return bytes;
}

bool SameRecords(const TFileList& a, const TFileList& b)
{
    if (a.Count() != b.Count())
        return false;
    for (std::size_t i = 0; i < a.Count(); ++i) {
        const TFileData& x = a.Item(i);
        const TFileData& y = b.Item(i);
        if (x.FullPath != y.FullPath || x.Matches != y.Matches || x.MatchedLines != y.MatchedLines ||
            x.ModifiedNs != y.ModifiedNs || x.InZip != y.InZip || x.MemberName != y.MemberName)
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    if (Folder.empty()) {
        Folder = fuzz::Root("resultset");
        SoundFile = Folder + "/sound.qrs";
        MakeSoundSet();
    }
    const std::string input = Folder + "/input.qrs";
    WriteBytes(input, Damage(std::string_view(reinterpret_cast<const char*>(data), size)));

    TResultSet set;
    set.Summary = "untouched";
    std::string error;
    if (!TResultSetFile::Load(input, set, error)) {
        fuzz::Require(error.find(input) != std::string::npos, "the message names the file");
        fuzz::Require(set.Summary == "untouched" && set.Files.Count() == 0, "a refused file loads nothing");
        return 0;
    }
    const std::string again = Folder + "/again.qrs";
    fuzz::Require(TResultSetFile::Save(again, set, error), "a set that was read saves");
    TResultSet reread;
    fuzz::Require(TResultSetFile::Load(again, reread, error), "a saved set reads back");
    fuzz::Require(SameRecords(set.Files, reread.Files), "the records read back the same");
    fuzz::Require(reread.Summary == set.Summary, "the summary reads back the same");
    return 0;
}
