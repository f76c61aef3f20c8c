#include "tests/support/RasterFixtures.h"

#include <cpl_string.h>
#include <gdal_priv.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <stdexcept>

namespace {

struct DatasetCloser {
    void operator()(GDALDataset* dataset) const { GDALClose(GDALDataset::ToHandle(dataset)); }
};
using DatasetPtr = std::unique_ptr<GDALDataset, DatasetCloser>;

class COptionList {
public:
    explicit COptionList(const std::vector<std::string>& options) {
        for (const auto& option : options) {
            list.AddString(option.c_str());
        }
    }
    char** Get() { return list.List(); }

private:
    CPLStringList list;
};

GDALDriver* DriverOrThrow(const char* name) {
    RegisterGdalDriversOnce();
    GDALDriver* driver = GetGDALDriverManager()->GetDriverByName(name);
    if (driver == nullptr) {
        throw std::runtime_error(std::string("GDAL driver missing: ") + name);
    }
    return driver;
}

void FillBands(GDALDataset& dataset, const RasterFixture& raster) {
    for (size_t index = 0; index < raster.bands.size(); ++index) {
        BandValues values = raster.bands[index];
        if (values.size() != size_t(raster.width) * size_t(raster.height)) {
            throw std::runtime_error("band values do not match the raster size");
        }
        GDALRasterBand* band = dataset.GetRasterBand(static_cast<int>(index) + 1);
        if (band->RasterIO(GF_Write, 0, 0, raster.width, raster.height, values.data(), raster.width,
                           raster.height, GDT_Float64, 0, 0, nullptr) != CE_None) {
            throw std::runtime_error("cannot write fixture band");
        }
        if (index < raster.colours.size()) {
            band->SetColorInterpretation(raster.colours[index]);
        }
    }
}

DatasetPtr CreateOrThrow(const char* driverName, const std::string& fileName,
                         const RasterFixture& raster, const std::vector<std::string>& options) {
    COptionList optionList(options);
    DatasetPtr dataset(DriverOrThrow(driverName)
                           ->Create(fileName.c_str(), raster.width, raster.height,
                                    static_cast<int>(raster.bands.size()), raster.type,
                                    optionList.Get()));
    if (!dataset) {
        throw std::runtime_error("cannot create fixture " + fileName);
    }
    FillBands(*dataset, raster);
    return dataset;
}

} // namespace

void RegisterGdalDriversOnce() {
    static std::once_flag registration;
    std::call_once(registration, GDALAllRegister);
}

BandValues MakeBand(int width, int height, const std::function<double(int x, int y)>& value) {
    BandValues values;
    values.reserve(size_t(width) * size_t(height));
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
    const DatasetPtr memory = CreateOrThrow("MEM", "", raster, {});
    COptionList optionList(creationOptions);
    const DatasetPtr written(DriverOrThrow("JP2OpenJPEG")
                                 ->CreateCopy(fileName.c_str(), memory.get(), FALSE,
                                              optionList.Get(), nullptr, nullptr));
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
    std::string xml = "<VRTDataset rasterXSize=\"" + std::to_string(width) + "\" rasterYSize=\"" +
                      std::to_string(height) + "\">\n";
    for (size_t index = 0; index < bands.size(); ++index) {
        const std::string number = std::to_string(index + 1);
        const std::string sourceName = fileName + ".band" + number + ".tif";
        WriteGeoTiff(sourceName,
                     RasterFixture{width, height, bands[index].type, {bands[index].values}, {}});
        xml += "  <VRTRasterBand dataType=\"" +
               std::string(GDALGetDataTypeName(bands[index].type)) + "\" band=\"" + number +
               "\">\n    <SimpleSource>\n      <SourceFilename relativeToVRT=\"1\">" +
               std::filesystem::path(sourceName).filename().string() +
               "</SourceFilename>\n      <SourceBand>1</SourceBand>\n    </SimpleSource>\n"
               "  </VRTRasterBand>\n";
    }
    xml += "</VRTDataset>\n";
    std::ofstream file(fileName);
    file << xml;
    if (!file) {
        throw std::runtime_error("cannot write VRT fixture " + fileName);
    }
}
