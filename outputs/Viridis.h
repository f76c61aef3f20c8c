#pragma once

#include <array>
#include <cstdint>

// The perceptually uniform viridis ramp: dark purple at 0, blue and green in
// between, yellow at 1. `position` is clamped to [0, 1].
std::array<uint8_t, 3> ViridisColour(double position);
