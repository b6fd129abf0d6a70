// SPDX-License-Identifier: MIT
#include "engine/TScanPool.h"

#include <pthread.h>

#include <algorithm>
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
    bool wake = false;
    {
        const std::lock_guard<std::mutex> guard(Lock);
        InOrder.push_back(slot);
        Queued.push_back(std::move(slot));
        wake = IdleWorkers > 0;
    }
    // A wake-up costs system calls: busy workers find the job by themselves.
    if (wake)
        JobWaiting.notify_one();
}

bool TScanPool::OldestDone() const
{
    return DoneAtFront >= std::min(OwnerNeeds, InOrder.size());
}

void TScanPool::MarkDone(TSlot& slot)
{
    slot.Done = true;
    while (DoneAtFront < InOrder.size() && InOrder[DoneAtFront]->Done)
        ++DoneAtFront;
}

bool TScanPool::WaitUntilDone(std::size_t count, std::chrono::milliseconds wait)
{
    std::unique_lock<std::mutex> lock(Lock);
    OwnerNeeds = std::max<std::size_t>(count, 1);
    if (OldestDone())
        return true;
    OwnerWaiting = true;
    const bool done = JobDone.wait_for(lock, wait, [this] { return OldestDone(); });
    OwnerWaiting = false;
    return done;
}

std::size_t TScanPool::Capacity() const
{
    return MaxJobs;
}

std::unique_ptr<TFileJob> TScanPool::TakeOldest()
{
    const std::lock_guard<std::mutex> guard(Lock);
    if (InOrder.empty() || !InOrder.front()->Done)
        return nullptr;
    std::unique_ptr<TFileJob> job = std::move(InOrder.front()->Job);
    InOrder.pop_front();
    --DoneAtFront; // the slot taken was the first of them
    return job;
}

void TScanPool::RunWorker(std::stop_token stop, std::size_t worker)
{
    // Named, so that a profiler, a debugger or top tells the workers from the calling thread.
    pthread_setname_np(pthread_self(), "quarnel-scan");
    for (;;) {
        std::shared_ptr<TSlot> slot;
        {
            std::unique_lock<std::mutex> lock(Lock);
            ++IdleWorkers;
            const bool found = JobWaiting.wait(lock, stop, [this] { return !Queued.empty(); });
            --IdleWorkers;
            if (!found)
                return; // asked to stop
            slot = std::move(Queued.front());
            Queued.pop_front();
        }
        // The job is this worker's alone until it is marked done.
        Work(*slot->Job, worker);
        bool wake = false;
        {
            const std::lock_guard<std::mutex> guard(Lock);
            MarkDone(*slot);
            wake = OwnerWaiting && OldestDone();
        }
        if (wake)
            JobDone.notify_one();
    }
}
