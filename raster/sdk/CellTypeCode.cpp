#include "raster/sdk/CellTypeCode.h"

namespace Orv {

size_t SampleSizeOfCode(uint32_t cellTypeCode) {
    return CellTypeCodeTable::Visit(
        cellTypeCode, []<typename Sample>(std::type_identity<Sample>) { return sizeof(Sample); },
        [] { return size_t{0}; });
}

} // namespace Orv
