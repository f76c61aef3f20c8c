#include "evaluation/ImageCompatibility.h"

#include "platform/ZarnikError.h"

#include <string>

namespace {

// A figure of either file, or the fixed message `failure` whatever went wrong.
template <typename Query> auto Asked(Query query, const char* failure) {
    try {
        return query();
    } catch (...) {
        throw CZarnikError::Complete(failure);
    }
}

int32_t CommonBandCount(CImageFileReader& original, CImageFileReader& compressed) {
    const int32_t originalBands =
        Asked([&] { return original.GetBandCount(); }, "Unable to get original band count");
    const int32_t compressedBands =
        Asked([&] { return compressed.GetBandCount(); }, "Unable to get compressed band count");
    if (originalBands != compressedBands) {
        throw CZarnikError::Complete("Band count differs between files. Cannot compare bandwise.");
    }
    return originalBands;
}

float CommonMaxBandValue(CImageFileReader& original, CImageFileReader& compressed) {
    const float originalMax =
        Asked([&] { return original.GetMaxBandValue(); }, "Unable to get original max band value");
    const float compressedMax = Asked([&] { return compressed.GetMaxBandValue(); },
                                      "Unable to get compressed max band value");
    if (!(originalMax == compressedMax)) {
        throw CZarnikError::Complete("Max band value differs between files. Cannot compare.");
    }
    return originalMax;
}

} // namespace

ComparedImages CheckCompatibility(CImageFileReader& original, CImageFileReader& compressed) {
    const ImageSize originalSize = original.GetImageSize();
    const ImageSize compressedSize = compressed.GetImageSize();
    if (originalSize.width != compressedSize.width) {
        throw CZarnikError::Complete("Width of the images differ. Cannot compare images.");
    }
    if (originalSize.height != compressedSize.height) {
        throw CZarnikError::Complete("Height of the images differ. Cannot compare images.");
    }
    ComparedImages images{.width = originalSize.width, .height = originalSize.height};
    images.bandCount = CommonBandCount(original, compressed);
    images.maxBandValue = CommonMaxBandValue(original, compressed);
    return images;
}

void CheckInsideImage(const char* what, const CRegion& rectangle, uint32_t width, uint32_t height) {
    const std::string named = std::string(what) + " " + TileText(rectangle);
    if (rectangle.Width() < 1 || rectangle.Height() < 1) {
        throw CZarnikError::Detail(named + " has no pixels");
    }
    if (rectangle.x0 < 0 || rectangle.y0 < 0 || rectangle.x1 >= int64_t{width} ||
        rectangle.y1 >= int64_t{height}) {
        throw CZarnikError::Detail(named + " lies outside the image of " + std::to_string(width) +
                                   "x" + std::to_string(height) + " pixels");
    }
}
