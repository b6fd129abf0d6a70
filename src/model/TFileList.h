#pragma once

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

private:
    std::vector<std::unique_ptr<TFileData>> Records;
};
