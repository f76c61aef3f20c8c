#pragma once

#include <cstdint>
#include <filesystem>

// Size of a file in bytes, or all bits set when it cannot be determined
// (missing file, a directory, no permission to look at it).
uint64_t OrvFileSizeBytesW(const std::filesystem::path& fileName);

inline constexpr uint64_t kOrvUnknownFileSize = ~uint64_t{0};
