// RowWriter: hands the found images' rows to their sink on a thread of its own, so that the tiles
// of the next rows are decoded while the rows before them are summed, widened and written. The rows
// wait in a ring of row buffers; the caller fills the next free buffer (waiting while the ring is
// full) and queues it, and the thread hands the rows to the sink in the order they were queued. The
// sink's first failure ends the writing: the rows queued after it are dropped and the failure is
// what Queue and Finish return from then on. Whatever the sink throws is thrown again on the
// caller's thread by Finish.
#pragma once

#include "RunOutcome.h"

#include <condition_variable>
#include <cstddef>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace gc {

class ImageRowSink;

class RowWriter {
public:
    // A ring of `slots` buffers of `rowBytes` each (at least 2) for `sink`. Throws std::system_error
    // when the thread cannot be started.
    RowWriter(ImageRowSink& sink, std::size_t rowBytes, int slots);
    // Drops the rows not yet handed over and ends the thread.
    ~RowWriter();
    RowWriter(const RowWriter&) = delete;
    RowWriter& operator=(const RowWriter&) = delete;

    // The buffer for the next row; waits while every buffer holds a row not yet handed over.
    unsigned char* NextRow();
    // Queues the row filled in the buffer NextRow gave as row `rowIndex` of image `image`; the
    // sink's first failure so far, Done while there is none.
    RunOutcome Queue(int image, int rowIndex);
    // Waits until every queued row is handed over (or dropped after a failure) and returns the
    // sink's first failure with its reason, Done when there was none.
    SplitResult Finish();

private:
    struct Slot {
        std::vector<unsigned char> row;
        int image = 0, rowIndex = 0;
    };

    // The thread: hands the queued rows over until the destructor stops it.
    void Run();
    // With the mutex held.
    std::size_t Waiting() const { return m_nQueued - m_nHanded; }

    ImageRowSink& m_sink;
    std::vector<Slot> m_ring;
    // Either side wakes the other only for this many rows (or for the last ones), not for each row.
    std::size_t m_nBatch = 1;
    std::mutex m_mutex;
    std::condition_variable m_rowsQueued, m_rowsHanded;
    std::size_t m_nQueued = 0; // rows queued so far
    std::size_t m_nHanded = 0; // rows handed over (or dropped) so far
    bool m_bWriterWaits = false, m_bCallerWaits = false, m_bFinishing = false;
    bool m_bStopping = false;
    SplitResult m_failure;
    std::exception_ptr m_thrown;
    std::thread m_thread; // last: started when everything it uses is ready
};

} // namespace gc
