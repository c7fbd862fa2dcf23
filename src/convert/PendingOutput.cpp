#include "PendingOutput.h"

#include <cerrno>
#include <cstring>

namespace gc {

bool PendingOutput::Open(const std::string& finalPath) {
    m_file.reset();
    m_pending = PendingFile(finalPath);
    m_file.reset(m_pending.CreateStream("wb"));
    return static_cast<bool>(m_file);
}

bool PendingOutput::Commit() {
    if (!m_file)
        return false;
    return m_pending.CloseAndCommit(m_file.release());
}

std::string SystemReason(int error) {
    return error == 0 ? std::string("unknown error") : std::string(std::strerror(error));
}

} // namespace gc
