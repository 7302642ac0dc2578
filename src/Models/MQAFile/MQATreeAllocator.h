#pragma once

// Document trees hold millions of small parameter lists, allocated and freed in reading
// order; they take their memory from the tree's own store rather than the general heap.

#include <cstddef>
#include <limits>
#include <new>

namespace mqa {
void* treeAllocate(size_t bytes);
void treeDeallocate(void* pointer, size_t bytes) noexcept;
}  // namespace mqa

template <typename T>
struct MQATreeAllocator {
    static_assert(alignof(T) <= 16, "tree blocks are 16-byte aligned");
    using value_type = T;

    MQATreeAllocator() noexcept = default;
    template <typename U>
    MQATreeAllocator(const MQATreeAllocator<U>&) noexcept {}

    T* allocate(size_t n) {
        if (n > std::numeric_limits<size_t>::max() / sizeof(T)) throw std::bad_array_new_length();
        return static_cast<T*>(mqa::treeAllocate(n * sizeof(T)));
    }
    void deallocate(T* pointer, size_t n) noexcept { mqa::treeDeallocate(pointer, n * sizeof(T)); }

    friend bool operator==(const MQATreeAllocator&, const MQATreeAllocator&) { return true; }
};
