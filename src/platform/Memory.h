// Memory for large pixel buffers. Touching fresh memory costs a page fault per page; in the
// system's large pages a 48 MB frame costs a few dozen instead of twelve thousand.
#pragma once

#include <cstddef>

namespace platform {

// At least bytes of memory, or nullptr when there is not enough. Free with releaseLarge.
void* allocateLarge(std::size_t bytes);
void releaseLarge(void* memory);

// Gives the memory the program has freed back to the system, where the allocator keeps it.
void releaseFreeMemory();

} // namespace platform
