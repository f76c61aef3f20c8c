#pragma once

#include "raster/sdk/SampleTypeTable.h"

#include <cstddef>
#include <cstdint>

namespace Orv {

// The layer's sample-type codes, as found in file information and stored in
// .vexl headers. Codes 3 and 7 are not used.
namespace CellTypeCode {
inline constexpr uint32_t UInt8 = 0;
inline constexpr uint32_t UInt16 = 1;
inline constexpr uint32_t UInt32 = 2;
inline constexpr uint32_t Int8 = 4;
inline constexpr uint32_t Int16 = 5;
inline constexpr uint32_t Int32 = 6;
inline constexpr uint32_t Float32 = 8;
inline constexpr uint32_t Float64 = 9;
} // namespace CellTypeCode

// Every code the layer knows with the C++ type of its samples.
using CellTypeCodeTable = SampleTypeTable<
    SampleTypeRow<CellTypeCode::UInt8, uint8_t>, SampleTypeRow<CellTypeCode::UInt16, uint16_t>,
    SampleTypeRow<CellTypeCode::UInt32, uint32_t>, SampleTypeRow<CellTypeCode::Int8, int8_t>,
    SampleTypeRow<CellTypeCode::Int16, int16_t>, SampleTypeRow<CellTypeCode::Int32, int32_t>,
    SampleTypeRow<CellTypeCode::Float32, float>, SampleTypeRow<CellTypeCode::Float64, double>>;

// Bytes per sample of a code; 0 for a code the layer does not know.
size_t SampleSizeOfCode(uint32_t cellTypeCode);

// The code of a C++ sample type, so that typed callers cannot pair a buffer
// with the wrong code.
template <typename Sample> struct CellTypeCodeOf {
    static constexpr uint32_t value = CellTypeCodeTable::CodeOf<Sample>();
};

} // namespace Orv
