#include "MemoryPolicy.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>

namespace zelto {

size_t documentByteLimit() {
    constexpr size_t kCap = size_t{1} << 30;
    size_t usable = kCap * 4;
    long pages = sysconf(_SC_PHYS_PAGES), pageSize = sysconf(_SC_PAGESIZE);
    if (pages > 0 && pageSize > 0) usable = static_cast<size_t>(pages) * static_cast<size_t>(pageSize);
    rlimit limit{};
    if (getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
        usable = std::min(usable, static_cast<size_t>(limit.rlim_cur));
    return std::min(kCap, usable / 4);
}

std::string megabytes(size_t bytes) {
    if (bytes < (size_t{1} << 20)) return std::to_string(bytes) + " bytes";
    return std::to_string(bytes >> 20) + " MB";
}

}  // namespace zelto
