#pragma once

#include "raster/sdk/RasterDecoder.h"

#include <memory>
#include <string>

namespace Orv {

// Opens a file with the decoder its extension names (case-insensitive):
// ".vexl"; ".jp2" and ".jph" (JPEG 2000 boxes); ".j2k", ".j2c" and ".jhc"
// (raw codestreams). Throws CError for any other extension and for a file
// that cannot be read or is not what its extension says.
std::unique_ptr<IRasterDecoder> OpenRasterDecoder(const std::string& fileName);

} // namespace Orv
