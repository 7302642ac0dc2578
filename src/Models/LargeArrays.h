#pragma once

// Large arrays (a big model's faces, vertices and working lists) are backed by huge
// pages where the system allows it: filling a fresh 100 MB array otherwise costs tens
// of thousands of page faults, which on some machines take longer than the work.

#include <cstddef>
#include <vector>

#include "MQAMemory.h"

namespace zelto {

// Room for `count` items, advised for huge pages before any of it is written.
template <typename T>
void reserveLarge(std::vector<T>& items, size_t count) {
    mqa::reserveAdvised(items, count);
}

// A vector of `count` copies of `value`, its storage advised before it is first written.
template <typename T>
std::vector<T> largeVector(size_t count, const T& value = T()) {
    std::vector<T> items;
    reserveLarge(items, count);
    mqa::populatePages(items.data(), count * sizeof(T));
    items.resize(count, value);
    return items;
}

}  // namespace zelto
