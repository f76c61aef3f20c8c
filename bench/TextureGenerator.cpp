#include "bench/TextureGenerator.h"

#include <algorithm>
#include <cmath>

namespace {

uint64_t Mix(uint64_t value) {
    value ^= value >> 33;
    value *= 0xff51afd7ed558ccdULL;
    value ^= value >> 33;
    value *= 0xc4ceb9fe1a85ec53ULL;
    return value ^ (value >> 33);
}

double SmoothStep(double t) {
    return t * t * (3 - 2 * t);
}

uint8_t ToByte(double value) {
    return static_cast<uint8_t>(std::clamp(value, 0.0, 255.0));
}

constexpr int kFieldSize = 300;

} // namespace

double CTextureGenerator::Lattice(int64_t x, int64_t y, uint32_t layer) const {
    const uint64_t key = Mix(static_cast<uint64_t>(x) * 0x9E3779B97F4A7C15ULL ^
                             Mix(static_cast<uint64_t>(y) + (uint64_t{layer} << 32) + seed));
    return static_cast<double>(key >> 11) / 9007199254740992.0;
}

double CTextureGenerator::SmoothNoise(int x, int y, int cellSize, uint32_t layer) const {
    const int cellX = x / cellSize;
    const int cellY = y / cellSize;
    const double fx = SmoothStep(double(x % cellSize) / cellSize);
    const double fy = SmoothStep(double(y % cellSize) / cellSize);
    const double top =
        Lattice(cellX, cellY, layer) * (1 - fx) + Lattice(cellX + 1, cellY, layer) * fx;
    const double bottom =
        Lattice(cellX, cellY + 1, layer) * (1 - fx) + Lattice(cellX + 1, cellY + 1, layer) * fx;
    return top * (1 - fy) + bottom * fy;
}

double CTextureGenerator::Terrain(int x, int y) const {
    double value = 0;
    double amplitude = 0.5;
    for (int cellSize = 512; cellSize >= 4; cellSize /= 2, amplitude *= 0.55) {
        value += amplitude * SmoothNoise(x, y, cellSize, static_cast<uint32_t>(cellSize));
    }
    return value;
}

std::vector<uint8_t> CTextureGenerator::Rows(int width, int y0, int rowCount) const {
    const size_t planeSize = size_t(width) * size_t(rowCount);
    std::vector<uint8_t> samples(3 * planeSize);
    for (int row = 0; row < rowCount; ++row) {
        const int y = y0 + row;
        for (int x = 0; x < width; ++x) {
            // Fields: borders bent by large-scale noise, one tint per field.
            const int bend = static_cast<int>(80 * SmoothNoise(x, y, 256, 1000));
            const int fieldX = (x + bend) / kFieldSize;
            const int fieldY = (y + bend) / kFieldSize;
            const double tint = Lattice(fieldX, fieldY, 2000) - 0.5;
            const double crop = Lattice(fieldX, fieldY, 3000);
            const double terrain = Terrain(x, y);
            // Rows of crops in some fields give fine periodic detail.
            const double furrows = crop > 0.6 ? 12 * std::sin((x + y) * 0.9) : 0;
            const double grain = 16 * (Lattice(x, y, 4000) - 0.5);
            const double light = 40 + 170 * terrain + furrows + grain;
            const size_t index = size_t(row) * width + x;
            samples[index] = ToByte(light + 60 * tint);
            samples[planeSize + index] = ToByte(light + 25 * (crop - 0.5) - 10 * tint);
            samples[2 * planeSize + index] = ToByte(0.8 * light - 40 * tint + grain);
        }
    }
    return samples;
}
