#include "MemoryProbe.h"

#include <malloc.h>
#include <sys/resource.h>

#include <fstream>
#include <string>

namespace bench {

size_t allocatedBytes() {
    struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

namespace {

// A "VmRSS:"-style field of /proc/self/status, in bytes; 0 where there is none.
size_t statusBytes(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == field) {
            size_t kib = 0;
            status >> kib;
            return kib * 1024;
        }
        status.ignore(4096, '\n');
    }
    return 0;
}

}  // namespace

size_t residentBytes() { return statusBytes("VmRSS:"); }

size_t peakResidentBytes() {
    if (size_t peak = statusBytes("VmHWM:")) return peak;
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
