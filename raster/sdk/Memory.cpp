#include "raster/sdk/Memory.h"

#include <cstdlib>

void* OrvMalloc(size_t byteCount, bool zeroFilled) {
    return zeroFilled ? std::calloc(byteCount, 1) : std::malloc(byteCount);
}

void OrvFree(void* memory) {
    std::free(memory);
}
