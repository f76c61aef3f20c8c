#include "raster/sdk/RasterDecoderFactory.h"

#include "raster/sdk/Error.h"
#include "raster/sdk/Jpeg2000Codestream.h"
#include "raster/sdk/Jpeg2000Decoder.h"
#include "raster/sdk/VexlDecoder.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <vector>

namespace Orv {

namespace {

std::string LowerCaseExtension(const std::string& fileName) {
    std::string extension = std::filesystem::path(fileName).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

std::vector<std::byte> ReadWholeFile(const std::string& fileName) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(fileName, error)) {
        throw CError(kErrorCannotReadFile);
    }
    std::ifstream file(fileName, std::ios::binary | std::ios::ate);
    if (!file) {
        throw CError(kErrorCannotReadFile);
    }
    const std::streamoff length = file.tellg();
    if (length < 0) {
        throw CError(kErrorCannotReadFile);
    }
    std::vector<std::byte> bytes(static_cast<size_t>(length));
    file.seekg(0);
    if (!file.read(reinterpret_cast<char*>(bytes.data()), length)) {
        throw CError(kErrorCannotReadFile);
    }
    return bytes;
}

template <typename FindCodestream>
std::unique_ptr<IRasterDecoder> OpenJpeg2000(const std::string& fileName,
                                             FindCodestream findCodestream) {
    std::vector<std::byte> bytes = ReadWholeFile(fileName);
    const std::span<const std::byte> codestream = findCodestream(bytes);
    return std::make_unique<CJpeg2000Decoder>(std::move(bytes), codestream);
}

} // namespace

std::unique_ptr<IRasterDecoder> OpenRasterDecoder(const std::string& fileName) {
    const std::string extension = LowerCaseExtension(fileName);
    if (extension == ".vexl") {
        return std::make_unique<CVexlDecoder>(fileName);
    }
    if (extension == ".jp2" || extension == ".jph") {
        return OpenJpeg2000(fileName, FindCodestreamInJp2Boxes);
    }
    if (extension == ".j2k" || extension == ".j2c" || extension == ".jhc") {
        return OpenJpeg2000(fileName, CheckRawCodestream);
    }
    throw CError(kErrorUnknownFormat);
}

} // namespace Orv
