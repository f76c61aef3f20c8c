#pragma once

#include <filesystem>
#include <string>

// The large images the reader benchmark reads: an 8000 x 8000 RGB original
// as an uncompressed tiled GeoTIFF and two JPEG 2000 copies at about 1:20,
// one in 1024 x 1024 tiles and one in a single tile. They are made on the
// first run and kept in `cacheFolder` for the next ones.
class CBenchmarkImages {
public:
    static constexpr int kSize = 8000;

    explicit CBenchmarkImages(std::filesystem::path cacheFolder);

    std::string GeoTiff() const { return (folder / "original.tif").string(); }
    std::string TiledJpeg2000() const { return (folder / "tiled-1024.jp2").string(); }
    std::string SingleTileJpeg2000() const { return (folder / "single-tile.jp2").string(); }

private:
    void MakeGeoTiff(const std::string& fileName) const;
    void EncodeJpeg2000(const std::string& fileName, int tileSize) const;

    std::filesystem::path folder;
};
