#pragma once

#include "raster/ImageFileReader.h"

#include <cstdint>

// A tile buffer allocated by a band and handed back to that same band on
// every exit, also when a read fails.
class CBandBuffer {
public:
    CBandBuffer(CBand& owner, int32_t sampleCount)
        : band(owner), samples(owner.AllocateBuffer(sampleCount)) {}
    ~CBandBuffer() { band.FreeBuffer(samples); }
    CBandBuffer(const CBandBuffer&) = delete;
    CBandBuffer& operator=(const CBandBuffer&) = delete;

    float* Samples() const { return samples; }

private:
    CBand& band;
    float* samples;
};
