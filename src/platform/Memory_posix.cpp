#include "platform/Memory.h"

#include <cstdlib>
#include <sys/mman.h>

namespace platform {

namespace {
constexpr std::size_t largePage = std::size_t(2) << 20;
}

void* allocateLarge(std::size_t bytes) {
    if (bytes < largePage)
        return std::malloc(bytes);
    void* memory = nullptr;
    if (posix_memalign(&memory, largePage, bytes) != 0)
        return nullptr;
#ifdef MADV_HUGEPAGE
    // Only a hint: where large pages are off or used up, the memory works as it is.
    madvise(memory, bytes, MADV_HUGEPAGE);
#endif
    return memory;
}

void releaseLarge(void* memory) {
    std::free(memory);
}

} // namespace platform
