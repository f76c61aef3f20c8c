#pragma once

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
};
