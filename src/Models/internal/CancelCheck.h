#pragma once

// Long work that stops once it is cancelled. Work is counted in units that each cost
// about as much as looking at one item, and the cancel flag is looked at every so many
// units: Cancel acts within milliseconds however large the input, and looking costs
// nothing that shows.

#include <algorithm>
#include <cstddef>
#include <functional>
#include <utility>
#include <vector>

#include "MQAProgress.h"

namespace scene {

class CancelCheck {
public:
    static constexpr size_t kEvery = size_t{1} << 15;

    CancelCheck() = default;  // never stops
    explicit CancelCheck(const MQAProgress* progress) {
        if (progress)
            _check = [progress] {
                if (progress->isCancelled()) throw MQACancelled();
            };
    }
    // `check` runs every kEvery units, and throws to stop the work.
    explicit CancelCheck(std::function<void()> check) : _check(std::move(check)) {}

    void add(size_t units = 1) {
        _done += units;
        if (_done < kEvery) return;
        _done = 0;
        if (_check) _check();
    }

private:
    std::function<void()> _check;
    size_t _done = 0;
};

// Sorts `items` as std::sort would by a `less` that never ties, noting the work as it
// goes: blocks are sorted, then merged in pairs.
template <typename T, typename Less>
void sortInSteps(std::vector<T>& items, Less less, CancelCheck& cancel) {
    const size_t block = CancelCheck::kEvery / 16;
    for (size_t begin = 0; begin < items.size(); begin += block) {
        auto end = items.begin() + static_cast<std::ptrdiff_t>(std::min(items.size(), begin + block));
        std::sort(items.begin() + static_cast<std::ptrdiff_t>(begin), end, less);
        cancel.add(block * 16);
    }
    if (items.size() <= block) return;
    std::vector<T> merged(items.size());
    for (size_t width = block; width < items.size(); width *= 2) {
        for (size_t begin = 0; begin < items.size(); begin += 2 * width) {
            auto at = [&](size_t i) { return items.begin() + static_cast<std::ptrdiff_t>(std::min(i, items.size())); };
            std::merge(at(begin), at(begin + width), at(begin + width), at(begin + 2 * width),
                       merged.begin() + static_cast<std::ptrdiff_t>(begin), less);
            cancel.add(std::min(2 * width, items.size() - begin));
        }
        items.swap(merged);
    }
}

}  // namespace scene
