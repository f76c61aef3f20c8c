#include "evaluation/GdalImageRegionOutputter.h"

#include "raster/BandBuffer.h"
#include "raster/CellTypeTable.h"
#include "raster/ImageFileReader.h"

#include <gdal_priv.h>

#include <concepts>
#include <stdexcept>
#include <type_traits>

namespace {

constexpr const char* kUnsupportedOutputCellType = "Unsupported output cell type";

// Tile files hold 8- and 16-bit integers only, in GDAL's type of that size
// and sign.
GDALDataType OutputDataType(CellType cellType) {
    return CellTypeTable::Visit(
        cellType,
        []<typename Sample>(std::type_identity<Sample>) -> GDALDataType {
            if constexpr (std::integral<Sample> && sizeof(Sample) <= 2) {
                return GDALFindDataType(static_cast<int>(8 * sizeof(Sample)),
                                        std::is_signed_v<Sample>, FALSE, FALSE);
            } else {
                throw kUnsupportedOutputCellType;
            }
        },
        []() -> GDALDataType { throw kUnsupportedOutputCellType; });
}

} // namespace

CGdalImageRegionOutputter::CGdalImageRegionOutputter(std::string name, std::string fileExtension,
                                                     std::vector<std::string> options)
    : driver(GetGDALDriverManager()->GetDriverByName(name.c_str())), driverName(std::move(name)),
      extension(std::move(fileExtension)), creationOptions(std::move(options)) {
    if (!driver) {
        throw std::runtime_error("Unable to create driver");
    }
    if (!CSLFetchBoolean(driver->GetMetadata(""), GDAL_DCAP_CREATE, FALSE)) {
        throw std::runtime_error(
            "Driver must support Create method in order to be used as output format");
    }
}

void CGdalImageRegionOutputter::OutputRegion(CImageFileReader& reader, const std::string& name,
                                             const CRegionPtr& region) {
    const std::string fileName = name + "." + extension;
    const int32_t bandCount = reader.GetBandCount();
    const GDALDataType dataType = OutputDataType(reader.GetCellType());
    const auto width = static_cast<int32_t>(region->Width());
    const auto height = static_cast<int32_t>(region->Height());

    std::vector<char*> options;
    for (const auto& option : creationOptions) {
        options.push_back(const_cast<char*>(option.c_str()));
    }
    options.push_back(nullptr);
    // Closing the dataset on every exit completes the file.
    const GDALDatasetUniquePtr dataset(
        driver->Create(fileName.c_str(), width, height, bandCount, dataType,
                       creationOptions.empty() ? nullptr : options.data()));
    if (!dataset) {
        throw std::runtime_error("Unable to create tile file " + fileName);
    }
    for (int32_t i = 0; i < bandCount; ++i) {
        GDALRasterBand* output = dataset->GetRasterBand(i + 1);
        CBand* band = reader.GetBand(i);
        if (!band) {
            throw "Unable to get band";
        }
        const CBandBuffer buffer(*band, width * height);
        band->ReadRegion(region, buffer.Samples());
        // GDAL converts the floats to the file's type; a failed write shows
        // in the file, not in the run.
        [[maybe_unused]] const CPLErr written =
            output->RasterIO(GF_Write, 0, 0, width, height, buffer.Samples(), width, height,
                             GDT_Float32, 0, 0, nullptr);
    }
}
