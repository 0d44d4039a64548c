#pragma once
// Large buffers that are filled once from start to end (a data file, its
// parsed form, a data set's cells) cost more in page faults than in the
// writes themselves where a fault is dear, as on virtual machines. Asking
// for huge pages over them makes one fault of every 512. Only a hint: where
// the system has no transparent huge pages, nothing changes.

#include <cstddef>

namespace rtfreport {

// Advises huge pages for the whole pages inside [start, start + size).
// Call it before the buffer is first written.
void AdviseHugePages(const void *start, std::size_t size);

} // namespace rtfreport
