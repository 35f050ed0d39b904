#include "core/platform/platform_memory.h"

#include <cstdint>
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

namespace morvane::platform {

void releasePages(char* bytes, std::size_t size) {
    static const std::uintptr_t page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    const std::uintptr_t begin = (reinterpret_cast<std::uintptr_t>(bytes) + page - 1) / page * page;
    const std::uintptr_t end = (reinterpret_cast<std::uintptr_t>(bytes) + size) / page * page;
    if (begin < end) {
        // Advice only: where the system declines, the memory simply stays counted until the buffer is freed.
        ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_DONTNEED);
    }
}

void giveLargeBlocksBack() {
#ifdef M_MMAP_THRESHOLD
    // Setting it at all keeps the allocator from raising it.
    ::mallopt(M_MMAP_THRESHOLD, 128 * 1024);
#endif
}

} // namespace morvane::platform
