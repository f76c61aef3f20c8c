#include "raster/ImageFileReader.h"

CBand* CImageFileReader::GetBand(int32_t index) {
    if (index < 0 || index >= GetBandCount()) {
        return nullptr;
    }
    return bands[static_cast<size_t>(index)].get();
}
