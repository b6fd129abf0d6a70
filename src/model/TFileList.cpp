// SPDX-License-Identifier: MIT
#include "model/TFileList.h"

#include <utility>

void TFileList::Add(std::unique_ptr<TFileData> record)
{
    if (record)
        Records.push_back(std::move(record));
}

void TFileList::Clear()
{
    Records.clear();
}

std::vector<std::unique_ptr<TFileData>> TFileList::TakeAll()
{
    std::vector<std::unique_ptr<TFileData>> taken;
    taken.swap(Records);
    return taken;
}
