#include "PendingFile.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>
#include <utility>

namespace gc {
namespace {

constexpr const char* TEMPORARY_MARK = ".gc-";
constexpr const char* TEMPORARY_END = ".tmp";

std::atomic<unsigned long> g_nextTemporary{0};

} // namespace

PendingFile::PendingFile(std::string finalPath) : m_final(std::move(finalPath)) {
    const std::size_t slash = m_final.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    m_temporary = m_final.substr(0, nameStart) + "." + m_final.substr(nameStart) + TEMPORARY_MARK +
                  std::to_string(static_cast<long>(::getpid())) + "-" + std::to_string(++g_nextTemporary) +
                  TEMPORARY_END;
}

PendingFile::~PendingFile() {
    Discard();
}

PendingFile::PendingFile(PendingFile&& other) noexcept
    : m_final(std::move(other.m_final)), m_temporary(std::exchange(other.m_temporary, {})) {}

PendingFile& PendingFile::operator=(PendingFile&& other) noexcept {
    if (this != &other) {
        Discard();
        m_final = std::move(other.m_final);
        m_temporary = std::exchange(other.m_temporary, {});
    }
    return *this;
}

bool PendingFile::Commit() {
    if (m_temporary.empty())
        return false;
    if (std::rename(m_temporary.c_str(), m_final.c_str()) != 0) {
        const int error = errno;
        Discard();
        errno = error;
        return false;
    }
    m_temporary.clear();
    return true;
}

void PendingFile::Discard() {
    if (m_temporary.empty())
        return;
    const int error = errno;
    ::unlink(m_temporary.c_str());
    errno = error;
    m_temporary.clear();
}

bool WriteWholeFile(const std::string& path, const void* data, std::size_t size, std::string& error) {
    PendingFile file(path);
    std::FILE* stream = std::fopen(file.TemporaryPath().c_str(), "wb");
    bool written = stream != nullptr && std::fwrite(data, 1, size, stream) == size;
    int reason = errno;
    if (stream != nullptr && std::fclose(stream) != 0 && written) {
        written = false;
        reason = errno;
    }
    if (written && file.Commit())
        return true;
    error = "writing " + path + ": " + std::strerror(written ? errno : reason);
    return false;
}

bool IsPendingFileName(const std::string& fileName) {
    const std::size_t mark = fileName.rfind(TEMPORARY_MARK);
    const std::string end = TEMPORARY_END;
    return fileName.size() > 1 && fileName[0] == '.' && mark != std::string::npos && mark > 1 &&
           fileName.size() >= end.size() &&
           fileName.compare(fileName.size() - end.size(), end.size(), end) == 0;
}

} // namespace gc
