#include "raster/sdk/HeapTuning.h"

#include <mutex>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace Orv {

void KeepFreedMemoryForReuse() {
#if defined(__GLIBC__)
    static std::once_flag tuned;
    std::call_once(tuned, [] {
        // Serve blocks up to 32 MiB (the largest the C library allows) from
        // the heap, and give the heap's top back only beyond 256 MiB.
        mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
        mallopt(M_TRIM_THRESHOLD, 256 * 1024 * 1024);
    });
#endif
}

} // namespace Orv
