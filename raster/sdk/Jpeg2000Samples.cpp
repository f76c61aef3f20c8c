#include "raster/sdk/Jpeg2000Samples.h"

#include "raster/sdk/ByteCount.h"
#include "raster/sdk/CellTypeCode.h"
#include "raster/sdk/Error.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <type_traits>

namespace Orv {

namespace {

template <typename Sample> void StoreAs(const OPJ_INT32* decoded, size_t count, std::byte* out) {
    auto* samples = reinterpret_cast<Sample*>(out);
    // OpenJPEG has already clamped every value to the component's range.
    std::transform(decoded, decoded + count, samples,
                   [](OPJ_INT32 value) { return static_cast<Sample>(value); });
}

} // namespace

void StoreComponent(const opj_image_comp_t& component, uint32_t cellType, std::byte* samples) {
    const size_t count = size_t{component.w} * component.h;
    // The layout's code comes from CellTypeCodeFor, so only integer rows are met.
    CellTypeCodeTable::Visit(
        cellType,
        [&]<typename Sample>(std::type_identity<Sample>) {
            StoreAs<Sample>(component.data, count, samples);
        },
        [] { throw CError(kErrorDecodeFailed); });
}

bool HoldsWindow(const opj_image_t& image, const PixelWindow& window, uint32_t componentCount) {
    if (image.numcomps != componentCount) {
        return false;
    }
    for (OPJ_UINT32 i = 0; i < image.numcomps; ++i) {
        const opj_image_comp_t& component = image.comps[i];
        if (component.w != window.width || component.h != window.height ||
            component.data == nullptr) {
            return false;
        }
    }
    return true;
}

DecodedPart PartFromImage(opj_image_t& image, const PixelWindow& area,
                          const CodestreamLayout& layout) {
    const std::optional<size_t> bandBytes = ByteCountOf(area.width, area.height, layout.sampleSize);
    if (!bandBytes || area.width == 0 || area.height == 0 ||
        !HoldsWindow(image, area, layout.file.bandCount)) {
        throw CError(kErrorDecodeFailed);
    }
    DecodedPart part{area, std::vector<std::byte>(*bandBytes * layout.file.bandCount)};
    for (OPJ_UINT32 i = 0; i < image.numcomps; ++i) {
        opj_image_comp_t& component = image.comps[i];
        StoreComponent(component, layout.file.cellType, part.samples.data() + i * *bandBytes);
        opj_image_data_free(component.data);
        component.data = nullptr;
    }
    return part;
}

void CopyOverlap(const DecodedPart& part, uint32_t band, const PixelWindow& window,
                 size_t sampleSize, std::byte* samples) {
    const PixelWindow& area = part.area;
    const uint32_t x0 = std::max(window.x0, area.x0);
    const uint32_t y0 = std::max(window.y0, area.y0);
    const uint32_t x1 = std::min(window.x0 + window.width, area.x0 + area.width);
    const uint32_t y1 = std::min(window.y0 + window.height, area.y0 + area.height);
    if (x0 >= x1 || y0 >= y1) {
        throw CError(kErrorDecodeFailed);
    }
    const size_t planeBytes = size_t{area.width} * area.height * sampleSize;
    const std::byte* plane = part.samples.data() + band * planeBytes;
    const size_t rowBytes = size_t{x1 - x0} * sampleSize;
    for (uint32_t y = y0; y < y1; ++y) {
        std::memcpy(
            samples + (size_t{y - window.y0} * window.width + (x0 - window.x0)) * sampleSize,
            plane + (size_t{y - area.y0} * area.width + (x0 - area.x0)) * sampleSize, rowBytes);
    }
}

} // namespace Orv
