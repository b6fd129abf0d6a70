// SPDX-License-Identifier: MIT
#include "model/TPathText.h"

std::string TPathText::Join(std::string_view folder, std::string_view name)
{
    std::string path(folder);
    if (!path.empty() && path.back() != '/')
        path += '/';
    path.append(name);
    return path;
}
