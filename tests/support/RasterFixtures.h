#pragma once

#include <gdal.h>

#include <functional>
#include <string>
#include <vector>

// Samples of one band, row-major. Doubles hold every integer sample of GDAL's
// types exactly, 4294967295 and -2147483648 included.
using BandValues = std::vector<double>;

// A small raster to write as a test fixture; every band has width x height
// values, written in `type`.
struct RasterFixture {
    int width = 0;
    int height = 0;
    GDALDataType type = GDT_Byte;
    std::vector<BandValues> bands;
    // Colour interpretation per band; empty keeps the driver's default.
    std::vector<GDALColorInterp> colours;
};

// One band of a VRT, whose bands may differ in data type.
struct VrtBand {
    GDALDataType type = GDT_Byte;
    BandValues values;
};

// Registers GDAL's drivers the first time it is called in a process.
void RegisterGdalDriversOnce();

// A band of width x height values made by `value(x, y)`.
BandValues MakeBand(int width, int height, const std::function<double(int x, int y)>& value);

// All writers register GDAL's drivers themselves and throw std::runtime_error
// when GDAL cannot write the file.
void WriteGeoTiff(const std::string& fileName, const RasterFixture& raster,
                  const std::vector<std::string>& creationOptions = {});
// Through GDAL's JP2OpenJPEG driver: a ".jp2" name gets JPEG 2000 boxes, a
// ".j2k" name a raw codestream.
void WriteJpeg2000(const std::string& fileName, const RasterFixture& raster,
                   const std::vector<std::string>& creationOptions);
// Creation options for a lossless JPEG 2000 file in tiles of `tileSize`, with
// or without the multiple-component (RGB to YCC) transform.
std::vector<std::string> LosslessJpeg2000Options(bool colourTransform, int tileSize = 1024);
// Writes a VRT and, beside it, one single-band GeoTIFF per band
// (`fileName`.band<N>.tif) holding that band's values in its own type.
void WriteMixedTypeVrt(const std::string& fileName, int width, int height,
                       const std::vector<VrtBand>& bands);
