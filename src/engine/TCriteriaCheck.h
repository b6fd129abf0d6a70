// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class TSearchData;

// The rules the criteria of a search must meet before the search starts, checked in this
// order: there is a search text; in a regular-expression search it compiles as the search will
// compile it (folded to capitals unless case is to match, so a range that is valid as typed
// may be invalid folded, and the other way round); file specifications and folders are given;
// and text files, binary files or both are left to search.
//
// A front end checks what the user entered before it stores any of it, and words each fault in
// its own way; the rules themselves live only here.
class TCriteriaCheck {
public:
    enum class TField { SearchString, FileSpecs, Folders, FileKinds };
    enum class TReason {
        Missing,        // nothing was given for the field
        InvalidPattern, // the search text does not compile; see PatternError
        NothingToSearch // both text and binary files are skipped
    };
    struct TFault {
        TField Field;
        TReason Reason;
        int32_t PatternError = 0; // the compiler's error code for InvalidPattern, else 0
        // The text of PatternError ("Unmatched (", "Invalid range specifier", ...).
        std::string PatternErrorText() const;
    };

    // The criteria as entered. File specifications and folders count only as given or not:
    // a front end decides what an entry of its own is (a box with text, a list with items).
    struct TEntries {
        std::string_view SearchString;
        uint8_t SearchMode = 0;
        bool MatchCase = false;
        bool HasFileSpecs = true;
        bool HasFolders = true;
        bool SkipTextFiles = false;
        bool SkipBinaryFiles = false;

        // The entries of stored criteria: a list is given when it holds an item.
        static TEntries Of(const TSearchData& data);
    };

    // Every fault of `entries`, in the order above, at most one per field; empty when the
    // criteria can be searched.
    static std::vector<TFault> Faults(const TEntries& entries);

    // The error code of `searchString` compiled as a search in `searchMode` compiles it; 0 when it
    // compiles and for searches that are not regular-expression searches.
    static int32_t PatternErrorCode(std::string_view searchString, uint8_t searchMode, bool matchCase);
};
