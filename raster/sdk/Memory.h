#pragma once

#include <cstddef>

// The layer's allocator for sample buffers: null when the memory cannot be
// had, never an exception, so that C-style callers can check the result.
void* OrvMalloc(size_t byteCount, bool zeroFilled);
void OrvFree(void* memory);
