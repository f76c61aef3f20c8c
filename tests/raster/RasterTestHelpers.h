#pragma once

#include "raster/ImageFileReader.h"

#include <functional>
#include <string>
#include <vector>

// Reads `region` from `band` the way every caller does: allocate with the
// band, read, and free with the band also when the read fails.
std::vector<float> ReadBand(CBand& band, const CRegionPtr& region);

CRegionPtr MakeRegion(int32_t x0, int32_t y0, int32_t x1, int32_t y1);

// What `action` throws, checked for its kind as well: the text of a plain
// message, or of a std::runtime_error. Anything else, including the other
// kind, yields a description that matches no expected message; nothing thrown
// yields "".
std::string PlainMessageOf(const std::function<void()>& action);
std::string RuntimeErrorOf(const std::function<void()>& action);
