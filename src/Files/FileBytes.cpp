#include "FileBytes.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <new>
#include <utility>

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>


namespace zelto {

namespace {

// Mappings watched for SIGBUS: a file cut short under a mapping makes the pages past its
// new end fault. The handler puts zero pages there and notes it, so reading goes on
// (and fails cleanly) instead of the process ending. Fixed slots, so the handler needs
// no locks.
constexpr int kGuards = 64;
struct Guard {
    std::atomic<uintptr_t> begin{0};
    std::atomic<uintptr_t> end{0};
    std::atomic<bool> truncated{false};
};
Guard gGuards[kGuards];
// The system's page size, read before any mapping is watched (sysconf is not safe to
// call in a signal handler).
const uintptr_t gPageSize = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
struct sigaction gPreviousBusAction;
std::once_flag gHandlerInstalled;

void onBusError(int signal, siginfo_t* info, void* context) {
    auto address = reinterpret_cast<uintptr_t>(info->si_addr);
    for (Guard& guard : gGuards) {
        uintptr_t begin = guard.begin.load(std::memory_order_acquire);
        uintptr_t end = guard.end.load(std::memory_order_acquire);
        if (begin == 0 || address < begin || address >= end) continue;
        uintptr_t page = address & ~(gPageSize - 1);
        void* zeros = mmap(reinterpret_cast<void*>(page), end - page, PROT_READ | PROT_WRITE,
                           MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0);
        if (zeros != MAP_FAILED) {
            guard.truncated.store(true, std::memory_order_release);
            return;  // the access is made again, to the zeros
        }
        break;
    }
    // Not one of ours: as the handler before would have it.
    if (gPreviousBusAction.sa_flags & SA_SIGINFO) {
        if (gPreviousBusAction.sa_sigaction) return gPreviousBusAction.sa_sigaction(signal, info, context);
    } else if (gPreviousBusAction.sa_handler != SIG_DFL && gPreviousBusAction.sa_handler != SIG_IGN) {
        return gPreviousBusAction.sa_handler(signal);
    }
    std::signal(SIGBUS, SIG_DFL);
    raise(SIGBUS);
}

int watch(char* map, size_t length) {
    std::call_once(gHandlerInstalled, [] {
        struct sigaction action {};
        action.sa_sigaction = onBusError;
        action.sa_flags = SA_SIGINFO | SA_NODEFER;
        sigemptyset(&action.sa_mask);
        sigaction(SIGBUS, &action, &gPreviousBusAction);
    });
    for (int slot = 0; slot < kGuards; ++slot) {
        uintptr_t expected = 0;
        if (gGuards[slot].begin.compare_exchange_strong(expected, reinterpret_cast<uintptr_t>(map))) {
            gGuards[slot].truncated.store(false);
            gGuards[slot].end.store(reinterpret_cast<uintptr_t>(map) + length, std::memory_order_release);
            return slot;
        }
    }
    return -1;  // all slots in use: the caller reads instead of mapping
}

void unwatch(int slot) {
    if (slot < 0) return;
    gGuards[slot].end.store(0, std::memory_order_release);
    gGuards[slot].begin.store(0, std::memory_order_release);
}

}  // namespace

DocumentBytes::DocumentBytes(std::string bytes) : _string(std::move(bytes)) {}

std::optional<DocumentBytes> DocumentBytes::mapFile(int fd, size_t size) {
    if (size == 0) return std::nullopt;
    // Read-only and populated: the pages are the page cache's own, mapped in one go
    // rather than faulted in one by one as they are read.
    void* map = mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
    if (map == MAP_FAILED) return std::nullopt;
    int slot = watch(static_cast<char*>(map), size);
    if (slot < 0) {
        munmap(map, size);
        return std::nullopt;
    }
    DocumentBytes bytes;
    bytes._map = static_cast<char*>(map);
    bytes._size = size;
    bytes._mapLength = size;
    bytes._guard = slot;
    return bytes;
}

DocumentBytes::DocumentBytes(DocumentBytes&& other) noexcept { *this = std::move(other); }

DocumentBytes& DocumentBytes::operator=(DocumentBytes&& other) noexcept {
    if (this == &other) return *this;
    release();
    _string = std::move(other._string);
    _map = other._map;
    _size = other._size;
    _mapLength = other._mapLength;
    _guard = other._guard;
    other._map = nullptr;
    other._size = other._mapLength = 0;
    other._guard = -1;
    return *this;
}

DocumentBytes::~DocumentBytes() { release(); }

bool DocumentBytes::truncated() const {
    return _guard >= 0 && gGuards[_guard].truncated.load(std::memory_order_acquire);
}

void DocumentBytes::release() {
    if (_map) {
        munmap(_map, _mapLength);
        unwatch(_guard);
    }
    _map = nullptr;
    _size = _mapLength = 0;
    _guard = -1;
    std::string().swap(_string);
}

ScratchBytes::ScratchBytes(size_t capacity) : _capacity(capacity) {
    if (capacity == 0) return;
    void* map = mmap(nullptr, capacity, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (map == MAP_FAILED) throw std::bad_alloc();
    _map = static_cast<char*>(map);
}

ScratchBytes::~ScratchBytes() {
    if (_map) munmap(_map, _capacity);
}

DocumentBytes ScratchBytes::finish(size_t used) {
    DocumentBytes bytes;
    if (used == 0 || !_map) return bytes;
    // Whole pages past the bytes go back now.
    size_t kept = (used + gPageSize - 1) & ~(gPageSize - 1);
    if (kept < _capacity) munmap(_map + kept, _capacity - kept);
    bytes._map = _map;
    bytes._size = used;
    bytes._mapLength = kept;
    _map = nullptr;
    _capacity = 0;
    return bytes;
}

bool sameFile(const std::string& a, const std::string& b) {
    struct stat sa {}, sb {};
    return stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

}  // namespace zelto
