// WorkerPool: a fixed set of threads for work that splits into parts. The pool is made for a number of
// workers with the calling thread counted, so it starts one thread fewer (none for one worker); a
// thread the system refuses means fewer threads, and with none every task runs on the calling thread.
// Tasks are given one by one (Submit, collected by Wait) or as the indices of a range (ParallelFor,
// which the calling thread works on too). What a task throws is thrown again on the calling thread.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace gc {

class WorkerPool {
public:
    // Starts up to `workers` − 1 threads (none when `workers` is 1 or less).
    explicit WorkerPool(int workers);
    // Waits for every task given so far (what they throw is dropped) and ends the threads.
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    // The threads started, the calling thread not counted.
    int Threads() const { return static_cast<int>(m_threads.size()); }

    // Queues `task` for the first free thread; with no thread, runs it at once on the calling thread.
    // Tasks that wait for the calling thread must have a thread each: give at most Threads() of them.
    void Submit(std::function<void()> task);
    // Waits until every task given so far has run, and throws again the first exception one of them
    // threw since the last Wait (the later ones are dropped).
    void Wait();

    // Calls `body` once with each index from 0 to `count` − 1, on the threads and the calling thread,
    // and returns when every call has returned. Indices are handed out in rising order; once a call
    // throws, no further index is started, and the first exception is thrown again here. It may be
    // called from within a task: the calling thread does every index no free thread takes.
    void ParallelFor(std::size_t count, const std::function<void(std::size_t)>& body);

private:
    // A thread: runs queued tasks until the destructor ends it.
    void Work();
    // Runs `task`, keeping the first exception for Wait.
    void RunTask(const std::function<void()>& task);

    std::mutex m_mutex;
    std::condition_variable m_queued, m_idle;
    std::deque<std::function<void()>> m_queue;
    int m_running = 0; // tasks being run by a thread
    bool m_stopping = false;
    std::exception_ptr m_thrown;
    std::vector<std::thread> m_threads;
};

} // namespace gc
