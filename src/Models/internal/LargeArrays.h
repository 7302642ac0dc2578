#pragma once

// How large arrays (a big model's faces, vertices and working lists) get their memory:
// the one place in the scene layer that asks the system for pages. A fresh 100 MB array
// otherwise costs tens of thousands of page faults as it is first written, one at a
// time; asked for up front, both halves at once, they cost far less.

#include <cstddef>
#include <vector>

namespace zelto {

// Lets a list that was given room for more than it holds (an eighth more or past) keep
// only what it holds.
template <typename T>
void dropSlack(std::vector<T>& items) {
    if (items.capacity() - items.size() > items.size() / 8) items.shrink_to_fit();
}

// Has the system put pages under a block about to be written whole. Does nothing where
// the system cannot (the pages are then faulted in as they are written).
void populatePages(void* data, size_t bytes);

// A vector of `count` copies of `value`, its pages in place before it is first written.
template <typename T>
std::vector<T> largeVector(size_t count, const T& value = T()) {
    std::vector<T> items;
    items.reserve(count);
    populatePages(items.data(), count * sizeof(T));
    items.resize(count, value);
    return items;
}

}  // namespace zelto
