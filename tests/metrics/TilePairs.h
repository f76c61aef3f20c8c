#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

// An original tile and a degraded copy of it, as the statistics receive them.
struct TilePair {
    int32_t width, height;
    std::vector<float> original;
    std::vector<float> compressed;
};

// Whole sample values in [0, peak] with the compressed tile a noisy copy of
// the original (or an exact one), so that the statistics see related tiles.
inline TilePair NoisyTiles(int32_t width, int32_t height, float peak, uint32_t seed,
                           bool identical = false) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> sample(0.0f, peak);
    std::normal_distribution<float> noise(0.0f, peak / 20);
    TilePair tiles{width, height, {}, {}};
    for (int32_t i = 0; i < width * height; ++i) {
        const float value = std::round(sample(random));
        const float noisy = std::clamp(std::round(value + noise(random)), 0.0f, peak);
        tiles.original.push_back(value);
        tiles.compressed.push_back(identical ? value : noisy);
    }
    return tiles;
}

inline TilePair ConstantTiles(int32_t width, int32_t height, float original, float compressed) {
    const size_t count = width * height;
    return {width, height, std::vector<float>(count, original),
            std::vector<float>(count, compressed)};
}
