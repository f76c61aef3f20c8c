#include "raster/RasterIdentity.h"

#include "raster/GdalOpen.h"

#include "raster/GdalQuietErrors.h"
#include "raster/sdk/ReadOnlyFile.h"

#include <gdal_priv.h>
#include <ogr_spatialref.h>

std::optional<RasterIdentity> ReadRasterIdentity(const std::string& path) {
    const GDALDatasetUniquePtr dataset = OpenGdalRaster(path);
    if (!dataset) {
        return std::nullopt;
    }
    RasterIdentity identity;
    if (const OGRSpatialReference* system = dataset->GetSpatialRef()) {
        char* wkt = nullptr;
        system->exportToWkt(&wkt);
        identity.coordinateSystem = wkt != nullptr ? wkt : "";
        CPLFree(wkt);
        identity.coordinateSystemName = system->GetName() != nullptr ? system->GetName() : "";
    }
    std::array<double, 6> transform{};
    if (dataset->GetGeoTransform(transform.data()) == CE_None) {
        identity.geoTransform = transform;
    }
    identity.width = dataset->GetRasterXSize();
    identity.height = dataset->GetRasterYSize();
    for (int number = 1; number <= dataset->GetRasterCount(); ++number) {
        GDALRasterBand* const band = dataset->GetRasterBand(number);
        int hasNoData = FALSE;
        const double noData = band->GetNoDataValue(&hasNoData);
        identity.noData.push_back(hasNoData ? std::optional(noData) : std::nullopt);
        identity.dataTypes.emplace_back(GDALGetDataTypeName(band->GetRasterDataType()));
        identity.descriptions.emplace_back(band->GetDescription());
    }
    return identity;
}
