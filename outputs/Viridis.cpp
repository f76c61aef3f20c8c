#include "outputs/Viridis.h"

#include <algorithm>
#include <cmath>

namespace {

// The ramp's published colours at 0, 0.1, ..., 1; between them the colour
// is interpolated linearly.
constexpr std::array<std::array<uint8_t, 3>, 11> kAnchors = {{
    {0x44, 0x01, 0x54},
    {0x48, 0x25, 0x76},
    {0x41, 0x44, 0x87},
    {0x35, 0x60, 0x8D},
    {0x2A, 0x78, 0x8E},
    {0x21, 0x90, 0x8C},
    {0x22, 0xA8, 0x84},
    {0x43, 0xBF, 0x71},
    {0x7A, 0xD1, 0x51},
    {0xBB, 0xDF, 0x27},
    {0xFD, 0xE7, 0x25},
}};

} // namespace

std::array<uint8_t, 3> ViridisColour(double position) {
    const double scaled = std::clamp(position, 0.0, 1.0) * (kAnchors.size() - 1);
    const size_t below = std::min(static_cast<size_t>(scaled), kAnchors.size() - 2);
    const double weight = scaled - static_cast<double>(below);
    std::array<uint8_t, 3> colour{};
    for (size_t channel = 0; channel < colour.size(); ++channel) {
        const double from = kAnchors[below][channel];
        const double to = kAnchors[below + 1][channel];
        colour[channel] = static_cast<uint8_t>(std::lround(from + (to - from) * weight));
    }
    return colour;
}
