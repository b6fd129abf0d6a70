// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "TDateTime.h"
#include "TMatch.h"
#include "TShellInfo.h"

struct stat;

// One searched file and the matches recorded in it.
class TFileData {
public:
    enum : uint8_t { Unknown = 0, Text = 1, Binary = 2 };

    // Reads the directory entry `name` in `folder`: paths, type name and icon from `shell`,
    // date, size, the last byte and the text/binary class from the file's first 1025 bytes.
    // A file that cannot be opened keeps FileType 0, Size 0 and Date 0.
    TFileData(const std::string& folder, const std::string& name, TShellInfo& shell);
    // Paths, type name and icon only: the status and class are left to a caller that reads
    // the file once for them and for its search (TFileSearcher).
    struct TNamesOnly {};
    TFileData(const std::string& folder, const std::string& name, TShellInfo& shell, TNamesOnly);
    // The copy a re-search scans: every field but the matches, and it takes over the icon.
    explicit TFileData(TFileData& source);
    TFileData(const TFileData&) = delete;

    // Sets the type name (at most 79 characters) and the icon from `shell`. A caller whose shell
    // is slow may make records with a shell that knows nothing and describe only the records it
    // keeps.
    void DescribeWith(TShellInfo& shell);
    TFileData& operator=(const TFileData&) = delete;

    // True when the file cannot be opened any more or differs in any way from when it was
    // read: its full-precision modification time, its size, or its identity (inode).
    bool IsFileChanged() const;

    // The bytes a file's class is decided by: at most its first ClassifiedBytes.
    static constexpr std::size_t ClassifiedBytes = 1025;
    // Text or Binary, from the file's first bytes.
    static uint8_t Classify(std::string_view head);
    // Date, ModifiedNs, Device and Inode from the file's status (Size is set by the caller once
    // the file could be read).
    void TakeStatus(const struct stat& info);

    std::string Folder;
    std::string FileName;
    std::string Extension;
    std::string PathWithoutExt;
    std::string TypeName;
    std::string FullPath;
    std::unique_ptr<TFileIcon> Icon;
    int64_t Size = 0;
    TDateTime Date;
    uint8_t FileType = Unknown;
    TMatchList Matches;
    bool EndsWithNewline = false;
    bool InZip = false;
    std::string ZipName;
    // A ZIP member's name as its archive stores it, folders included (FileName is only its last
    // part); empty when not known.
    std::string MemberName;
    // The text of each line (or piece of a line) that holds matches, in the order of their
    // places in Matches, when the search was asked to keep it; empty otherwise.
    std::vector<std::string> MatchedLines;

    // What IsFileChanged compares against: the file's state when the record was made.
    int64_t ModifiedNs = 0;
    uint64_t Device = 0;
    uint64_t Inode = 0;
};
