// SPDX-License-Identifier: MIT
#include "presentation/TMemberExtraction.h"

#include <filesystem>

#include "engine/TZipExtractor.h"
#include "model/TFileData.h"
#include "model/TPathText.h"

namespace fs = std::filesystem;

bool TMemberExtraction::Extract(const TFileData& member, const std::string& folder, const TOverwriteQuery& overwrite,
                                std::string& path, TPlacement placement)
{
    path.clear();
    if (!member.InZip || member.FileName.empty() || folder.empty())
        return false;

    TZipExtractor unzipper;
    unzipper.ZipFileName = member.ZipName;
    unzipper.TargetDirectory = folder;
    if (member.MemberName.empty())
        unzipper.FilesToExtract = member.FileName;
    else
        unzipper.MemberName = member.MemberName;
    unzipper.DontRecurse = placement == TPlacement::Flat || member.MemberName.empty();
    const std::string relative =
        unzipper.DontRecurse ? member.FileName : TZipExtractor::OutputPath(member.MemberName, false);
    if (relative.empty())
        return false;
    const std::string target = TPathText::Join(folder, relative);

    // The extractor counts a member whose overwrite was declined as extracted; here it was not.
    bool declined = false;
    if (overwrite) {
        unzipper.OverwriteQuery = [&](const std::string& existing) {
            const bool replace = overwrite(existing);
            if (!replace && existing == target)
                declined = true;
            return replace;
        };
    }
    if (unzipper.Extract() <= 0 || declined)
        return false;
    std::error_code error;
    if (!fs::is_regular_file(target, error))
        return false;
    path = target;
    return true;
}

std::string TMemberExtraction::ArchiveFolder(const TFileData& member)
{
    return fs::path(member.ZipName).parent_path().string();
}
