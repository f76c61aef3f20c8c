#include "raster/sdk/Jpeg2000Decoder.h"

#include "raster/sdk/CellTypeCode.h"
#include "raster/sdk/Error.h"
#include "raster/sdk/HeapTuning.h"

#include <algorithm>
#include <limits>

namespace Orv {

namespace {

uint32_t CellTypeCodeFor(uint32_t precision, bool isSigned) {
    if (precision <= 8) {
        return isSigned ? CellTypeCode::Int8 : CellTypeCode::UInt8;
    }
    if (precision <= 16) {
        return isSigned ? CellTypeCode::Int16 : CellTypeCode::UInt16;
    }
    return isSigned ? CellTypeCode::Int32 : CellTypeCode::UInt32;
}

bool DeclaresComponentTransform(opj_codec_t* codec) {
    opj_codestream_info_v2_t* info = opj_get_cstr_info(codec);
    const bool declared = info != nullptr && info->m_default_tile_info.mct != 0;
    opj_destroy_cstr_info(&info);
    return declared;
}

template <typename Sample> void StoreAs(const OPJ_INT32* decoded, size_t count, std::byte* out) {
    auto* samples = reinterpret_cast<Sample*>(out);
    // OpenJPEG has already clamped every value to the component's range.
    std::transform(decoded, decoded + count, samples,
                   [](OPJ_INT32 value) { return static_cast<Sample>(value); });
}

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

} // namespace

CJpeg2000Decoder::CJpeg2000Decoder(std::unique_ptr<const CReadOnlyFile> openFile,
                                   const CodestreamExtent& codestreamInFile)
    : file(std::move(openFile)), codestream(codestreamInFile) {
    KeepFreedMemoryForReuse();
    const COpjFileStream stream(*file, codestream);
    const Header header = ReadHeader(stream);
    ReadLayout(*header.image);
    usesComponentTransform = DeclaresComponentTransform(header.codec.get());
}

CJpeg2000Decoder::Header CJpeg2000Decoder::ReadHeader(const COpjFileStream& stream) const {
    Header header{CreateQuietCodestreamDecoder(), nullptr};
    opj_image_t* image = nullptr;
    const bool read = opj_read_header(stream.Get(), header.codec.get(), &image);
    header.image.reset(image);
    if (!read || image == nullptr) {
        throw CError(kErrorCorruptFile);
    }
    return header;
}

void CJpeg2000Decoder::ReadLayout(const opj_image_t& image) {
    if (image.numcomps == 0 || image.numcomps > std::numeric_limits<uint16_t>::max()) {
        throw CError(kErrorUnsupportedLayout);
    }
    const opj_image_comp_t& first = image.comps[0];
    uint32_t precision = 0;
    for (OPJ_UINT32 i = 0; i < image.numcomps; ++i) {
        const opj_image_comp_t& component = image.comps[i];
        if (component.dx != 1 || component.dy != 1 || component.w != first.w ||
            component.h != first.h || component.sgnd != first.sgnd || component.prec == 0 ||
            component.prec > 32) {
            throw CError(kErrorUnsupportedLayout);
        }
        // Components of different precision share the widest type.
        precision = std::max(precision, component.prec);
    }
    if (first.w == 0 || first.h == 0) {
        throw CError(kErrorCorruptFile);
    }
    layout = OrvFileInfo{first.w, first.h, static_cast<uint16_t>(image.numcomps),
                         CellTypeCodeFor(precision, first.sgnd != 0)};
    originX = image.x0;
    originY = image.y0;
}

void CJpeg2000Decoder::DecodeWindow(uint32_t band, const PixelWindow& window, std::byte* samples) {
    if (!usesComponentTransform) {
        const OpjImagePtr image = DecodeComponents(window, {band});
        StoreComponent(image->comps[0], layout.cellType, samples);
        return;
    }
    if (!cachedImage || !(cachedWindow == window)) {
        // Drop the old window first: a failed decode must not leave it behind
        // under the new window's name.
        cachedImage.reset();
        cachedImage = DecodeComponents(window, {});
        cachedWindow = window;
    }
    StoreComponent(cachedImage->comps[band], layout.cellType, samples);
}

OpjImagePtr CJpeg2000Decoder::DecodeComponents(const PixelWindow& window,
                                               const std::vector<OPJ_UINT32>& components) const {
    const COpjFileStream stream(*file, codestream);
    Header header = ReadHeader(stream);
    opj_codec_t* codec = header.codec.get();
    opj_image_t* image = header.image.get();
    if (!components.empty() &&
        !opj_set_decoded_components(codec, static_cast<OPJ_UINT32>(components.size()),
                                    components.data(), OPJ_FALSE)) {
        throw CError(kErrorDecodeFailed);
    }
    // The decoder takes the area on the reference grid in signed 32 bits.
    const uint64_t x1 = uint64_t{originX} + window.x0 + window.width;
    const uint64_t y1 = uint64_t{originY} + window.y0 + window.height;
    if (x1 > uint64_t{std::numeric_limits<OPJ_INT32>::max()} ||
        y1 > uint64_t{std::numeric_limits<OPJ_INT32>::max()}) {
        throw CError(kErrorDecodeFailed);
    }
    if (!opj_set_decode_area(codec, image, static_cast<OPJ_INT32>(originX + window.x0),
                             static_cast<OPJ_INT32>(originY + window.y0),
                             static_cast<OPJ_INT32>(x1), static_cast<OPJ_INT32>(y1)) ||
        !opj_decode(codec, stream.Get(), image)) {
        throw CError(kErrorDecodeFailed);
    }
    const OPJ_UINT32 expectedCount =
        components.empty() ? layout.bandCount : static_cast<OPJ_UINT32>(components.size());
    if (image->numcomps != expectedCount) {
        throw CError(kErrorDecodeFailed);
    }
    for (OPJ_UINT32 i = 0; i < image->numcomps; ++i) {
        const opj_image_comp_t& component = image->comps[i];
        if (component.w != window.width || component.h != window.height ||
            component.data == nullptr) {
            throw CError(kErrorDecodeFailed);
        }
    }
    return std::move(header.image);
}

} // namespace Orv
