#include "raster/sdk/CellTypeCode.h"

namespace Orv {

size_t SampleSizeOfCode(uint32_t cellTypeCode) {
    switch (cellTypeCode) {
    case CellTypeCode::UInt8:
    case CellTypeCode::Int8:
        return 1;
    case CellTypeCode::UInt16:
    case CellTypeCode::Int16:
        return 2;
    case CellTypeCode::UInt32:
    case CellTypeCode::Int32:
    case CellTypeCode::Float32:
        return 4;
    case CellTypeCode::Float64:
        return 8;
    default:
        return 0;
    }
}

} // namespace Orv
