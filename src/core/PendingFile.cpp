#include "PendingFile.h"

#include "FatalMessages.h"
#include "Result.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <signal.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace gc {
namespace {

constexpr const char* TEMPORARY_MARK = ".gc-";
constexpr const char* TEMPORARY_END = ".tmp";
constexpr std::size_t DEFAULT_NAME_MAX = 255;
constexpr int CREATE_ATTEMPTS = 16;
constexpr std::size_t HOST_NAME_LIMIT = 64;

// The temporaries a second stop signal removes before the program ends: fixed places, so the signal's
// handler reads them without locks or allocation. A place is Free, being Filled, Ready to be removed,
// or Taken by the handler.
enum SlotState : int { SLOT_FREE, SLOT_FILLING, SLOT_READY, SLOT_TAKEN };
constexpr int SLOT_COUNT = 128;
constexpr std::size_t SLOT_PATH = 4096;
struct Slot {
    std::atomic<int> state{SLOT_FREE};
    char path[SLOT_PATH];
};
Slot g_slots[SLOT_COUNT];
static_assert(std::atomic<int>::is_always_lock_free);

int Register(const std::string& path) {
    if (path.size() >= SLOT_PATH)
        return -1;
    for (int i = 0; i < SLOT_COUNT; ++i) {
        int expected = SLOT_FREE;
        if (!g_slots[i].state.compare_exchange_strong(expected, SLOT_FILLING))
            continue;
        std::memcpy(g_slots[i].path, path.c_str(), path.size() + 1);
        g_slots[i].state.store(SLOT_READY, std::memory_order_release);
        return i;
    }
    return -1; // not listed: only the first stop signal's orderly end removes it
}

void Unregister(int slot) {
    if (slot < 0)
        return;
    int expected = SLOT_READY;
    g_slots[slot].state.compare_exchange_strong(expected, SLOT_FREE);
}

std::uint64_t RandomPart() {
    std::uint64_t value = 0;
    if (::getrandom(&value, sizeof value, GRND_NONBLOCK) == static_cast<ssize_t>(sizeof value))
        return value;
    static std::atomic<std::uint64_t> counter{0};
    return static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) *
               2654435761u +
           ++counter;
}

std::size_t NameMax(const std::string& folder) {
    const long limit = ::pathconf(folder.empty() ? "." : folder.c_str(), _PC_NAME_MAX);
    return limit > 0 ? static_cast<std::size_t>(limit) : DEFAULT_NAME_MAX;
}

// This machine's name as it goes into a temporary's name: at most HOST_NAME_LIMIT characters of
// letters, digits, "." and "-", anything else written "_".
const std::string& ThisHost() {
    static const std::string host = [] {
        char name[256] = {};
        if (::gethostname(name, sizeof name - 1) != 0 || name[0] == '\0')
            return std::string("localhost");
        std::string text(name, std::min(std::strlen(name), HOST_NAME_LIMIT));
        for (char& c : text)
            if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '-')
                c = '_';
        return text;
    }();
    return host;
}

// The process number of a temporary made on this host, read from its name
// "….gc-<host>-<pid>-<random>.tmp" from the end; 0 for a name made elsewhere or not ours.
long PidOfThisHost(const std::string& fileName) {
    const std::string end = TEMPORARY_END;
    if (fileName.size() <= end.size() || fileName.compare(fileName.size() - end.size(), end.size(), end) != 0)
        return 0;
    const std::size_t randomDash = fileName.rfind('-', fileName.size() - end.size());
    if (randomDash == std::string::npos || randomDash == 0)
        return 0;
    const std::size_t pidDash = fileName.rfind('-', randomDash - 1);
    if (pidDash == std::string::npos || randomDash - pidDash < 2 || randomDash - pidDash > 10)
        return 0;
    long pid = 0;
    for (std::size_t i = pidDash + 1; i < randomDash; ++i) {
        if (fileName[i] < '0' || fileName[i] > '9')
            return 0;
        pid = pid * 10 + (fileName[i] - '0');
    }
    const std::string maker = TEMPORARY_MARK + ThisHost();
    if (pidDash < maker.size() || fileName.compare(pidDash - maker.size(), maker.size(), maker) != 0)
        return 0;
    return pid;
}

// Whether a temporary of this host with the file status `status` is provably abandoned: its process
// is gone and nothing was written to it for the grace period.
bool IsAbandoned(long pid, const struct stat& status) {
    if (pid <= 0 || pid == static_cast<long>(::getpid()))
        return false;
    // A process that still runs (or that we may not signal: it exists) keeps its temporaries.
    if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH)
        return false;
    if (!S_ISREG(status.st_mode) || status.st_uid != ::geteuid())
        return false;
    const auto now = std::chrono::system_clock::now();
    const auto changed = std::chrono::system_clock::time_point(std::chrono::seconds(status.st_mtim.tv_sec));
    return now - changed >= TEMPORARY_GRACE;
}

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

} // namespace

PendingFile::PendingFile(std::string finalPath) : m_final(std::move(finalPath)) {
    ChooseTemporary();
}

void PendingFile::ChooseTemporary() {
    const std::size_t slash = m_final.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::string folder = m_final.substr(0, nameStart);
    char random[17];
    std::snprintf(random, sizeof random, "%016llx", static_cast<unsigned long long>(RandomPart()));
    const std::string suffix = TEMPORARY_MARK + ThisHost() + "-" +
                               std::to_string(static_cast<long>(::getpid())) + "-" + random + TEMPORARY_END;
    // The stem is cut (at a character's start, for UTF-8 names) so that the whole name fits.
    std::string stem = m_final.substr(nameStart);
    const std::size_t limit = NameMax(folder);
    if (1 + stem.size() + suffix.size() > limit) {
        std::size_t keep = limit > suffix.size() + 2 ? limit - suffix.size() - 1 : 1;
        while (keep > 1 && (static_cast<unsigned char>(stem[keep]) & 0xC0) == 0x80)
            --keep;
        stem.resize(keep);
    }
    Unregister(m_nSlot);
    m_temporary = folder + "." + stem + suffix;
    m_nSlot = Register(m_temporary);
}

PendingFile::~PendingFile() {
    Discard();
}

PendingFile::PendingFile(PendingFile&& other) noexcept
    : m_final(std::move(other.m_final)), m_temporary(std::exchange(other.m_temporary, {})),
      m_nSlot(std::exchange(other.m_nSlot, -1)) {}

PendingFile& PendingFile::operator=(PendingFile&& other) noexcept {
    if (this != &other) {
        Discard();
        m_final = std::move(other.m_final);
        m_temporary = std::exchange(other.m_temporary, {});
        m_nSlot = std::exchange(other.m_nSlot, -1);
    }
    return *this;
}

int PendingFile::Create() {
    if (m_temporary.empty()) {
        errno = EINVAL;
        return -1;
    }
    for (int attempt = 0; attempt < CREATE_ATTEMPTS; ++attempt) {
        const int fd =
            ::open(m_temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0)
            return fd;
        if (errno != EEXIST)
            return -1;
        // Someone else's file (or link) has the name: never touch it, take another name.
        ChooseTemporary();
    }
    errno = EEXIST;
    return -1;
}

std::FILE* PendingFile::CreateStream(const char* mode) {
    const int fd = Create();
    if (fd < 0)
        return nullptr;
    std::FILE* stream = ::fdopen(fd, mode);
    if (stream == nullptr) {
        const int error = errno;
        ::close(fd);
        errno = error;
    }
    return stream;
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
    Unregister(std::exchange(m_nSlot, -1));
    m_temporary.clear();
    return true;
}

bool PendingFile::CloseAndCommit(std::FILE* stream) {
    if (stream == nullptr || std::fclose(stream) != 0) {
        const int error = stream == nullptr ? EBADF : errno;
        Discard();
        errno = error;
        return false;
    }
    return Commit();
}

void PendingFile::Discard() {
    if (m_temporary.empty())
        return;
    const int error = errno;
    ::unlink(m_temporary.c_str());
    errno = error;
    Unregister(std::exchange(m_nSlot, -1));
    m_temporary.clear();
}

bool WriteWholeFile(const std::string& path, const void* data, std::size_t size, std::string& error) {
    PendingFile file(path);
    std::FILE* stream = file.CreateStream("wb");
    if (stream == nullptr) {
        error = ReasonText(DETAIL_WRITING + path, {}, errno);
        return false;
    }
    const bool written = std::fwrite(data, 1, size, stream) == size;
    const int reason = errno;
    if (written && file.CloseAndCommit(stream))
        return true;
    if (!written) {
        std::fclose(stream);
        file.Discard();
    }
    error = ReasonText(DETAIL_WRITING + path, {}, written ? errno : reason);
    return false;
}

bool IsPendingFileName(const std::string& fileName) {
    const std::size_t mark = fileName.rfind(TEMPORARY_MARK);
    const std::string end = TEMPORARY_END;
    return fileName.size() > 1 && fileName[0] == '.' && mark != std::string::npos && mark > 1 &&
           fileName.size() >= end.size() &&
           fileName.compare(fileName.size() - end.size(), end.size(), end) == 0;
}

int RemoveStaleTemporaries(const std::string& folder, const std::string& finalName) {
    const std::unique_ptr<DIR, DirCloser> dir(::opendir(folder.empty() ? "." : folder.c_str()));
    if (!dir)
        return 0;
    const int dirFd = ::dirfd(dir.get());
    const std::string prefix = finalName.empty() ? std::string() : "." + finalName + TEMPORARY_MARK;
    int removed = 0;
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string name = entry->d_name;
        if (!IsPendingFileName(name) || name.compare(0, prefix.size(), prefix) != 0)
            continue;
        const long pid = PidOfThisHost(name);
        struct stat status;
        if (pid <= 0 || ::fstatat(dirFd, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0 ||
            !IsAbandoned(pid, status))
            continue;
        if (::unlinkat(dirFd, name.c_str(), 0) == 0)
            ++removed;
    }
    return removed;
}

void RemovePendingTemporariesNow() noexcept {
    for (Slot& slot : g_slots) {
        int expected = SLOT_READY;
        if (slot.state.compare_exchange_strong(expected, SLOT_TAKEN))
            ::unlink(slot.path);
    }
}

bool IsReadOnlyFile(const std::string& path) {
    struct stat status;
    if (::lstat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode))
        return false;
    return (status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::access(path.c_str(), W_OK) != 0;
}

} // namespace gc
