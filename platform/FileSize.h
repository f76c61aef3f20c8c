#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>

// Size of a regular file in bytes; nothing when it cannot be determined
// (a missing file, a folder, no permission to look at it).
std::optional<uint64_t> FileSizeOf(const std::filesystem::path& fileName);
