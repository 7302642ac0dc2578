#include "MQAMemory.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

#include "MQATreeAllocator.h"

#if defined(__linux__)
#include <sys/mman.h>
#if !defined(MADV_COLLAPSE)
#define MADV_COLLAPSE 25  // Linux 6.1; older C libraries do not name it
#endif
#endif

#if defined(__SANITIZE_ADDRESS__)
#define MQA_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define MQA_ADDRESS_SANITIZER 1
#endif
#endif

#if defined(MQA_ADDRESS_SANITIZER)
#include <sanitizer/asan_interface.h>
#define MQA_POISON(p, n) ASAN_POISON_MEMORY_REGION(p, n)
#define MQA_UNPOISON(p, n) ASAN_UNPOISON_MEMORY_REGION(p, n)
#else
#define MQA_POISON(p, n) ((void)(p), (void)(n))
#define MQA_UNPOISON(p, n) ((void)(p), (void)(n))
#endif

namespace mqa {

namespace {
constexpr size_t kHugePage = size_t{2} << 20;
// What a general heap keeps in front of a large block, besides the block itself.
constexpr size_t kHeapOverhead = 32;
std::atomic<bool> gHugePageAdvice{false};
}  // namespace

void setHugePageAdvice(bool on) { gHugePageAdvice.store(on, std::memory_order_relaxed); }
bool hugePageAdvice() { return gHugePageAdvice.load(std::memory_order_relaxed); }

void adviseHugePages(const void* data, size_t bytes) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    if (!hugePageAdvice() || bytes < kHugePage - kHeapOverhead) return;
    // Whole small pages around the block: advice only lets the system use huge pages,
    // which it does only for huge-page ranges wholly inside advised memory.
    constexpr uintptr_t kPage = 4096;
    uintptr_t begin = reinterpret_cast<uintptr_t>(data) & ~(kPage - 1);
    uintptr_t end = (reinterpret_cast<uintptr_t>(data) + bytes + kPage - 1) & ~(kPage - 1);
    madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
    // A heap writes its own header just before the block, so the first huge page of a
    // block that starts on a huge-page boundary already holds a small page. Collapsing
    // it now spares the faults of the other small pages of that huge page.
    if ((begin & (kHugePage - 1)) == 0 && end - begin >= kHugePage)
        madvise(reinterpret_cast<void*>(begin), kHugePage, MADV_COLLAPSE);
#else
    (void)data;
    (void)bytes;
#endif
}

void populatePages(void* data, size_t bytes) {
#if defined(__linux__)
#if !defined(MADV_POPULATE_WRITE)
    constexpr int MADV_POPULATE_WRITE = 23;  // Linux 5.14; older C libraries do not name it
#endif
    // Only whole pages inside the block: the pages at its ends may hold other blocks.
    constexpr uintptr_t kPage = 4096;
    uintptr_t begin = (reinterpret_cast<uintptr_t>(data) + kPage - 1) & ~(kPage - 1);
    uintptr_t end = (reinterpret_cast<uintptr_t>(data) + bytes) & ~(kPage - 1);
    if (end <= begin) return;
    auto populate = [](uintptr_t from, uintptr_t to) {
        madvise(reinterpret_cast<void*>(from), to - from, MADV_POPULATE_WRITE);
    };
    // Past this, the second core pays for the thread it takes.
    constexpr uintptr_t kWorthSharing = uintptr_t{8} << 20;
    if (end - begin < kWorthSharing) {
        populate(begin, end);
        return;
    }
    uintptr_t middle = (begin + (end - begin) / 2) & ~(kPage - 1);
    try {
        std::thread helper(populate, begin, middle);
        populate(middle, end);
        helper.join();
    } catch (const std::system_error&) {
        populate(begin, end);  // no thread to be had
    }
#else
    (void)data;
    (void)bytes;
#endif
}

size_t hugePageFriendlyBytes(size_t bytes) {
    if (!hugePageAdvice() || bytes < kHugePage - kHeapOverhead || bytes > SIZE_MAX - 2 * kHugePage) return bytes;
    return ((bytes + kHeapOverhead + kHugePage - 1) & ~(kHugePage - 1)) - kHeapOverhead;
}

namespace {

constexpr size_t kHeaderBytes = 64;
constexpr size_t kAlignment = 16;
// Larger blocks go to the general heap, so a slab never loses much to its unused end.
constexpr size_t kLargestSlabBlock = 32 << 10;
#if defined(MQA_ADDRESS_SANITIZER)
// Poisoned bytes after each block, so the sanitizer sees overruns into the next one.
constexpr size_t kRedZone = 16;
// Small slabs from the sanitizer's heap: poisoning a whole huge page per slab would
// slow checked runs down for nothing.
constexpr size_t kSlabSpan = 128 << 10;
#else
constexpr size_t kRedZone = 0;
constexpr size_t kSlabSpan = kSlabBytes;
static_assert(kSlabSpan == kHugePage);
// Empty slabs kept in memory: a tree freed and another read at once reuse them.
constexpr size_t kCachedSlabs = 8;
constexpr size_t kSlabsPerRegion = 32;  // address space is reserved 64 MiB at a time
#endif

// A slab's count of live blocks. While a thread carves from the slab the count holds an
// extra kOpen, so frees from other threads cannot bring it to zero; the thread settles
// it, less the blocks it handed out, when it moves on.
struct SlabHeader {
    std::atomic<int64_t> live;
};
constexpr int64_t kOpen = int64_t{1} << 62;
static_assert(sizeof(SlabHeader) <= kHeaderBytes);

SlabHeader* headerOf(char* slab) { return reinterpret_cast<SlabHeader*>(slab); }

char* slabOf(void* pointer) {
    return reinterpret_cast<char*>(reinterpret_cast<uintptr_t>(pointer) & ~(uintptr_t{kSlabSpan} - 1));
}

class SlabPool {
public:
    char* take() {
        char* slab = nullptr;
        {
            std::lock_guard<std::mutex> lock(_mutex);
            ++_inUse;
            if (!_resident.empty()) {
                slab = _resident.back();
                _resident.pop_back();
            } else {
                if (_released.empty()) reserveRegion();
                slab = _released.back();
                _released.pop_back();
            }
        }
        new (slab) SlabHeader{kOpen};
        MQA_POISON(slab + kHeaderBytes, kSlabSpan - kHeaderBytes);
        return slab;
    }

    void give(char* slab) {
#if defined(MQA_ADDRESS_SANITIZER)
        {
            std::lock_guard<std::mutex> lock(_mutex);
            --_inUse;
        }
        // Freed to the sanitizer's heap, which then reports any later use.
        MQA_UNPOISON(slab, kSlabSpan);
        std::free(slab);
#else
        {
            std::lock_guard<std::mutex> lock(_mutex);
            --_inUse;
            if (_resident.size() < kCachedSlabs) {
                _resident.push_back(slab);
                return;
            }
        }
        releasePages(slab);  // outside the lock: other threads need not wait for it
        std::lock_guard<std::mutex> lock(_mutex);
        _released.push_back(slab);
#endif
    }

    SlabCounts counts() {
        std::lock_guard<std::mutex> lock(_mutex);
        return SlabCounts{_inUse, _resident.size(), _released.size()};
    }

private:
    // Adds slabs with no memory behind them yet to _released.
    void reserveRegion() {
#if defined(MQA_ADDRESS_SANITIZER)
        // Slabs from the sanitizer's heap: it checks frees, and its leak check sees
        // the pointers stored in them.
        void* slab = std::aligned_alloc(kSlabSpan, kSlabSpan);
        if (!slab) throw std::bad_alloc();
        _released.push_back(static_cast<char*>(slab));
#elif defined(__linux__)
        size_t bytes = kSlabsPerRegion * kSlabSpan;
        void* mapped = mmap(nullptr, bytes + kSlabSpan, PROT_READ | PROT_WRITE,
                            MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
        if (mapped == MAP_FAILED) throw std::bad_alloc();
        // Trim the mapping to a slab-aligned region.
        auto start = reinterpret_cast<uintptr_t>(mapped);
        uintptr_t aligned = (start + kSlabSpan - 1) & ~(uintptr_t{kSlabSpan} - 1);
        if (aligned > start) munmap(mapped, aligned - start);
        uintptr_t tail = aligned + bytes;
        if (start + bytes + kSlabSpan > tail) munmap(reinterpret_cast<void*>(tail), start + bytes + kSlabSpan - tail);
#if defined(MADV_HUGEPAGE)
        if (hugePageAdvice()) madvise(reinterpret_cast<void*>(aligned), bytes, MADV_HUGEPAGE);
#endif
        // Taken lowest address first.
        for (size_t i = kSlabsPerRegion; i-- > 0;) _released.push_back(reinterpret_cast<char*>(aligned + i * kSlabSpan));
#else
        void* slab = std::aligned_alloc(kSlabSpan, kSlabSpan);
        if (!slab) throw std::bad_alloc();
        _released.push_back(static_cast<char*>(slab));
#endif
    }

    static void releasePages(char* slab) {
#if defined(__linux__)
        madvise(slab, kSlabSpan, MADV_DONTNEED);
#else
        (void)slab;
#endif
    }

    std::mutex _mutex;
    size_t _inUse = 0;
    std::vector<char*> _resident;
    std::vector<char*> _released;
};

// Lives as long as the process: blocks may be freed by static destructors.
SlabPool& pool() {
    static SlabPool* instance = new SlabPool;
    return *instance;
}

void dropLive(char* slab, int64_t count) {
    if (headerOf(slab)->live.fetch_sub(count, std::memory_order_acq_rel) == count) pool().give(slab);
}

// The slab a thread carves from.
struct ThreadSlab {
    char* slab = nullptr;
    char* next = nullptr;
    char* end = nullptr;
    int64_t handedOut = 0;

    ~ThreadSlab() { settle(); }

    void settle() {
        if (!slab) return;
        char* done = slab;
        slab = next = end = nullptr;
        dropLive(done, kOpen - handedOut);
    }

    void refill() {
        settle();
        char* fresh = pool().take();
        slab = fresh;
        next = fresh + kHeaderBytes;
        end = fresh + kSlabSpan;
        handedOut = 0;
    }
};

thread_local ThreadSlab tThreadSlab;

size_t blockSize(size_t bytes) { return (bytes + kRedZone + kAlignment - 1) & ~(kAlignment - 1); }

}  // namespace

void* slabAllocate(size_t bytes) {
    size_t size = blockSize(bytes == 0 ? 1 : bytes);
    if (size > kLargestSlabBlock) {
        size_t asked = hugePageFriendlyBytes(bytes);
        void* block = ::operator new(asked);
        adviseHugePages(block, asked);
        return block;
    }
    ThreadSlab& own = tThreadSlab;
    if (static_cast<size_t>(own.end - own.next) < size) own.refill();
    char* block = own.next;
    own.next += size;
    ++own.handedOut;
    MQA_UNPOISON(block, bytes);
    return block;
}

void slabDeallocate(void* pointer, size_t bytes) noexcept {
    if (!pointer) return;
    if (blockSize(bytes == 0 ? 1 : bytes) > kLargestSlabBlock) {
        ::operator delete(pointer);
        return;
    }
    MQA_POISON(pointer, bytes);
    dropLive(slabOf(pointer), 1);
}

void returnThreadSlab() { tThreadSlab.settle(); }

SlabCounts slabCounts() { return pool().counts(); }

void* treeAllocate(size_t bytes) { return slabAllocate(bytes); }
void treeDeallocate(void* pointer, size_t bytes) noexcept { slabDeallocate(pointer, bytes); }

}  // namespace mqa
