#pragma once

#include "platform/ZarnikError.h"
#include "regions/Region.h"

#include <cstdint>
#include <string>

// The raster layer's views return their failures as error numbers
// (Orv::CError); this is the one place where such a number becomes the
// program's error: after the fixed text, the band, the file, the tile and
// the reason, e.g. "Error setting view for band 0 of scene.jp2 at tile
// [0,0;255,255] with error the file is corrupt".
[[noreturn]] void ThrowViewFailure(const char* fixedText, int32_t errorNumber,
                                   const FailurePlace& place, const CRegion& tile);

// The reason an error number stands for, e.g. "the file is corrupt".
std::string ViewFailureReason(int32_t errorNumber);
