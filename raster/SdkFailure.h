#pragma once

#include "platform/ZarnikError.h"

#include <cstdint>
#include <string>

// The raster layer's views return their failures as error numbers
// (Orv::CError); this is the one place where such a number becomes the
// program's error: after the fixed text, the band, the file and the reason,
// e.g. "Error setting view for band 0 of scene.jp2 with error the file is
// corrupt".
[[noreturn]] void ThrowViewFailure(const char* fixedText, int32_t errorNumber,
                                   const FailurePlace& place);

// The reason an error number stands for, e.g. "the file is corrupt".
std::string ViewFailureReason(int32_t errorNumber);
