#pragma once

#include "raster/sdk/CellTypeCode.h"
#include "raster/sdk/FileInfo.h"

#include <cstddef>
#include <span>
#include <string>
#include <vector>

namespace Orv {

// Writes a whole .vexl file in one go. `samples` holds band after band, each
// row-major, in the sample type of `layout.cellType`. Throws
// std::invalid_argument for a layout the format cannot hold or a sample count
// that does not match it, std::runtime_error when the file cannot be written.
void WriteVexlFile(const std::string& fileName, const OrvFileInfo& layout,
                   std::span<const std::byte> samples);

// The same for a typed sample vector; the cell-type code follows the type.
template <typename Sample>
void WriteVexlFile(const std::string& fileName, uint32_t width, uint32_t height, uint16_t bandCount,
                   const std::vector<Sample>& samples) {
    const OrvFileInfo layout{width, height, bandCount, CellTypeCodeOf<Sample>::value};
    WriteVexlFile(fileName, layout, std::as_bytes(std::span(samples)));
}

} // namespace Orv
