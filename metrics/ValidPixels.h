#pragma once

#include <cstdint>

// Masks of the pixels that hold data: one byte per sample, laid out as the
// samples (row by row, no gap), non-zero for a valid pixel.

// A rectangle of a map: its top-left entry and its size.
struct MapBox {
    int32_t x;
    int32_t y;
    int32_t width;
    int32_t height;
};

bool AllValid(const uint8_t* valid, int32_t width, int32_t height);

// For every position of a windowWidth x windowHeight window lying wholly
// inside the image, row by row with (width - windowWidth + 1) columns:
// 1 in `windowValid` when every pixel under the window is valid, else 0.
// Returns the number of such fully valid positions; -1 when work memory
// cannot be obtained.
int32_t MarkValidWindows(const uint8_t* valid, int32_t width, int32_t height, int32_t windowWidth,
                         int32_t windowHeight, uint8_t* windowValid);

// The smallest box holding every non-zero entry of a width x height map,
// which must have one.
MapBox NonZeroBox(const uint8_t* map, int32_t width, int32_t height);
