// SPDX-License-Identifier: MIT
#pragma once

#include <functional>
#include <string>

class TFileData;

// How a search reports to its owner. Every callback is optional; an empty one does nothing.
// The engine never reads a window or a global option: all it learns and tells goes through here.
struct TSearchNotifications {
    // After the run's statistics have been updated (search pass only).
    std::function<void()> Progress;
    // A record with at least one match has just been appended to the result list.
    std::function<void(TFileData& record)> NewResult;
    // "Skipped: <path>, <reason>" for a file that failed a filter while logging is on.
    std::function<void(const std::string& note)> SkipNote;
    // A message for the user; the run goes on once the call returns.
    std::function<void(const std::string& caption, const std::string& title, const std::string& text)> Error;
    // Lets the owner handle one pending event (a window repaints, Stop is pressed). Called
    // between lines, files and folder entries; must return quickly and never wait.
    std::function<void()> ProcessPendingMessage;
    // Whether each new result's record comes with the text of its lines with hits
    // (TFileData::MatchedLines), for an owner that prints them: no file is then read twice.
    bool KeepMatchedLines = false;
};
