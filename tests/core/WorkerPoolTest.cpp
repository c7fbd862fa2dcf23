// The worker pool: every index once, on the calling thread alone for one worker, exceptions carried
// back to the caller, tasks collected by Wait and by the destructor.
#include "core/WorkerPool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>
#include <vector>

namespace gc {
namespace {

TEST(WorkerPool, ParallelForCallsEveryIndexOnceAndOnlyOneWorkerStaysOnTheCallingThread) {
    const struct {
        int workers;
        std::size_t count;
    } cases[] = {{1, 5}, {0, 3}, {2, 0}, {2, 1}, {2, 1000}, {4, 3}, {4, 5000}};
    for (const auto& c : cases) {
        WorkerPool pool(c.workers);
        EXPECT_EQ(pool.Threads(), std::max(0, c.workers - 1)) << c.workers;
        std::vector<std::atomic<int>> calls(c.count);
        std::mutex mutex;
        std::set<std::thread::id> threads;
        pool.ParallelFor(c.count, [&](std::size_t index) {
            ++calls[index];
            std::lock_guard lock(mutex);
            threads.insert(std::this_thread::get_id());
        });
        for (std::size_t i = 0; i < c.count; ++i)
            EXPECT_EQ(calls[i], 1) << c.workers << " workers, index " << i << " of " << c.count;
        if (c.workers <= 1 && c.count > 0) {
            EXPECT_EQ(threads, std::set{std::this_thread::get_id()}) << c.workers;
        }
        EXPECT_LE(threads.size(), static_cast<std::size_t>(std::max(1, c.workers))) << c.workers;
    }
}

TEST(WorkerPool, ParallelForThrowsTheFirstExceptionAgainAndStartsNoFurtherIndex) {
    for (int workers : {1, 2, 3}) {
        WorkerPool pool(workers);
        std::atomic<int> started{0};
        const auto body = [&](std::size_t index) {
            ++started;
            if (index == 3)
                throw std::runtime_error("index 3");
        };
        try {
            pool.ParallelFor(100000, body);
            ADD_FAILURE() << workers << ": nothing thrown";
        } catch (const std::runtime_error& error) {
            EXPECT_STREQ(error.what(), "index 3") << workers;
        }
        // In order on one thread the throw ends the range at once; with more, each thread finishes at
        // most the call it is in.
        if (workers == 1) {
            EXPECT_EQ(started, 4);
        }
        EXPECT_LT(started, 1000) << workers;
        // The pool is still usable.
        std::atomic<int> after{0};
        pool.ParallelFor(10, [&](std::size_t) { ++after; });
        EXPECT_EQ(after, 10) << workers;
    }
}

TEST(WorkerPool, SubmittedTasksRunInlineWithoutThreadsAndWaitCarriesTheirException) {
    for (int workers : {1, 2, 4}) {
        WorkerPool pool(workers);
        std::atomic<int> ran{0};
        pool.Submit([&] { ++ran; });
        if (workers == 1) {
            EXPECT_EQ(ran, 1) << "not run at once on the calling thread";
        }
        pool.Submit([] { throw std::logic_error("thrown"); });
        for (int i = 0; i < 20; ++i)
            pool.Submit([&] { ++ran; });
        EXPECT_THROW(pool.Wait(), std::logic_error) << workers;
        EXPECT_EQ(ran, 21) << workers << ": a task after the throwing one was dropped";
        EXPECT_NO_THROW(pool.Wait()) << workers << ": the exception was not taken by the first Wait";
    }
}

TEST(WorkerPool, ARangeWithinATaskAndTheDestructorFinishEveryTask) {
    std::atomic<int> calls{0};
    {
        // The one thread runs the first task, whose range the task's own thread must then do alone;
        // the tasks still queued are run before the destructor returns.
        WorkerPool pool(2);
        for (int task = 0; task < 3; ++task)
            pool.Submit([&] { pool.ParallelFor(50, [&](std::size_t) { ++calls; }); });
    }
    EXPECT_EQ(calls, 150);
}

} // namespace
} // namespace gc
