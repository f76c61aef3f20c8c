#include "raster/sdk/Jpeg2000Codestream.h"

#include "raster/sdk/Error.h"

#include <cstdint>

namespace Orv {

namespace {

constexpr uint32_t kSignatureBoxType = 0x6A502020; // "jP  "
constexpr uint32_t kSignatureContent = 0x0D0A870A;
constexpr uint32_t kCodestreamBoxType = 0x6A703263; // "jp2c"
constexpr size_t kSignatureBoxSize = 12;

uint64_t ReadBigEndian(std::span<const std::byte> bytes, size_t offset, size_t byteCount) {
    if (bytes.size() < offset || bytes.size() - offset < byteCount) {
        throw CError(kErrorCorruptFile);
    }
    uint64_t value = 0;
    for (size_t i = 0; i < byteCount; ++i) {
        value = (value << 8) | std::to_integer<uint64_t>(bytes[offset + i]);
    }
    return value;
}

bool StartsWithMarkers(std::span<const std::byte> bytes) {
    // Start of codestream (FF4F) directly followed by the image size (FF51).
    return ReadBigEndian(bytes, 0, 4) == 0xFF4FFF51;
}

bool EndsWithEndMarker(std::span<const std::byte> bytes) {
    return bytes.size() >= 2 && ReadBigEndian(bytes, bytes.size() - 2, 2) == 0xFFD9;
}

} // namespace

std::span<const std::byte> CheckRawCodestream(std::span<const std::byte> file) {
    if (!StartsWithMarkers(file) || !EndsWithEndMarker(file)) {
        throw CError(kErrorCorruptFile);
    }
    return file;
}

std::span<const std::byte> FindCodestreamInJp2Boxes(std::span<const std::byte> file) {
    if (ReadBigEndian(file, 0, 4) != kSignatureBoxSize ||
        ReadBigEndian(file, 4, 4) != kSignatureBoxType ||
        ReadBigEndian(file, 8, 4) != kSignatureContent) {
        throw CError(kErrorCorruptFile);
    }
    size_t offset = 0;
    while (offset < file.size()) {
        const uint64_t declaredLength = ReadBigEndian(file, offset, 4);
        const uint64_t type = ReadBigEndian(file, offset + 4, 4);
        size_t headerSize = 8;
        uint64_t boxLength = declaredLength;
        if (declaredLength == 1) {
            headerSize = 16;
            boxLength = ReadBigEndian(file, offset + 8, 8);
        } else if (declaredLength == 0) {
            boxLength = file.size() - offset; // the last box runs to the end
        }
        if (boxLength < headerSize || boxLength > file.size() - offset) {
            throw CError(kErrorCorruptFile);
        }
        if (type == kCodestreamBoxType) {
            return CheckRawCodestream(file.subspan(offset + headerSize, boxLength - headerSize));
        }
        offset += boxLength;
    }
    throw CError(kErrorCorruptFile);
}

} // namespace Orv
