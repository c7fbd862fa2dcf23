// Routes the TIFF library's errors to a Messages sink and switches its warnings off.
//
// The library reports through process-wide C callbacks, so the sink is process-wide too. A
// TiffErrorScope installs a sink for its lifetime and puts the previous one back when it ends;
// without a sink, errors are dropped.
#pragma once

#include "Messages.h"

namespace gc {

// Caption of a library error: the reporting function's name, or "TIFFLIB" without one, plus " Error".
std::string TiffErrorCaption(const char* module);

// Installs the error handler (once) and a null warning handler. Safe to call repeatedly.
void InstallTiffHandlers();

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
