// The result of a step of writing a file (RowFile, MrcOutputFile): the outcome, and with a failure the
// file and the system's reason ("writing out/a_1.mrc: No space left on device").
#pragma once

#include "core/Result.h"

#include <string>

namespace gc {

enum class RowFileOutcome {
    Done,
    NotCreated,  // the file (its temporary) could not be created or started
    WriteFailed, // a row, the completion or the close failed (MRC: the rename too)
    NotRenamed   // complete, but the file cannot take its name (TIFF)
};
using RowFileResult = Result<RowFileOutcome>;

// The failure of doing something to the file `path`: "writing <path>" with `error` (errno) or, when
// that is 0, `detail`.
RowFileResult RowFileFailure(RowFileOutcome outcome, const std::string& path, int error,
                             const char* detail = nullptr);

} // namespace gc
