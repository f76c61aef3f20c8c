#pragma once

#include <cstdint>

// Layout of an open file as the view reports it. The caller owns the copy it
// receives and gives it back with OrvFreeFileInfo.
struct OrvFileInfo {
    uint32_t width;
    uint32_t height;
    uint16_t bandCount;
    uint32_t cellType; // an Orv::CellTypeCode
};

void OrvFreeFileInfo(OrvFileInfo* fileInfo);
