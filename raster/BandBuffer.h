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

// A tile buffer kept from tile to tile, so that a run allocates its buffers
// (and the system clears their pages) once rather than for every band of
// every tile. It grows when a larger tile comes and goes back to the band
// that allocated it, which must outlive it; any band of the same reader may
// read into it.
class CReusableBandBuffer {
public:
    CReusableBandBuffer() = default;
    ~CReusableBandBuffer() { Release(); }
    CReusableBandBuffer(const CReusableBandBuffer&) = delete;
    CReusableBandBuffer& operator=(const CReusableBandBuffer&) = delete;

    // Room for at least `sampleCount` samples; throws std::bad_alloc.
    float* Reserve(CBand& band, int32_t sampleCount) {
        if (owner == nullptr || sampleCount > capacity) {
            Release();
            samples = band.AllocateBuffer(sampleCount);
            owner = &band;
            capacity = sampleCount;
        }
        return samples;
    }

private:
    void Release() {
        if (owner != nullptr) {
            owner->FreeBuffer(samples);
            owner = nullptr;
            samples = nullptr;
            capacity = 0;
        }
    }

    CBand* owner = nullptr;
    float* samples = nullptr;
    int32_t capacity = 0;
};
