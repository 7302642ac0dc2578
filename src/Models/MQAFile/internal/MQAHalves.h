#pragma once

// Work that splits in two, done on two threads at once. This is the one place in the
// format and scene layers that starts threads: long texts are checked, long lists read
// and large models built in halves through it. Work on a half must touch only what is
// that half's (and memory safe to share).

#include <cstddef>
#include <functional>

namespace mqa {

// Runs `first` on this thread and `second` on another at once (one after the other when
// no thread can be had), and waits for both. Then rethrows the error of `first`, if it
// had one, else that of `second`: the error that doing them in order would report.
void runBoth(const std::function<void()>& first, const std::function<void()>& second);

// Where a list of `count` items splits; one half holds everything when the list is too
// short for a second thread to pay.
struct Halves {
    static constexpr size_t kShortest = size_t{1} << 15;
    explicit Halves(size_t items, size_t shortest = kShortest)
        : count(items), middle(items < shortest ? items : items / 2) {}
    size_t count;
    size_t middle;
};

// Runs work(half, begin, end) for both halves; for a list too short to split, only half 0.
// An error in the first half is the one reported, as doing them in order would.
template <typename Work>
void forEachHalf(const Halves& halves, Work&& work) {
    if (halves.middle == halves.count)
        work(0, size_t{0}, halves.count);
    else
        runBoth([&] { work(0, size_t{0}, halves.middle); }, [&] { work(1, halves.middle, halves.count); });
}

}  // namespace mqa
