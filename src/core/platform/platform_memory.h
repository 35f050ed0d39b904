#pragma once

#include <cstddef>

namespace morvane::platform {

// Gives the whole memory pages inside the bytes back to the system while the buffer that holds them stays
// allocated, so that a large buffer being copied from stops counting toward the process's memory as the copy
// moves on. The bytes read as anything afterwards; writing them is allowed.
void releasePages(char* bytes, std::size_t size);

} // namespace morvane::platform
