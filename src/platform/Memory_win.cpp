#include "platform/Memory.h"

#include <cstdlib>

namespace platform {

// Large pages need a privilege that ordinary users lack, so Windows gets plain memory.
void* allocateLarge(std::size_t bytes) {
    return std::malloc(bytes);
}

void releaseLarge(void* memory) {
    std::free(memory);
}

// The Windows heap gives back what it can by itself.
void releaseFreeMemory() {}

} // namespace platform
