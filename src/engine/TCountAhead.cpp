// SPDX-License-Identifier: MIT
#include "engine/TCountAhead.h"

#include <utility>

#include "engine/TSearchEngine.h"

TCountAhead::TCountAhead(const TSearchData& data, const std::string& baseFolder, unsigned threads,
                         std::chrono::milliseconds keptFor)
    : Data(data), Counter(std::make_unique<TSearchEngine>(Data, Results, Counted, Shell)), KeptFor(keptFor)
{
    Counter->SetBaseFolder(baseFolder);
    Counter->SetThreads(threads);
    std::promise<bool> finished;
    Finished = finished.get_future();
    Thread = std::jthread([this, finished = std::move(finished)]() mutable {
        const bool whole = Counter->CountFiles();
        Ended = std::chrono::steady_clock::now();
        finished.set_value(whole);
    });
}

TCountAhead::~TCountAhead()
{
    // The count clears any earlier stop when it begins: it is asked again until it has ended.
    while (!WaitFor(std::chrono::milliseconds(1)))
        Stop();
    Thread.join();
}

bool TCountAhead::WaitFor(std::chrono::milliseconds wait)
{
    return !Finished.valid() || Finished.wait_for(wait) == std::future_status::ready;
}

void TCountAhead::Stop()
{
    Counter->StopSearch();
}

bool TCountAhead::Fresh() const
{
    return std::chrono::steady_clock::now() - Ended < KeptFor;
}

bool TCountAhead::Whole()
{
    if (Finished.valid())
        WentThrough = Finished.get();
    return WentThrough;
}
