#include "core/platform/platform_memory.h"

#include <cstdint>
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

} // namespace morvane::platform
