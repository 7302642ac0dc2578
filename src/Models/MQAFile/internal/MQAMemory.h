#pragma once

// Memory for document trees, and the one place that asks the operating system for it
// (huge-page advice, mappings); elsewhere the portable fallbacks apply.
//
// Memory for document trees. A large document is millions of small parameter lists
// and value arrays, allocated in reading order and freed in much the same order.
// They are carved from 2 MiB slabs rather than taken from the heap one by one. A slab
// goes back to the system as soon as everything carved from it has been freed, so a
// tree released line by line gives its memory back as it goes.

#include <algorithm>
#include <cstddef>
#include <limits>
#include <vector>

namespace mqa {

// Whether large blocks and slabs are advised for huge pages; off unless switched on.
// Measured in fresh processes on our machines: memory freed by another process goes
// back to the host, and filling such "cold" huge pages runs at about 0.3 GB/s, so an
// open with huge pages took twice the system time of one with small pages. Warm (in a
// long-lived process reusing its memory) huge pages are cheaper; the benchmarks can
// switch them on to compare.
void setHugePageAdvice(bool on);
bool hugePageAdvice();

// Advises the kernel to back the pages of a block of at least 2 MiB with huge pages.
// Does nothing for smaller blocks, where the advice is not supported, or while the
// advice is switched off.
void adviseHugePages(const void* data, size_t bytes);

// Has the system put fresh pages under a block that is about to be written whole, both
// halves at once for a large block. Filling pages this way costs far less than taking
// one page fault per page as the block is first written. Does nothing where the system
// cannot (the pages are then faulted in as before).
void populatePages(void* data, size_t bytes);

// How many bytes to ask the heap for when `bytes` are needed, so that a large block
// fills whole huge pages (while the advice is on): the system then places it on a
// huge-page boundary, and no part of it falls back to small pages.
size_t hugePageFriendlyBytes(size_t bytes);

// Small blocks come from slabs (any thread may allocate and free); larger ones from
// the general heap. `bytes` must be the same at both calls. The tree's allocator
// (MQATreeAllocator) draws on these.
void* slabAllocate(size_t bytes);
void slabDeallocate(void* pointer, size_t bytes) noexcept;
// Hands back the slab this thread carves from: it returns to the pool as soon as its
// blocks are freed, instead of when the thread next needs a slab or ends. Call when a
// thread's reading is done.
void returnThreadSlab();

// Slabs holding blocks, empty slabs kept in memory for reuse, and slabs whose memory
// went back to the system.
struct SlabCounts {
    size_t inUse = 0;
    size_t resident = 0;
    size_t released = 0;
};
constexpr size_t kSlabBytes = size_t{2} << 20;
SlabCounts slabCounts();

// Reserves room for `count` items, advising huge pages for a large list before any
// of it is written (the items already there move only after the advice).
template <typename T, typename A>
void reserveAdvised(std::vector<T, A>& items, size_t count) {
    if (count <= items.capacity()) return;
    size_t capacity = count;
    if (count <= std::numeric_limits<size_t>::max() / sizeof(T))
        capacity = std::max(count, hugePageFriendlyBytes(count * sizeof(T)) / sizeof(T));
    std::vector<T, A> grown;
    grown.reserve(capacity);
    adviseHugePages(grown.data(), grown.capacity() * sizeof(T));
    for (T& item : items) grown.push_back(std::move(item));
    items.swap(grown);
}

// Appends to a list that grows by doubling, each new buffer advised as above.
template <typename T, typename A>
void appendGrowing(std::vector<T, A>& items, T&& item) {
    if (items.size() == items.capacity()) reserveAdvised(items, items.size() < 8 ? 16 : 2 * items.size());
    items.push_back(std::move(item));
}

}  // namespace mqa
