#include "PendingOutput.h"

#include <cerrno>
#include <cstring>

namespace gc {

bool PendingOutput::Open(const std::string& finalPath) {
    m_file.reset();
    m_pending = PendingFile(finalPath);
    m_file.reset(std::fopen(m_pending.TemporaryPath().c_str(), "wb"));
    return static_cast<bool>(m_file);
}

bool PendingOutput::Commit() {
    if (!m_file)
        return false;
    if (std::fclose(m_file.release()) != 0) {
        const int error = errno;
        m_pending.Discard();
        errno = error;
        return false;
    }
    return m_pending.Commit();
}

std::string SystemReason(int error) {
    return error == 0 ? std::string("unknown error") : std::string(std::strerror(error));
}

} // namespace gc
