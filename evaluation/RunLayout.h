#pragma once

#include "regions/Region.h"

#include <cstdint>
#include <string>
#include <vector>

// What the outputs of a run know before its first tile.
struct RunLayout {
    uint32_t width = 0;
    uint32_t height = 0;
    // The original's band names, in band order.
    std::vector<std::string> bandNames;
    // The run's statistics, in the order of each band's values.
    std::vector<std::string> statisticNames;
    int32_t tileCount = 0;
    // The evaluated area: the -bbox box or the whole image.
    CRegion area{0, 0, -1, -1};
    // The peak sample value PSNR and SSIM measure against: -dataRange, or
    // the images' largest sample value.
    float peakValue = 0.0f;
};
