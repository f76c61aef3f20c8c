#include "raster/ImageFileReader.h"

CImageFileReader::~CImageFileReader() {
    for (CBand* band : bands) {
        delete band;
    }
}

CBand* CImageFileReader::GetBand(int32_t index) {
    if (index < 0 || index >= GetBandCount()) {
        return nullptr;
    }
    return bands[static_cast<size_t>(index)];
}
