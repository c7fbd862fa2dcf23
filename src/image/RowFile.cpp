#include "RowFile.h"

#include "core/FatalMessages.h"

namespace gc {

RowFileResult RowFileFailure(RowFileOutcome outcome, const std::string& path, int error, const char* detail) {
    return {outcome, DETAIL_WRITING + path, detail ? detail : "", error};
}

} // namespace gc
