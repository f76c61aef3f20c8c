#include "raster/sdk/RasterDecoderFactory.h"

#include "raster/sdk/Error.h"
#include "raster/sdk/Jpeg2000Codestream.h"
#include "raster/sdk/Jpeg2000Decoder.h"
#include "raster/sdk/ReadOnlyFile.h"
#include "raster/sdk/VexlDecoder.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace Orv {

namespace {

std::string LowerCaseExtension(const std::string& fileName) {
    std::string extension = std::filesystem::path(fileName).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

template <typename FindCodestream>
std::unique_ptr<IRasterDecoder> OpenJpeg2000(const std::string& fileName,
                                             FindCodestream findCodestream) {
    auto file = std::make_unique<const CReadOnlyFile>(fileName);
    const CodestreamExtent codestream = findCodestream(*file);
    return std::make_unique<CJpeg2000Decoder>(std::move(file), codestream);
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
