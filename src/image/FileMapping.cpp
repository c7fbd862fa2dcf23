// Read-only mappings of whole files and their bus-error guard (see FileMapping.h).
#include "image/FileMapping.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>

#include <csignal>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace gc {
namespace {

// One watched mapping: its address range while it is mapped (begin 0 when the slot is free) and
// whether a page of it had to be replaced.
struct GuardSlot {
    std::atomic<bool> taken{false};
    std::atomic<std::uintptr_t> begin{0};
    std::atomic<std::uintptr_t> end{0};
    std::atomic<bool> lost{false};
};

constexpr int GUARD_SLOTS = 256;
std::array<GuardSlot, GUARD_SLOTS> guardSlots;
std::uintptr_t pageBytes = 4096;
struct sigaction earlierAction {};

// Passes a bus error that is not the guard's to the handler installed before; with none, the default
// action is restored and the faulting access, made again on return, ends the process as it would have.
void PassOn(int signal, siginfo_t* info, void* context) {
    if ((earlierAction.sa_flags & SA_SIGINFO) != 0 && earlierAction.sa_sigaction != nullptr) {
        earlierAction.sa_sigaction(signal, info, context);
        return;
    }
    if (earlierAction.sa_handler != SIG_DFL && earlierAction.sa_handler != SIG_IGN &&
        earlierAction.sa_handler != nullptr) {
        earlierAction.sa_handler(signal);
        return;
    }
    std::signal(SIGBUS, SIG_DFL);
}

// Only async-signal-safe work: atomic loads and stores and one mmap of a zero page over the page the
// file no longer has.
void OnBusError(int signal, siginfo_t* info, void* context) {
    const auto address = reinterpret_cast<std::uintptr_t>(info->si_addr);
    for (GuardSlot& slot : guardSlots) {
        const std::uintptr_t begin = slot.begin.load(std::memory_order_acquire);
        if (begin == 0 || address < begin || address >= slot.end.load(std::memory_order_acquire))
            continue;
        // The page start comes from the faulting address the kernel gives as a number.
        void* page =
            reinterpret_cast<void*>(address / pageBytes * pageBytes); // NOLINT(performance-no-int-to-ptr)
        if (::mmap(page, pageBytes, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) == MAP_FAILED)
            break;
        slot.lost.store(true, std::memory_order_release);
        return;
    }
    PassOn(signal, info, context);
}

void InstallGuard() {
    static std::once_flag installed;
    std::call_once(installed, [] {
        pageBytes = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
        struct sigaction action {};
        action.sa_sigaction = OnBusError;
        action.sa_flags = SA_SIGINFO | SA_NODEFER;
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGBUS, &action, &earlierAction);
    });
}

// A free slot watching [data, data + size), or -1 when all are taken.
int Watch(const unsigned char* data, std::size_t size) {
    InstallGuard();
    for (int index = 0; index < GUARD_SLOTS; ++index) {
        GuardSlot& slot = guardSlots[static_cast<std::size_t>(index)];
        bool free = false;
        if (!slot.taken.compare_exchange_strong(free, true))
            continue;
        slot.lost.store(false);
        slot.end.store(reinterpret_cast<std::uintptr_t>(data) + size, std::memory_order_release);
        slot.begin.store(reinterpret_cast<std::uintptr_t>(data), std::memory_order_release);
        return index;
    }
    return -1;
}

} // namespace

std::shared_ptr<const FileMapping> FileMapping::Open(const std::string& path) {
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
        return nullptr;
    struct stat status {};
    void* data = MAP_FAILED;
    if (::fstat(descriptor, &status) == 0 && status.st_size > 0)
        data =
            ::mmap(nullptr, static_cast<std::size_t>(status.st_size), PROT_READ, MAP_PRIVATE, descriptor, 0);
    const auto size = static_cast<std::size_t>(status.st_size);
    const int slot = data == MAP_FAILED ? -1 : Watch(static_cast<const unsigned char*>(data), size);
    if (slot < 0) {
        if (data != MAP_FAILED)
            ::munmap(data, size);
        ::close(descriptor);
        return nullptr;
    }
    return std::shared_ptr<const FileMapping>(
        new FileMapping(static_cast<const unsigned char*>(data), size, slot, descriptor));
}

FileMapping::~FileMapping() {
    GuardSlot& slot = guardSlots[static_cast<std::size_t>(m_nSlot)];
    slot.begin.store(0, std::memory_order_release);
    ::munmap(const_cast<unsigned char*>(m_pData), m_nSize);
    slot.end.store(0);
    slot.taken.store(false, std::memory_order_release);
    ::close(m_nDescriptor);
}

bool FileMapping::Lost() const {
    if (guardSlots[static_cast<std::size_t>(m_nSlot)].lost.load(std::memory_order_acquire))
        return true;
    struct stat status {};
    return ::fstat(m_nDescriptor, &status) != 0 || status.st_size < static_cast<off_t>(m_nSize);
}

void FileMapping::Release(std::size_t offset, std::size_t length) const {
    const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    const std::size_t begin = offset / page * page;
    const std::size_t end = offset + length < m_nSize ? offset + length : m_nSize;
    if (end > begin)
        ::madvise(const_cast<unsigned char*>(m_pData) + begin, end - begin, MADV_DONTNEED);
}

} // namespace gc
