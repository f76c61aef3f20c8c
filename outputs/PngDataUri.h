#pragma once

#include <cstdint>
#include <string>
#include <vector>

// An 8-bit picture, row by row, its `channels` (1 grey, 3 RGB) side by side.
struct Picture {
    int32_t width = 0;
    int32_t height = 0;
    int32_t channels = 1;
    std::vector<uint8_t> pixels;
};

// The picture as a PNG in a data URI ("data:image/png;base64,...").
std::string PngDataUri(const Picture& picture);

// Standard base64 with padding.
std::string Base64(const uint8_t* bytes, size_t size);
