// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "replace/TReplaceHit.h"

// The answers to the question asked before each change of a replace run.
enum class TReplaceAnswer : uint8_t {
    Yes,        // make this change
    No,         // leave this match as it is and go on
    CancelFile, // drop every change of this file; the run goes on with the next file
    CancelAll,  // drop every change of this file and end the run
};

// One change, as the user is asked about it. The views live until the question is answered.
struct TReplaceQuestion {
    std::string_view FullPath;
    int64_t LineNumber = 0;
    std::string_view CurrentLine; // the line as it stands, with the changes already accepted on it
    std::string_view NewLine;     // the line with this change made
};

// How a replace run talks to its owner. Every callback is optional; an empty one does nothing.
struct TReplaceNotifications {
    // Asked before each change when confirmation is on. Without it nobody can be asked, and
    // every change is made as if confirmation were off.
    std::function<TReplaceAnswer(const TReplaceQuestion& question)> Confirm;
    // A status text for the user ("Replacing in <path>").
    std::function<void(const std::string& text)> ShowStatus;
    // Lets the owner handle one pending event; called between lines and files. Must return
    // quickly, and must not let the user change the result list while the run reads it.
    std::function<void()> ProcessPendingMessage;
    // A file was not replaced, for the reason the report gives (a refusal or a failure; a
    // cancel by the user is no such reason).
    std::function<void(const std::string& fullPath, std::string_view reason)> NotReplaced;
    // In a dry run (TReplaceEngine::SetDryRun), each change that would be made, in file order.
    std::function<void(const std::string& fullPath, const TReplaceHit& hit)> Previewed;
};
