#include "engine/TScanPool.h"

#include <utility>

TScanPool::TScanPool(std::size_t threads, std::size_t maxJobs, TWork work)
    : MaxJobs(maxJobs < 1 ? 1 : maxJobs), Work(std::move(work))
{
    Workers.reserve(threads);
    for (std::size_t i = 0; i < threads; ++i)
        Workers.emplace_back([this, i](std::stop_token stop) { RunWorker(stop, i); });
}

TScanPool::~TScanPool()
{
    {
        const std::lock_guard<std::mutex> guard(Lock);
        Queued.clear();
    }
    // Each jthread asks its worker to stop, which wakes it from its wait, and joins it.
    Workers.clear();
}

bool TScanPool::Full() const
{
    const std::lock_guard<std::mutex> guard(Lock);
    return InOrder.size() >= MaxJobs;
}

bool TScanPool::Empty() const
{
    const std::lock_guard<std::mutex> guard(Lock);
    return InOrder.empty();
}

void TScanPool::Submit(std::unique_ptr<TFileJob> job)
{
    auto slot = std::make_shared<TSlot>();
    slot->Job = std::move(job);
    {
        const std::lock_guard<std::mutex> guard(Lock);
        InOrder.push_back(slot);
        Queued.push_back(std::move(slot));
    }
    JobWaiting.notify_one();
}

std::unique_ptr<TFileJob> TScanPool::TakeOldest(std::chrono::milliseconds wait)
{
    std::unique_lock<std::mutex> lock(Lock);
    if (InOrder.empty())
        return nullptr;
    if (!JobDone.wait_for(lock, wait, [this] { return InOrder.front()->Done; }))
        return nullptr;
    std::unique_ptr<TFileJob> job = std::move(InOrder.front()->Job);
    InOrder.pop_front();
    return job;
}

void TScanPool::RunWorker(std::stop_token stop, std::size_t worker)
{
    for (;;) {
        std::shared_ptr<TSlot> slot;
        {
            std::unique_lock<std::mutex> lock(Lock);
            if (!JobWaiting.wait(lock, stop, [this] { return !Queued.empty(); }))
                return; // asked to stop
            slot = std::move(Queued.front());
            Queued.pop_front();
        }
        // The job is this worker's alone until it is marked done.
        Work(*slot->Job, worker);
        {
            const std::lock_guard<std::mutex> guard(Lock);
            slot->Done = true;
        }
        JobDone.notify_one();
    }
}
