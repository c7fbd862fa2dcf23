#include "RowWriter.h"

#include "ImageExtraction.h"
#include "core/TiffErrors.h"

#include <algorithm>
#include <optional>
#include <utility>

namespace gc {

RowWriter::RowWriter(ImageRowSink& sink, std::size_t rowBytes, int slots)
    : m_sink(sink), m_ring(static_cast<std::size_t>(std::max(2, slots))) {
    for (Slot& slot : m_ring)
        slot.row.resize(rowBytes);
    m_nBatch = std::max<std::size_t>(1, m_ring.size() / 4);
    // The library's errors on the writer's thread go where the creating thread's go.
    m_thread = std::thread([this, sink = TiffErrorSink()] {
        std::optional<TiffErrorScope> errors;
        if (sink != nullptr)
            errors.emplace(*sink);
        Run();
    });
}

RowWriter::~RowWriter() {
    {
        std::lock_guard lock(m_mutex);
        m_bStopping = true;
    }
    m_rowsQueued.notify_one();
    if (m_thread.joinable())
        m_thread.join();
}

unsigned char* RowWriter::NextRow() {
    std::unique_lock lock(m_mutex);
    m_bCallerWaits = true;
    m_rowsHanded.wait(lock, [this] { return Waiting() < m_ring.size(); });
    m_bCallerWaits = false;
    return m_ring[m_nQueued % m_ring.size()].row.data();
}

RunOutcome RowWriter::Queue(int image, int rowIndex) {
    bool wake = false;
    RunOutcome failure = RunOutcome::Done;
    {
        std::lock_guard lock(m_mutex);
        Slot& slot = m_ring[m_nQueued % m_ring.size()];
        slot.image = image;
        slot.rowIndex = rowIndex;
        ++m_nQueued;
        wake = m_bWriterWaits && Waiting() >= m_nBatch;
        // After a throw the rows are dropped too; Finish throws it again.
        failure = m_thrown ? RunOutcome::FatalWrite : m_failure.outcome;
    }
    if (wake)
        m_rowsQueued.notify_one();
    return failure;
}

SplitResult RowWriter::Finish() {
    std::unique_lock lock(m_mutex);
    m_bFinishing = true;
    m_rowsQueued.notify_one();
    m_bCallerWaits = true;
    m_rowsHanded.wait(lock, [this] { return Waiting() == 0; });
    m_bCallerWaits = false;
    m_bFinishing = false;
    if (m_thrown)
        std::rethrow_exception(std::exchange(m_thrown, nullptr));
    return m_failure;
}

void RowWriter::Run() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_bWriterWaits = true;
        m_rowsQueued.wait(
            lock, [this] { return m_bStopping || Waiting() >= m_nBatch || (m_bFinishing && Waiting() > 0); });
        m_bWriterWaits = false;
        if (m_bStopping)
            return;
        // The rows waiting now are handed over without the mutex; the caller fills other buffers.
        const Slot& slot = m_ring[m_nHanded % m_ring.size()];
        if (m_failure.Succeeded() && !m_thrown) {
            lock.unlock();
            SplitResult written = SplitResult::Of(RunOutcome::FatalWrite);
            std::exception_ptr thrown;
            try {
                written = m_sink.WriteOutputRow(slot.image, slot.row.data(), slot.rowIndex);
            } catch (...) {
                thrown = std::current_exception();
            }
            lock.lock();
            if (thrown)
                m_thrown = thrown;
            else if (!written.Succeeded())
                m_failure = std::move(written);
        }
        ++m_nHanded;
        if (m_bCallerWaits && (Waiting() == 0 || m_ring.size() - Waiting() >= m_nBatch))
            m_rowsHanded.notify_one();
    }
}

} // namespace gc
