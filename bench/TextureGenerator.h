#pragma once

#include <cstdint>
#include <vector>

// Makes an RGB image with the structure of an aerial photograph, so that a
// JPEG 2000 encoder meets real work: smooth terrain over several scales,
// fields with sharp borders, and per-pixel sensor grain. The same seed gives
// the same image.
class CTextureGenerator {
public:
    explicit CTextureGenerator(uint32_t imageSeed) : seed(imageSeed) {}

    // Samples of rows y0 .. y0 + rowCount - 1 of an image `width` wide, one
    // band after the other: all red rows, then green, then blue.
    std::vector<uint8_t> Rows(int width, int y0, int rowCount) const;

private:
    // A pseudo-random value in [0, 1) for a lattice point; no state, so rows
    // can be made in any order.
    double Lattice(int64_t x, int64_t y, uint32_t layer) const;
    // Smoothly interpolated lattice noise with cells of `cellSize` pixels.
    double SmoothNoise(int x, int y, int cellSize, uint32_t layer) const;
    double Terrain(int x, int y) const;

    uint32_t seed;
};
