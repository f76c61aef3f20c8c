#pragma once

#include "raster/ImageFileReader.h"

#include <gdal.h>

#include <optional>

// The CellType whose samples have GDAL's `type`, found by GDAL's own
// description of the type (size, integer, signed); none for a type without a
// CellType, such as complex, signed 8-bit or 64-bit integer data.
std::optional<CellType> CellTypeOfGdalType(GDALDataType type);
