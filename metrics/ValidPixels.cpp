#include "metrics/ValidPixels.h"

#include "metrics/WorkBuffer.h"

#include <algorithm>
#include <iterator>
#include <numeric>

namespace {

// Adds `step` to the count of every column whose pixel in `row` is invalid.
void CountInvalid(const uint8_t* row, int32_t width, int32_t step, int32_t* invalidInColumn) {
    for (int32_t x = 0; x < width; ++x) {
        invalidInColumn[x] += row[x] == 0 ? step : 0;
    }
}

} // namespace

bool AllValid(const uint8_t* valid, int32_t width, int32_t height) {
    const std::size_t samples = SampleCount(width, height);
    return std::all_of(valid, valid + samples, [](uint8_t pixel) { return pixel != 0; });
}

int32_t MarkValidWindows(const uint8_t* valid, int32_t width, int32_t height, int32_t windowWidth,
                         int32_t windowHeight, uint8_t* windowValid) {
    const int32_t columns = width - windowWidth + 1;
    const int32_t rows = height - windowHeight + 1;
    if (columns <= 0 || rows <= 0) {
        return 0;
    }
    // Invalid pixels per column among the window's rows, so that each
    // position costs one step of a running sum across the row instead of a
    // look at every pixel of its footprint.
    CWorkBuffer<int32_t> columnCounts(static_cast<std::size_t>(width));
    if (!columnCounts) {
        return -1;
    }
    int32_t* invalidInColumn = columnCounts.Get();
    std::fill(invalidInColumn, invalidInColumn + width, 0);
    int32_t validWindows = 0;
    for (int32_t row = 0; row < height; ++row) {
        CountInvalid(valid + static_cast<std::size_t>(row) * static_cast<std::size_t>(width), width,
                     1, invalidInColumn);
        if (row >= windowHeight) {
            CountInvalid(valid + static_cast<std::size_t>(row - windowHeight) *
                                     static_cast<std::size_t>(width),
                         width, -1, invalidInColumn);
        }
        const int32_t y = row - windowHeight + 1;
        if (y < 0) {
            continue;
        }
        uint8_t* out =
            windowValid + static_cast<std::size_t>(y) * static_cast<std::size_t>(columns);
        int32_t invalid = std::accumulate(invalidInColumn, invalidInColumn + windowWidth, 0);
        for (int32_t x = 0; x < columns; ++x) {
            out[x] = invalid == 0 ? 1 : 0;
            validWindows += out[x];
            if (x + 1 < columns) {
                invalid += invalidInColumn[x + windowWidth] - invalidInColumn[x];
            }
        }
    }
    return validWindows;
}

MapBox NonZeroBox(const uint8_t* map, int32_t width, int32_t height) {
    const auto nonZero = [](uint8_t entry) { return entry != 0; };
    int32_t left = width, right = -1, top = height, bottom = -1;
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* row = map + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
        const uint8_t* first = std::find_if(row, row + width, nonZero);
        if (first == row + width) {
            continue;
        }
        const auto last = std::find_if(std::make_reverse_iterator(row + width),
                                       std::make_reverse_iterator(first), nonZero);
        left = std::min(left, static_cast<int32_t>(first - row));
        right = std::max(right, static_cast<int32_t>(last.base() - 1 - row));
        top = std::min(top, y);
        bottom = y;
    }
    return {left, top, right - left + 1, bottom - top + 1};
}
