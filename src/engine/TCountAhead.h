// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <future>
#include <memory>
#include <string>
#include <thread>

#include "model/TFileList.h"
#include "model/TSearchData.h"
#include "model/TSearchStats.h"
#include "model/TShellInfo.h"

class TSearchEngine;

// A counting pass run on a thread of its own while the program does other work, such as a
// window building itself before the search its command line states. It counts with a copy of
// the criteria, from the folder given; the engine it is handed to takes what it found for its
// next count when the criteria and the folder are still the same, and counts again otherwise.
// Like any count it tells nothing: no notification, no pending messages. A walk that ended long
// before it is taken (the window waited for the user first) is not taken: the count is made again.
class TCountAhead {
public:
    // Its walk is taken at most `keptFor` after it ended.
    TCountAhead(const TSearchData& data, const std::string& baseFolder, unsigned threads,
                std::chrono::milliseconds keptFor = std::chrono::seconds(2));
    // Stops a count still running and waits for its thread.
    ~TCountAhead();
    TCountAhead(const TCountAhead&) = delete;
    TCountAhead& operator=(const TCountAhead&) = delete;

    // Whether the count is done; waits at most `wait` for it.
    bool WaitFor(std::chrono::milliseconds wait);
    void Stop();
    // Once done: whether the count went through to its end.
    bool Whole();
    // Once done: whether it ended recently enough to be taken.
    bool Fresh() const;
    const TSearchData& Criteria() const { return Data; }
    const TSearchStats& Stats() const { return Counted; }
    TSearchEngine& Engine() { return *Counter; }

private:
    TSearchData Data;
    TFileList Results;
    TSearchStats Counted;
    TNullShellInfo Shell;
    std::unique_ptr<TSearchEngine> Counter;
    const std::chrono::milliseconds KeptFor;
    std::future<bool> Finished;
    bool WentThrough = false;
    std::chrono::steady_clock::time_point Ended; // written by the thread before Finished is set
    std::jthread Thread;
};
