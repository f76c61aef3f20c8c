#include "raster/sdk/FileInfo.h"

void OrvFreeFileInfo(OrvFileInfo* fileInfo) {
    delete fileInfo;
}
