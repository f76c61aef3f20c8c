#pragma once

#include "raster/ImageFileReader.h"
#include "raster/sdk/SampleTypeTable.h"

#include <concepts>
#include <cstdint>
#include <limits>

// Every CellType with the C++ type of its samples.
using CellTypeTable = Orv::SampleTypeTable<
    Orv::SampleTypeRow<CellType::UInt8, uint8_t>, Orv::SampleTypeRow<CellType::Int16, int16_t>,
    Orv::SampleTypeRow<CellType::UInt16, uint16_t>, Orv::SampleTypeRow<CellType::UInt32, uint32_t>,
    Orv::SampleTypeRow<CellType::Int32, int32_t>, Orv::SampleTypeRow<CellType::Float32, float>,
    Orv::SampleTypeRow<CellType::Float64, double>>;

// The float nearest to the largest value of an integer sample type, the
// readers' maximum band value: 2^32 - 1 and 2^31 - 1 round up to 2^32 and 2^31.
template <std::integral Sample> float LargestValueAsFloat() {
    return static_cast<float>(std::numeric_limits<Sample>::max());
}
