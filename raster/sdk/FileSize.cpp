#include "raster/sdk/FileSize.h"

#include <system_error>

uint64_t OrvFileSizeBytesW(const std::filesystem::path& fileName) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(fileName, error)) {
        return kOrvUnknownFileSize;
    }
    const auto size = std::filesystem::file_size(fileName, error);
    return error ? kOrvUnknownFileSize : static_cast<uint64_t>(size);
}
