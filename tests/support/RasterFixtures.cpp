#include "tests/support/RasterFixtures.h"

#include <cpl_string.h>
#include <gdal_priv.h>

#include <filesystem>
#include <fstream>
#include <mutex>
#include <stdexcept>

namespace {

CPLStringList OptionList(const std::vector<std::string>& options) {
    CPLStringList list;
    for (const auto& option : options) {
        list.AddString(option.c_str());
    }
    return list;
}

GDALDriver* DriverOrThrow(const char* name) {
    RegisterGdalDriversOnce();
    if (GDALDriver* driver = GetGDALDriverManager()->GetDriverByName(name)) {
        return driver;
    }
    throw std::runtime_error(std::string("GDAL driver missing: ") + name);
}

GDALDatasetUniquePtr CreateOrThrow(const char* driverName, const std::string& fileName,
                                   const RasterFixture& raster,
                                   const std::vector<std::string>& options) {
    GDALDatasetUniquePtr dataset(DriverOrThrow(driverName)
                                     ->Create(fileName.c_str(), raster.width, raster.height,
                                              static_cast<int>(raster.bands.size()), raster.type,
                                              OptionList(options).List()));
    if (!dataset) {
        throw std::runtime_error("cannot create fixture " + fileName);
    }
    for (size_t index = 0; index < raster.bands.size(); ++index) {
        BandValues values = raster.bands[index]; // RasterIO takes no const buffer
        GDALRasterBand* band = dataset->GetRasterBand(static_cast<int>(index) + 1);
        if (values.size() != size_t(raster.width) * size_t(raster.height) ||
            band->RasterIO(GF_Write, 0, 0, raster.width, raster.height, values.data(), raster.width,
                           raster.height, GDT_Float64, 0, 0, nullptr) != CE_None) {
            throw std::runtime_error("cannot write band values into " + fileName);
        }
        if (index < raster.colours.size()) {
            band->SetColorInterpretation(raster.colours[index]);
        }
    }
    return dataset;
}

} // namespace

void RegisterGdalDriversOnce() {
    static std::once_flag registration;
    std::call_once(registration, GDALAllRegister);
}

BandValues MakeBand(int width, int height, const std::function<double(int x, int y)>& value) {
    BandValues values;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            values.push_back(value(x, y));
        }
    }
    return values;
}

void WriteGeoTiff(const std::string& fileName, const RasterFixture& raster,
                  const std::vector<std::string>& creationOptions) {
    CreateOrThrow("GTiff", fileName, raster, creationOptions);
}

void WriteJpeg2000(const std::string& fileName, const RasterFixture& raster,
                   const std::vector<std::string>& creationOptions) {
    const GDALDatasetUniquePtr memory = CreateOrThrow("MEM", "", raster, {});
    const GDALDatasetUniquePtr written(DriverOrThrow("JP2OpenJPEG")
                                           ->CreateCopy(fileName.c_str(), memory.get(), FALSE,
                                                        OptionList(creationOptions).List(), nullptr,
                                                        nullptr));
    if (!written) {
        throw std::runtime_error("cannot write JPEG 2000 fixture " + fileName);
    }
}

std::vector<std::string> LosslessJpeg2000Options(bool colourTransform, int tileSize) {
    return {"QUALITY=100", "REVERSIBLE=YES", colourTransform ? "YCC=YES" : "YCC=NO",
            "BLOCKXSIZE=" + std::to_string(tileSize), "BLOCKYSIZE=" + std::to_string(tileSize)};
}

void WriteMixedTypeVrt(const std::string& fileName, int width, int height,
                       const std::vector<VrtBand>& bands) {
    std::ofstream file(fileName);
    file << "<VRTDataset rasterXSize=\"" << width << "\" rasterYSize=\"" << height << "\">\n";
    for (size_t index = 0; index < bands.size(); ++index) {
        const std::string sourceName = fileName + ".band" + std::to_string(index + 1) + ".tif";
        WriteGeoTiff(sourceName, {width, height, bands[index].type, {bands[index].values}, {}});
        file << "<VRTRasterBand dataType=\"" << GDALGetDataTypeName(bands[index].type)
             << "\" band=\"" << index + 1 << "\"><SimpleSource><SourceFilename relativeToVRT=\"1\">"
             << std::filesystem::path(sourceName).filename().string()
             << "</SourceFilename><SourceBand>1</SourceBand></SimpleSource></VRTRasterBand>\n";
    }
    file << "</VRTDataset>\n";
    if (!file) {
        throw std::runtime_error("cannot write VRT fixture " + fileName);
    }
}
