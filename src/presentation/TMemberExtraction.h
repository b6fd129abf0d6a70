// SPDX-License-Identifier: MIT
#pragma once

#include <functional>
#include <string>
#include <string_view>

class TFileData;

// Extracts one member of a ZIP archive that a search found (a record with InZip), so that it can
// be viewed, edited or kept. The member is looked up by the name its archive stores it under
// (MemberName), so one that lies in a folder inside the archive is found like any other. A record
// that does not know that name is looked up by its FileName among the members at the top.
class TMemberExtraction {
public:
    // The folder choice for Edit, Open and Extract, and the message when nothing was extracted.
    static constexpr std::string_view FolderCaption = "Unzip To";
    static constexpr std::string_view OverwriteQuestion =
        "A file with that name already exists in that folder. Do you want to replace it?";
    static constexpr std::string_view FailedCaption = "Error";
    static constexpr std::string_view FailedText = "An error occured: The file was not extracted.";

    // Asked with the path of a file that is already there; true replaces it.
    using TOverwriteQuery = std::function<bool(const std::string& path)>;

    // How the member's file is placed in the folder: under its own name, or below the folders
    // that its stored name holds (never outside the folder, whatever the name).
    enum class TPlacement { Flat, InItsFolders };

    // Writes `member` into `folder` and sets `path` to the file written: the folder and the
    // member's name joined with one separator, or with InItsFolders the folder and the member's
    // stored path. An existing file there is replaced only when `overwrite` says so (unset:
    // replaced). False, and `path` empty, when the member was not written: not a ZIP member, the
    // archive gone or damaged, the member not found or not unpacked, or the overwrite declined.
    static bool Extract(const TFileData& member, const std::string& folder, const TOverwriteQuery& overwrite,
                        std::string& path, TPlacement placement = TPlacement::Flat);

    // The folder that holds the member's archive: the folder offered first in the folder choice.
    static std::string ArchiveFolder(const TFileData& member);
};
