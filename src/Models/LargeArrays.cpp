#include "LargeArrays.h"

#include <cstdint>

#include "MQAHalves.h"

#if defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace zelto {

void populatePages(void* data, size_t bytes) {
#if defined(__linux__)
#if !defined(MADV_POPULATE_WRITE)
    constexpr int MADV_POPULATE_WRITE = 23;  // Linux 5.14; older C libraries do not name it
#endif
    // Only whole pages inside the block: the pages at its ends may hold other blocks.
    static const uintptr_t kPage = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
    uintptr_t begin = (reinterpret_cast<uintptr_t>(data) + kPage - 1) & ~(kPage - 1);
    uintptr_t end = (reinterpret_cast<uintptr_t>(data) + bytes) & ~(kPage - 1);
    if (end <= begin) return;
    auto populate = [](uintptr_t from, uintptr_t to) {
        if (to > from) madvise(reinterpret_cast<void*>(from), to - from, MADV_POPULATE_WRITE);
    };
    // Past this, the second core pays for the thread it takes.
    constexpr uintptr_t kWorthSharing = uintptr_t{8} << 20;
    if (end - begin < kWorthSharing) {
        populate(begin, end);
        return;
    }
    uintptr_t middle = (begin + (end - begin) / 2) & ~(kPage - 1);
    mqa::runBoth([&] { populate(middle, end); }, [&] { populate(begin, middle); });
#else
    (void)data;
    (void)bytes;
#endif
}

}  // namespace zelto
