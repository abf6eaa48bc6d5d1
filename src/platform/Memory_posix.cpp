#include "platform/Memory.h"

#include <cstdlib>
#include <sys/mman.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

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

void releaseFreeMemory() {
#if defined(__GLIBC__)
    // Also the free pages amid the heap, not only its top.
    malloc_trim(0);
#endif
}

} // namespace platform
