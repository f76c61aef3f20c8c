#include "app/GdalBlockCache.h"

#include "raster/GdalImageFileReader.h"

#include <gdal.h>

#include <algorithm>
#include <cpl_conv.h>

namespace {

constexpr size_t kBlockRowsKept = 2;
constexpr size_t kLeastCacheBytes = size_t{8} << 20;
constexpr size_t kMostCacheBytes = size_t{1} << 30;

} // namespace

void BoundGdalBlockCache(std::initializer_list<CImageFileReader*> readers) {
    if (CPLGetConfigOption("GDAL_CACHEMAX", nullptr) != nullptr) {
        return;
    }
    size_t bytes = 0;
    for (CImageFileReader* reader : readers) {
        if (const auto* gdalReader =
                dynamic_cast<const CGdalImageFileReader*>(reader->GetSourceReader())) {
            bytes += kBlockRowsKept * gdalReader->BlockRowBytes();
        }
    }
    GDALSetCacheMax64(static_cast<GIntBig>(std::clamp(bytes, kLeastCacheBytes, kMostCacheBytes)));
}
