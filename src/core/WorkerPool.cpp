// The pool's threads take tasks from one queue. A range of indices is shared through a record that
// every thread working on it holds, so a thread that takes its task only after the range is done finds
// the record closed and leaves at once; the calling thread waits only for the threads that joined.
#include "WorkerPool.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <new>
#include <system_error>
#include <utility>

namespace gc {
namespace {

class IndexRange {
public:
    IndexRange(std::size_t count, const std::function<void(std::size_t)>& body)
        : m_count(count), m_body(body) {}

    // Calls the body with the next free index until none is left or a call has thrown.
    void Take() {
        for (std::size_t index = m_next++; index < m_count; index = m_next++) {
            try {
                m_body(index);
            } catch (...) {
                std::lock_guard lock(m_mutex);
                if (!m_thrown)
                    m_thrown = std::current_exception();
                m_next = m_count;
                return;
            }
        }
    }

    // A thread that takes its part: false once the range is closed (the body may be gone).
    bool Join() {
        std::lock_guard lock(m_mutex);
        if (m_closed)
            return false;
        ++m_helpers;
        return true;
    }

    void Leave() {
        std::lock_guard lock(m_mutex);
        --m_helpers;
        m_left.notify_all();
    }

    // Closes the range to threads yet to join, waits for those that did, and throws again the first
    // exception a call threw.
    // The exception is taken out of the range, which a thread yet to take its task may free later.
    void Close() {
        std::exception_ptr thrown;
        {
            std::unique_lock lock(m_mutex);
            m_closed = true;
            m_left.wait(lock, [this] { return m_helpers == 0; });
            std::swap(thrown, m_thrown);
        }
        if (thrown)
            std::rethrow_exception(thrown);
    }

private:
    const std::size_t m_count;
    const std::function<void(std::size_t)>& m_body;
    std::atomic<std::size_t> m_next{0};
    std::mutex m_mutex;
    std::condition_variable m_left;
    int m_helpers = 0;
    bool m_closed = false;
    std::exception_ptr m_thrown;
};

} // namespace

WorkerPool::WorkerPool(int workers) {
    if (workers <= 1)
        return;
    m_threads.reserve(static_cast<std::size_t>(workers - 1));
    for (int i = 1; i < workers; ++i) {
        try {
            m_threads.emplace_back([this] { Work(); });
        } catch (const std::system_error&) {
            break; // fewer threads: the calling thread does the rest
        }
    }
}

WorkerPool::~WorkerPool() {
    {
        std::unique_lock lock(m_mutex);
        m_idle.wait(lock, [this] { return m_queue.empty() && m_running == 0; });
        m_stopping = true;
    }
    m_queued.notify_all();
    for (std::thread& thread : m_threads)
        thread.join();
}

void WorkerPool::Submit(std::function<void()> task) {
    if (m_threads.empty()) {
        RunTask(task);
        return;
    }
    {
        std::lock_guard lock(m_mutex);
        m_queue.push_back(std::move(task));
    }
    m_queued.notify_one();
}

void WorkerPool::Wait() {
    std::exception_ptr thrown;
    {
        std::unique_lock lock(m_mutex);
        m_idle.wait(lock, [this] { return m_queue.empty() && m_running == 0; });
        std::swap(thrown, m_thrown);
    }
    if (thrown)
        std::rethrow_exception(thrown);
}

void WorkerPool::ParallelFor(std::size_t count, const std::function<void(std::size_t)>& body) {
    if (count == 0)
        return;
    const auto range = std::make_shared<IndexRange>(count, body);
    const std::size_t helpers = std::min(m_threads.size(), count - 1);
    try {
        for (std::size_t i = 0; i < helpers; ++i) {
            {
                std::lock_guard lock(m_mutex);
                m_queue.emplace_back([range] {
                    if (!range->Join())
                        return;
                    range->Take();
                    range->Leave();
                });
            }
            m_queued.notify_one();
        }
    } catch (const std::bad_alloc&) {
        // Fewer helpers: the calling thread does the rest.
    }
    range->Take();
    range->Close();
}

void WorkerPool::Work() {
    for (;;) {
        std::function<void()> task;
        {
            std::unique_lock lock(m_mutex);
            m_queued.wait(lock, [this] { return m_stopping || !m_queue.empty(); });
            if (m_queue.empty())
                return;
            task = std::move(m_queue.front());
            m_queue.pop_front();
            ++m_running;
        }
        RunTask(task);
        {
            std::lock_guard lock(m_mutex);
            --m_running;
            if (m_queue.empty() && m_running == 0)
                m_idle.notify_all();
        }
    }
}

void WorkerPool::RunTask(const std::function<void()>& task) {
    try {
        task();
    } catch (...) {
        std::lock_guard lock(m_mutex);
        if (!m_thrown)
            m_thrown = std::current_exception();
    }
}

} // namespace gc
