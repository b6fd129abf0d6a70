// SPDX-License-Identifier: MIT
#include "engine/TCountAhead.h"

#include <utility>

#include "engine/TSearchEngine.h"

TCountAhead::TCountAhead(const TSearchData& data, const std::string& baseFolder, unsigned threads)
    : Data(data), Counter(std::make_unique<TSearchEngine>(Data, Results, Counted, Shell))
{
    Counter->SetBaseFolder(baseFolder);
    Counter->SetThreads(threads);
    std::promise<bool> finished;
    Finished = finished.get_future();
    Thread = std::jthread([engine = Counter.get(), finished = std::move(finished)]() mutable {
        finished.set_value(engine->CountFiles());
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

bool TCountAhead::Whole()
{
    if (Finished.valid())
        WentThrough = Finished.get();
    return WentThrough;
}
