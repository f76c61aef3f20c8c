#pragma once

#include "raster/sdk/FileInfo.h"

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>

// The .vexl container: a fixed header followed by the samples, band after
// band, each band row-major. docs/vexl.md describes it for people.
namespace Orv::Vexl {

// Samples are stored little-endian and copied without swapping.
static_assert(std::endian::native == std::endian::little,
              "the .vexl samples are read and written in the machine's byte order");

inline constexpr std::array<std::byte, 4> kMagic = {std::byte{'V'}, std::byte{'E'}, std::byte{'X'},
                                                    std::byte{'L'}};
inline constexpr uint32_t kVersion = 1;
inline constexpr size_t kHeaderSize = 20;

// Byte offsets of the header fields, all little-endian.
inline constexpr size_t kVersionOffset = 4;    // uint32
inline constexpr size_t kWidthOffset = 8;      // uint32
inline constexpr size_t kHeightOffset = 12;    // uint32
inline constexpr size_t kBandCountOffset = 16; // uint16
inline constexpr size_t kCellTypeOffset = 18;  // uint16

using Header = std::array<std::byte, kHeaderSize>;

Header EncodeHeader(const OrvFileInfo& layout);
// Throws CError(kErrorCorruptFile) for a wrong magic, another version, an
// unknown cell-type code or an empty image.
OrvFileInfo DecodeHeader(const Header& header);
// Bytes of samples that must follow the header; throws CError for a layout
// whose size does not fit in 64 bits.
uint64_t PayloadSize(const OrvFileInfo& layout);

} // namespace Orv::Vexl
