#include "evaluation/GdalImageRegionOutputter.h"

#include "platform/ZarnikError.h"
#include "raster/BandBuffer.h"
#include "raster/CellTypeTable.h"
#include "raster/GdalQuietErrors.h"
#include "raster/ImageFileReader.h"
#include "raster/TileBytes.h"

#include <gdal_priv.h>

#include <algorithm>
#include <concepts>
#include <filesystem>
#include <limits>
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
                throw CZarnikError::Complete(kUnsupportedOutputCellType);
            }
        },
        []() -> GDALDataType { throw CZarnikError::Complete(kUnsupportedOutputCellType); });
}

} // namespace

CGdalImageRegionOutputter::CGdalImageRegionOutputter(std::string name, std::string fileExtension,
                                                     std::vector<std::string> options)
    : driver(GetGDALDriverManager()->GetDriverByName(name.c_str())), driverName(std::move(name)),
      extension(std::move(fileExtension)), creationOptions(std::move(options)) {
    if (!driver) {
        throw CZarnikError::Detail("Unable to create driver");
    }
    if (!CSLFetchBoolean(driver->GetMetadata(""), GDAL_DCAP_CREATE, FALSE)) {
        throw CZarnikError::Detail(
            "Driver must support Create method in order to be used as output format");
    }
}

void CGdalImageRegionOutputter::OutputRegion(CImageFileReader& reader, const std::string& name,
                                             const CRegionPtr& region) {
    const std::string fileName = FileNameOf(name);
    // GDAL's virtual file systems have no rename of ours: written in place.
    auto partial =
        fileName.starts_with("/vsi") ? nullptr : std::make_unique<CPartialFile>(fileName);
    const std::string target = partial ? partial->TemporaryName() : fileName;
    // A failed file under its temporary name goes with its object; one
    // written in place is removed.
    const auto removeFailed = [&] {
        if (!partial || partial->TemporaryName() == fileName) {
            RemoveRegion(name);
        }
    };
    const int32_t bandCount = reader.GetBandCount();
    const GDALDataType dataType = OutputDataType(reader.GetCellType());
    // The tile buffers count their samples in signed 32 bits.
    if (TileByteCount(*region, sizeof(float)) / sizeof(float) >
        size_t{std::numeric_limits<int32_t>::max()}) {
        ThrowTileTooLarge(*region);
    }

    std::vector<char*> options;
    for (const auto& option : creationOptions) {
        options.push_back(const_cast<char*>(option.c_str()));
    }
    options.push_back(nullptr);
    const CGdalQuietErrors quiet;
    GDALDatasetUniquePtr dataset(
        driver->Create(target.c_str(), static_cast<int32_t>(region->Width()),
                       static_cast<int32_t>(region->Height()), bandCount, dataType,
                       creationOptions.empty() ? nullptr : options.data()));
    if (!dataset) {
        throw CZarnikError::Detail("Unable to create tile file " + fileName);
    }
    bool complete = false;
    try {
        complete = WriteBands(reader, *dataset, region);
    } catch (...) {
        dataset.reset();
        removeFailed();
        throw;
    }
    // GDAL writes most of the file when it flushes and closes it, and reports
    // a failure there only as its last error.
    CPLErrorReset();
    dataset->FlushCache();
    dataset.reset();
    if (!complete || CPLGetLastErrorType() == CE_Failure || CPLGetLastErrorType() == CE_Fatal) {
        removeFailed();
        throw CZarnikError::Detail("Unable to write tile file " + fileName);
    }
    if (partial) {
        pending.push_back(std::move(partial));
    }
}

void CGdalImageRegionOutputter::CommitRegions() {
    std::vector<std::unique_ptr<CPartialFile>> files = std::move(pending);
    pending.clear();
    for (const auto& file : files) {
        if (!file->Commit()) {
            throw CZarnikError::Detail("Unable to write tile file " + file->FinalName());
        }
    }
}

bool CGdalImageRegionOutputter::WriteBands(CImageFileReader& reader, GDALDataset& dataset,
                                           const CRegionPtr& region) {
    const auto width = static_cast<int32_t>(region->Width());
    const auto height = static_cast<int32_t>(region->Height());
    bool complete = true;
    for (int32_t i = 0; i < reader.GetBandCount(); ++i) {
        CBand* band = reader.GetBand(i);
        if (!band) {
            throw CZarnikError::Complete("Unable to get band");
        }
        const CBandBuffer buffer(*band, width * height);
        band->ReadRegion(region, buffer.Samples());
        // GDAL converts the floats to the file's type.
        complete = dataset.GetRasterBand(i + 1)->RasterIO(GF_Write, 0, 0, width, height,
                                                          buffer.Samples(), width, height,
                                                          GDT_Float32, 0, 0, nullptr) == CE_None &&
                   complete;
    }
    return complete;
}

void CGdalImageRegionOutputter::RemoveRegion(const std::string& name) {
    const std::string fileName = FileNameOf(name);
    // A file still under its temporary name goes with its object.
    const auto written = std::find_if(pending.begin(), pending.end(), [&](const auto& file) {
        return file->FinalName() == fileName && file->TemporaryName() != fileName;
    });
    if (written != pending.end()) {
        pending.erase(written);
        return;
    }
    if (fileName.starts_with("/vsi")) {
        VSIUnlink(fileName.c_str());
        return;
    }
    // Only what a tile file can be, or a link in its place: never the device
    // or folder a link points to.
    std::error_code error;
    const auto kind = std::filesystem::symlink_status(fileName, error).type();
    if (kind == std::filesystem::file_type::regular ||
        kind == std::filesystem::file_type::symlink) {
        std::filesystem::remove(fileName, error);
    }
}

std::string CGdalImageRegionOutputter::FileNameOf(const std::string& name) const {
    return name + "." + extension;
}
