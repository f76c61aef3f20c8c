#include "bench/BenchmarkImages.h"

#include "bench/TextureGenerator.h"

#include <cpl_string.h>
#include <gdal_priv.h>

#include <cstdio>
#include <functional>
#include <stdexcept>

namespace {

constexpr int kStripRows = 256;

// Makes `fileName` through a temporary name, so that an interrupted run never
// leaves a half-written image in the cache.
void MakeOnce(const std::string& fileName, const std::function<void(const std::string&)>& make) {
    if (std::filesystem::exists(fileName)) {
        return;
    }
    // The extension stays last: GDAL picks JPEG 2000 boxes by it.
    std::filesystem::path partial(fileName);
    partial.replace_extension(".partial" + partial.extension().string());
    std::printf("Making %s (once)...\n", fileName.c_str());
    std::fflush(stdout);
    make(partial.string());
    std::filesystem::rename(partial, fileName);
}

GDALDriver* Driver(const char* name) {
    GDALDriver* driver = GetGDALDriverManager()->GetDriverByName(name);
    if (driver == nullptr) {
        throw std::runtime_error(std::string("GDAL driver missing: ") + name);
    }
    return driver;
}

} // namespace

CBenchmarkImages::CBenchmarkImages(std::filesystem::path cacheFolder)
    : folder(std::move(cacheFolder)) {
    GDALAllRegister();
    std::filesystem::create_directories(folder);
    MakeOnce(GeoTiff(), [this](const std::string& name) { MakeGeoTiff(name); });
    MakeOnce(TiledJpeg2000(), [this](const std::string& name) { EncodeJpeg2000(name, 1024); });
    MakeOnce(SingleTileJpeg2000(),
             [this](const std::string& name) { EncodeJpeg2000(name, kSize); });
}

void CBenchmarkImages::MakeGeoTiff(const std::string& fileName) const {
    CPLStringList options;
    options.AddString("TILED=YES");
    options.AddString("PHOTOMETRIC=RGB");
    GDALDatasetUniquePtr dataset(
        Driver("GTiff")->Create(fileName.c_str(), kSize, kSize, 3, GDT_Byte, options.List()));
    if (dataset == nullptr) {
        throw std::runtime_error("cannot create " + fileName);
    }
    const CTextureGenerator texture(20240601);
    CPLErr result = CE_None;
    for (int y = 0; y < kSize && result == CE_None; y += kStripRows) {
        const int rows = std::min(kStripRows, kSize - y);
        std::vector<uint8_t> strip = texture.Rows(kSize, y, rows);
        result = dataset->RasterIO(GF_Write, 0, y, kSize, rows, strip.data(), kSize, rows, GDT_Byte,
                                   3, nullptr, 0, 0, 0, nullptr);
    }
    dataset.reset(); // closing completes the file
    if (result != CE_None) {
        throw std::runtime_error("cannot write " + fileName);
    }
}

void CBenchmarkImages::EncodeJpeg2000(const std::string& fileName, int tileSize) const {
    const GDALDatasetUniquePtr source(
        GDALDataset::Open(GeoTiff().c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY));
    if (source == nullptr) {
        throw std::runtime_error("cannot open " + GeoTiff());
    }
    CPLStringList options;
    options.AddString("QUALITY=5"); // a twentieth of the uncompressed size
    options.AddString(("BLOCKXSIZE=" + std::to_string(tileSize)).c_str());
    options.AddString(("BLOCKYSIZE=" + std::to_string(tileSize)).c_str());
    const GDALDatasetUniquePtr encoded(
        Driver("JP2OpenJPEG")
            ->CreateCopy(fileName.c_str(), source.get(), FALSE, options.List(), nullptr, nullptr));
    if (encoded == nullptr) {
        throw std::runtime_error("cannot encode " + fileName);
    }
}
