#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace Orv {

// Bytes of `width` x `height` samples of `sampleSize` bytes each, or nothing
// when the count does not fit in a size_t: a buffer sized from a wrapped
// product would be smaller than what is written into it.
inline std::optional<size_t> ByteCountOf(uint64_t width, uint64_t height, size_t sampleSize) {
    size_t samples = 0;
    size_t bytes = 0;
    if (__builtin_mul_overflow(width, height, &samples) ||
        __builtin_mul_overflow(samples, sampleSize, &bytes)) {
        return std::nullopt;
    }
    return bytes;
}

} // namespace Orv
