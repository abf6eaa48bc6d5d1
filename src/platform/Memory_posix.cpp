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

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TEVLO_OWN_ALLOCATOR 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define TEVLO_OWN_ALLOCATOR 1
#endif

void releaseFreeMemory() {
#if defined(__GLIBC__) && !defined(TEVLO_OWN_ALLOCATOR)
    // Also the free pages amid the heap, not only its top. Under AddressSanitizer the C library's
    // allocator holds nothing of ours, and trimming its unused arena from a second thread fails.
    malloc_trim(0);
#endif
}

} // namespace platform
