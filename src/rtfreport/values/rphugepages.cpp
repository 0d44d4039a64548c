#include "rphugepages.h"

#include <cstdint>

#include <sys/mman.h>
#include <unistd.h>

namespace rtfreport {

void AdviseHugePages(const void *start, std::size_t size)
{
#ifdef MADV_HUGEPAGE
    // Too small a buffer never covers a huge page.
    constexpr std::size_t HugePage = 2 * 1024 * 1024;
    if (size < HugePage)
        return;
    const std::uintptr_t page = std::uintptr_t(::sysconf(_SC_PAGESIZE));
    const std::uintptr_t from = (std::uintptr_t(start) + page - 1) & ~(page - 1);
    const std::uintptr_t to = (std::uintptr_t(start) + size) & ~(page - 1);
    if (to > from)
        ::madvise(reinterpret_cast<void *>(from), to - from, MADV_HUGEPAGE);  // a refusal changes nothing
#else
    (void)start;
    (void)size;
#endif
}

} // namespace rtfreport
