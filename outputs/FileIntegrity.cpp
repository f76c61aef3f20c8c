#include "outputs/FileIntegrity.h"

#include "outputs/JsonWriter.h"

#include <gdal_priv.h>
#include <ogr_spatialref.h>

#include <algorithm>
#include <cmath>
#include <functional>

namespace {

// A corner may move by this fraction of a pixel and still be the same.
constexpr double kCornerTolerancePixels = 1e-6;

// Where pixel corner (x, y) of the compressed file lies in the original's
// pixels; none when the original's geotransform cannot be inverted.
std::optional<std::array<double, 2>> InOriginalPixels(const std::array<double, 6>& original,
                                                      const std::array<double, 6>& compressed,
                                                      double x, double y) {
    std::array<double, 6> forward = original;
    std::array<double, 6> inverse{};
    if (!GDALInvGeoTransform(forward.data(), inverse.data())) {
        return std::nullopt;
    }
    const double east = compressed[0] + x * compressed[1] + y * compressed[2];
    const double north = compressed[3] + x * compressed[4] + y * compressed[5];
    return std::array<double, 2>{inverse[0] + east * inverse[1] + north * inverse[2],
                                 inverse[3] + east * inverse[4] + north * inverse[5]};
}

void WriteNumbers(CJsonWriter& json, const std::optional<std::array<double, 6>>& numbers) {
    if (!numbers) {
        json.Null();
        return;
    }
    json.BeginArray();
    for (const double number : *numbers) {
        json.Number(number);
    }
    json.EndArray();
}

void WriteNoData(CJsonWriter& json, const std::vector<std::optional<double>>& values) {
    json.BeginArray();
    for (const auto& value : values) {
        value ? json.Number(*value) : json.Null();
    }
    json.EndArray();
}

void WriteTexts(CJsonWriter& json, const std::vector<std::string>& texts) {
    json.BeginArray();
    for (const std::string& text : texts) {
        json.String(text);
    }
    json.EndArray();
}

// One item: whether it is the same, and both files' values where it is not.
void WriteItem(CJsonWriter& json, const char* key, bool same,
               const std::function<void(const RasterIdentity&)>& value,
               const FileIntegrity& integrity) {
    json.Key(key);
    json.BeginObject();
    json.Key("same");
    json.Bool(same);
    if (!same) {
        json.Key("original");
        value(*integrity.original);
        json.Key("compressed");
        value(*integrity.compressed);
    }
    json.EndObject();
}

} // namespace

bool FileIntegrity::SameCoordinateSystem() const {
    const std::string& first = original->coordinateSystem;
    const std::string& second = compressed->coordinateSystem;
    if (first.empty() || second.empty()) {
        return first.empty() && second.empty();
    }
    OGRSpatialReference a;
    OGRSpatialReference b;
    return a.importFromWkt(first.c_str()) == OGRERR_NONE &&
           b.importFromWkt(second.c_str()) == OGRERR_NONE && a.IsSame(&b);
}

bool FileIntegrity::SameNoData() const {
    const auto same = [](const std::optional<double>& a, const std::optional<double>& b) {
        return a == b || (a && b && std::isnan(*a) && std::isnan(*b));
    };
    return std::equal(original->noData.begin(), original->noData.end(), compressed->noData.begin(),
                      compressed->noData.end(), same);
}

bool FileIntegrity::SameGeoTransform() const {
    const auto& first = original->geoTransform;
    const auto& second = compressed->geoTransform;
    if (!first || !second) {
        return !first && !second;
    }
    for (const auto& [x, y] :
         {std::pair{0.0, 0.0}, {double(original->width), 0.0}, {0.0, double(original->height)}}) {
        const auto moved = InOriginalPixels(*first, *second, x, y);
        if (!moved) {
            return *first == *second;
        }
        if (!(std::hypot((*moved)[0] - x, (*moved)[1] - y) <= kCornerTolerancePixels)) {
            return false;
        }
    }
    return true;
}

FileIntegrity CompareFileIntegrity(const std::string& originalFileName,
                                   const std::string& compressedFileName) {
    return FileIntegrity{.original = ReadRasterIdentity(originalFileName),
                         .compressed = ReadRasterIdentity(compressedFileName)};
}

void WriteIntegrity(CJsonWriter& json, const FileIntegrity& integrity) {
    json.BeginObject();
    json.Key("readable");
    json.Bool(integrity.Comparable());
    if (integrity.Comparable()) {
        // The system's name says enough, unless both names are the same.
        const bool sameNames =
            integrity.original->coordinateSystemName == integrity.compressed->coordinateSystemName;
        WriteItem(
            json, "coordinateSystem", integrity.SameCoordinateSystem(),
            [&json, sameNames](const RasterIdentity& file) {
                json.String(sameNames ? file.coordinateSystem : file.coordinateSystemName);
            },
            integrity);
        WriteItem(
            json, "geoTransform", integrity.SameGeoTransform(),
            [&json](const RasterIdentity& file) { WriteNumbers(json, file.geoTransform); },
            integrity);
        WriteItem(
            json, "nodata", integrity.SameNoData(),
            [&json](const RasterIdentity& file) { WriteNoData(json, file.noData); }, integrity);
        WriteItem(
            json, "dataType", integrity.SameDataTypes(),
            [&json](const RasterIdentity& file) { WriteTexts(json, file.dataTypes); }, integrity);
        WriteItem(
            json, "bandDescriptions", integrity.SameDescriptions(),
            [&json](const RasterIdentity& file) { WriteTexts(json, file.descriptions); },
            integrity);
    }
    json.EndObject();
}
