#pragma once

// Long lists of lines are read on two threads, one half each. Work on a half must touch
// only that half's items (and memory safe to share), and stop at its first error.

#include <cstddef>
#include <exception>
#include <system_error>
#include <thread>

#include "MQAMemory.h"

namespace scene {

// Where a list of `count` items splits; one half holds everything when the list is too
// short for a second thread to pay.
struct Halves {
    static constexpr size_t kShortest = 1 << 15;
    explicit Halves(size_t items) : count(items), middle(items < kShortest ? items : items / 2) {}
    size_t begin(int half) const { return half == 0 ? 0 : middle; }
    size_t end(int half) const { return half == 0 ? middle : count; }
    size_t count;
    size_t middle;
};

// Runs work(half, begin, end) for both halves, the first on a second thread when there
// is a second half. An error in the first half is the one reported, as reading in order
// would; without a second thread the halves run one after the other.
template <typename Work>
void forEachHalf(const Halves& halves, Work&& work) {
    if (halves.middle == halves.count) {
        work(0, halves.begin(0), halves.end(0));
        return;
    }
    std::exception_ptr firstError;
    std::thread helper;
    try {
        helper = std::thread([&] {
            try {
                work(0, halves.begin(0), halves.end(0));
            } catch (...) {
                firstError = std::current_exception();
            }
            mqa::returnThreadSlab();
        });
    } catch (const std::system_error&) {
        work(0, halves.begin(0), halves.end(0));
        work(1, halves.begin(1), halves.end(1));
        return;
    }
    std::exception_ptr secondError;
    try {
        work(1, halves.begin(1), halves.end(1));
    } catch (...) {
        secondError = std::current_exception();
    }
    helper.join();
    if (firstError) std::rethrow_exception(firstError);
    if (secondError) std::rethrow_exception(secondError);
}

// Runs `first` on a second thread and `second` on this one, when the list whose work
// they are is long enough for halves to pay (else one after the other). They must not
// touch what the other writes. An error in `first` is the one reported.
template <typename First, typename Second>
void bothAtOnce(const Halves& size, First&& first, Second&& second) {
    forEachHalf(size, [&](int half, size_t begin, size_t end) {
        if (half == 0) first();
        if (half == 1 || end == size.count) second();
        (void)begin;
    });
}

}  // namespace scene
