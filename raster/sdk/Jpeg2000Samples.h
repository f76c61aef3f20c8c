#pragma once

#include "raster/sdk/DecodedPartCache.h"
#include "raster/sdk/Jpeg2000Layout.h"

#include <openjpeg.h>

#include <cstddef>
#include <cstdint>

namespace Orv {

// Writes a decoded component's samples, row-major, in the sample type of
// `cellType` at `samples`.
void StoreComponent(const opj_image_comp_t& component, uint32_t cellType, std::byte* samples);

// Whether a decode gave `componentCount` components of the window's size.
bool HoldsWindow(const opj_image_t& image, const PixelWindow& window, uint32_t componentCount);

// Every component of `image`, decoded for `area`, as a part in the file's
// sample type; frees each component's samples once copied, so that the
// codec holding the image need not keep them. Throws CError unless the image
// holds the area.
DecodedPart PartFromImage(opj_image_t& image, const PixelWindow& area,
                          const CodestreamLayout& layout);

// Copies the part of `part`'s band `band` inside `window` to its place in
// `samples`, which holds one band of the window.
void CopyOverlap(const DecodedPart& part, uint32_t band, const PixelWindow& window,
                 size_t sampleSize, std::byte* samples);

} // namespace Orv
