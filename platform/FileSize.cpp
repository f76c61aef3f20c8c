#include "platform/FileSize.h"

#include <system_error>

std::optional<uint64_t> FileSizeOf(const std::filesystem::path& fileName) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(fileName, error)) {
        return std::nullopt;
    }
    const auto size = std::filesystem::file_size(fileName, error);
    if (error) {
        return std::nullopt;
    }
    return static_cast<uint64_t>(size);
}
