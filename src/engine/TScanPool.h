// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <stop_token>
#include <thread>
#include <vector>

#include "engine/TFileJob.h"

// Runs file jobs on worker threads and gives them back in the order they were submitted, so
// that what a search reports does not depend on which worker was quicker.
//
// Submit, TakeOldest, Full and Empty belong to one thread (the search's). `work` runs on the
// workers, each job on one of them, with the worker's index (0 .. threads-1) so that it can use
// objects of that worker's own. At most `maxJobs` jobs are held at once, which bounds the memory
// of results waiting for their turn.
class TScanPool {
public:
    using TWork = std::function<void(TFileJob& job, std::size_t worker)>;

    TScanPool(std::size_t threads, std::size_t maxJobs, TWork work);
    // Drops the jobs not started yet and waits for the running ones.
    ~TScanPool();
    TScanPool(const TScanPool&) = delete;
    TScanPool& operator=(const TScanPool&) = delete;

    bool Full() const;
    bool Empty() const;
    std::size_t Capacity() const;
    void Submit(std::unique_ptr<TFileJob> job);
    // Waits until the oldest `count` jobs (or all, when fewer are held) are done; false when
    // they are not after `wait`. The owner waits for many at once so that it is woken seldom.
    bool WaitUntilDone(std::size_t count, std::chrono::milliseconds wait);
    // The oldest job not taken yet, when it is done; otherwise null.
    std::unique_ptr<TFileJob> TakeOldest();

private:
    struct TSlot {
        std::unique_ptr<TFileJob> Job;
        bool Done = false;
    };
    void RunWorker(std::stop_token stop, std::size_t worker);
    // Whether the jobs the owner waits for are done; under Lock.
    bool OldestDone() const;
    // Marks the job of `slot` done and moves DoneAtFront past the done slots; under Lock.
    void MarkDone(TSlot& slot);

    const std::size_t MaxJobs;
    const TWork Work;
    mutable std::mutex Lock;
    std::condition_variable_any JobWaiting;
    std::condition_variable JobDone;
    std::deque<std::shared_ptr<TSlot>> InOrder; // submitted and not taken, oldest first
    std::deque<std::shared_ptr<TSlot>> Queued;  // submitted and not started
    std::size_t DoneAtFront = 0;                 // how many of InOrder's first slots are all done
    std::size_t IdleWorkers = 0;                 // waiting for a job
    bool OwnerWaiting = false;                   // the owner waits for the oldest jobs
    std::size_t OwnerNeeds = 1;                  // how many of them
    std::vector<std::jthread> Workers;
};
