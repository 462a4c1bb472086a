#include "pages.h"

#include <algorithm>
#include <cstdint>

#include <sys/mman.h>
#include <unistd.h>

namespace engine {

namespace {

#ifndef MADV_POPULATE_WRITE
constexpr int MADV_POPULATE_WRITE = 23; // Linux 5.14; older headers lack it
#endif

// Below this the faults cost less than the call.
constexpr std::size_t kWorthMapping = 256 * 1024;
// Mapping holds the address space's lock: a few megabytes at a time let other threads in.
constexpr std::size_t kStep = 4 * 1024 * 1024;

} // namespace

void mapAhead(void* data, std::size_t bytes) {
    if (bytes < kWorthMapping)
        return;
    static const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    const auto start = reinterpret_cast<std::uintptr_t>(data);
    // Mapping a page leaves its contents alone, so the partial pages at the ends may be included.
    std::uintptr_t from = start & ~(page - 1);
    const std::uintptr_t to = (start + bytes + page - 1) & ~(page - 1);
    while (from < to) {
        const std::uintptr_t n = std::min<std::uintptr_t>(kStep, to - from);
        // A failure (an old kernel, memory short) leaves the pages to be faulted in one by one,
        // which is what would have happened anyway: nothing to report.
        if (::madvise(reinterpret_cast<void*>(from), n, MADV_POPULATE_WRITE) != 0)
            return;
        from += n;
    }
}

} // namespace engine
