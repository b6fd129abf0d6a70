// SPDX-License-Identifier: MIT
#pragma once

#include <algorithm>
#include <cstddef>
#include <memory>
#include <vector>

#include "TFileData.h"

// The files of the last search, in the order the search found them. Owns its records.
class TFileList {
public:
    void Add(std::unique_ptr<TFileData> record);
    std::size_t Count() const { return Records.size(); }
    TFileData& Item(std::size_t index) { return *Records[index]; }
    const TFileData& Item(std::size_t index) const { return *Records[index]; }
    // Destroys every record.
    void Clear();
    // Empties the list and hands its records to the caller (the re-search).
    std::vector<std::unique_ptr<TFileData>> TakeAll();
    // Reorders the records by `less` (a strict weak order on two records); records it holds
    // equal keep their relative order. The records themselves stay where they are in memory,
    // so pointers to them remain valid.
    template <typename Less>
    void StableSort(Less less)
    {
        std::stable_sort(Records.begin(), Records.end(),
                         [&less](const std::unique_ptr<TFileData>& a, const std::unique_ptr<TFileData>& b) {
                             return less(static_cast<const TFileData&>(*a), static_cast<const TFileData&>(*b));
                         });
    }

private:
    std::vector<std::unique_ptr<TFileData>> Records;
};
