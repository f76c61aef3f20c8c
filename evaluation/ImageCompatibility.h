#pragma once

#include "raster/ImageFileReader.h"
#include "regions/Region.h"

#include <cstdint>

// What two images that can be compared have in common.
struct ComparedImages {
    uint32_t width = 0;
    uint32_t height = 0;
    int32_t bandCount = 0;
    float maxBandValue = 0.0f;
};

// Checks that the images have the same width, height, band count and largest
// sample value, in this order, and throws the fixed message naming the first
// thing in which they differ.
ComparedImages CheckCompatibility(CImageFileReader& original, CImageFileReader& compressed);

// A bounding box or a tile from a regions file may be empty or reach beyond
// the image; reading it would fail deep inside a reader, or first ask for a
// buffer of billions of samples. It is refused here, naming the rectangle:
// `what` is "Tile" or "Bounding box".
void CheckInsideImage(const char* what, const CRegion& rectangle, uint32_t width, uint32_t height);
