// Routes the TIFF library's errors to a Messages sink and switches its warnings off.
//
// The library reports through process-wide C callbacks; the sink is the reporting thread's own, so a
// Run on one thread and the viewer reading a file on another each hear of their own errors. A
// TiffErrorScope installs a sink for its thread and lifetime and puts the previous one back when it
// ends; without a sink, errors are dropped. A thread that works for another (a writer thread) installs
// the other's sink (TiffErrorSink) for itself.
#pragma once

#include "Messages.h"

#include <string>
#include <vector>

namespace gc {

// Caption of a library error: the reporting function's name, or "TIFFLIB" without one, plus " Error".
std::string TiffErrorCaption(const char* module);

// Installs the error handler (once) and a null warning handler. Safe to call repeatedly.
void InstallTiffHandlers();

// One error the library reported: the caption (see TiffErrorCaption) and the formatted text.
struct TiffErrorRecord {
    std::string caption;
    std::string text;
};

// While a capture lives, the library's errors reported on its thread are appended to `into` instead
// of being shown: worker threads that read tiles keep their errors for the thread that owns the
// Messages sink, which shows them in tile order. Captures nest per thread.
class TiffErrorCapture {
public:
    explicit TiffErrorCapture(std::vector<TiffErrorRecord>& into);
    ~TiffErrorCapture();
    TiffErrorCapture(const TiffErrorCapture&) = delete;
    TiffErrorCapture& operator=(const TiffErrorCapture&) = delete;

private:
    std::vector<TiffErrorRecord>* previous;
};

// Shows kept errors as the error handler would have shown them.
void ShowTiffErrors(const std::vector<TiffErrorRecord>& records, Messages& messages);

// The calling thread's sink, or nullptr.
Messages* TiffErrorSink();

class TiffErrorScope {
public:
    explicit TiffErrorScope(Messages& messages);
    ~TiffErrorScope();
    TiffErrorScope(const TiffErrorScope&) = delete;
    TiffErrorScope& operator=(const TiffErrorScope&) = delete;

private:
    Messages* m_pPrevious;
};

} // namespace gc
