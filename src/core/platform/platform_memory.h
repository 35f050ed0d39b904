#pragma once

#include <cstddef>

namespace morvane::platform {

// Gives the whole memory pages inside the bytes back to the system while the buffer that holds them stays
// allocated, so that a large buffer being copied from stops counting toward the process's memory as the copy
// moves on. The bytes read as anything afterwards; writing them is allowed.
void releasePages(char* bytes, std::size_t size);

// Has every block of memory from a fixed, modest size on taken from the system on its own and given back
// when freed. Left to itself the allocator raises that size to the largest block freed so far and keeps such
// blocks for reuse: a process that reads many files of a few MiB on several threads would go on counting
// each thread's largest, however little it holds at a time.
void giveLargeBlocksBack();

} // namespace morvane::platform
