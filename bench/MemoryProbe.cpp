#include "MemoryProbe.h"

#include <malloc.h>
#include <sys/resource.h>

#include <fstream>

namespace bench {

size_t allocatedBytes() {
    struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

size_t peakResidentBytes() {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmHWM:") {
            size_t kib = 0;
            status >> kib;
            return kib * 1024;
        }
        status.ignore(4096, '\n');
    }
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<size_t>(usage.ru_maxrss) * 1024;
}

void releaseFreeMemory() { malloc_trim(0); }

void resetPeakResident() {
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
}

}  // namespace bench
