#pragma once

#include <cstddef>

namespace bench {

// Bytes currently allocated through malloc (small and mapped blocks) and held in the
// document tree's slabs (whole slabs, partly filled ones too).
size_t allocatedBytes();
// Resident set size of the process now, in bytes.
size_t residentBytes();
// Peak resident set size of the process so far, in bytes.
size_t peakResidentBytes();
// Hands freed memory back to the system, so that each benchmark iteration starts from
// a heap like a fresh process's rather than one fragmented by the previous iteration.
void releaseFreeMemory();
// Resets the peak resident set size where the kernel allows it (Linux clear_refs).
void resetPeakResident();

}  // namespace bench
