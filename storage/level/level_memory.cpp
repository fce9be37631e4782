#include "level_memory.h"

#include <cstdlib> // says whether the C library is glibc

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace kivo {

namespace {

// Larger than the most any level file can make (32,767 shapes of 184 bytes, with their
// points and sides), so that no level's lists are mapped on their own; the C library takes
// no higher value.
constexpr int MAPPED_ALONE_FROM = 32 << 20;
// Freed memory at the top of the heap is handed back only beyond this much.
constexpr int HANDED_BACK_FROM = 64 << 20;

} // namespace

void KeepLevelMemory() {
#if defined(__GLIBC__)
    mallopt(M_MMAP_THRESHOLD, MAPPED_ALONE_FROM);
    mallopt(M_TRIM_THRESHOLD, HANDED_BACK_FROM);
#endif
}

} // namespace kivo
