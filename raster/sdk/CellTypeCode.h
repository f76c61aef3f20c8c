#pragma once

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

// Bytes per sample of a code; 0 for a code the layer does not know.
size_t SampleSizeOfCode(uint32_t cellTypeCode);

// The code of a C++ sample type, so that typed callers cannot pair a buffer
// with the wrong code.
template <typename Sample> struct CellTypeCodeOf;
template <> struct CellTypeCodeOf<uint8_t> {
    static constexpr uint32_t value = CellTypeCode::UInt8;
};
template <> struct CellTypeCodeOf<uint16_t> {
    static constexpr uint32_t value = CellTypeCode::UInt16;
};
template <> struct CellTypeCodeOf<uint32_t> {
    static constexpr uint32_t value = CellTypeCode::UInt32;
};
template <> struct CellTypeCodeOf<int8_t> { static constexpr uint32_t value = CellTypeCode::Int8; };
template <> struct CellTypeCodeOf<int16_t> {
    static constexpr uint32_t value = CellTypeCode::Int16;
};
template <> struct CellTypeCodeOf<int32_t> {
    static constexpr uint32_t value = CellTypeCode::Int32;
};
template <> struct CellTypeCodeOf<float> {
    static constexpr uint32_t value = CellTypeCode::Float32;
};
template <> struct CellTypeCodeOf<double> {
    static constexpr uint32_t value = CellTypeCode::Float64;
};

} // namespace Orv
