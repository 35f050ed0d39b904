#pragma once

#include <atomic>

namespace morvane {

// Whether the user asked for the work to stop; without a flag nobody can ask.
inline bool isCancelled(const std::atomic<bool>* cancel) {
    return cancel && cancel->load(std::memory_order_relaxed);
}

} // namespace morvane
