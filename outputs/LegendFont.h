#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

// An RGBA picture, row by row, four bytes a pixel.
struct RgbaPicture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;

    RgbaPicture(int pictureWidth, int pictureHeight)
        : width(pictureWidth), height(pictureHeight),
          pixels(static_cast<size_t>(pictureWidth) * static_cast<size_t>(pictureHeight) * 4, 0) {}
    // Paints the pixels of the rectangle that lie inside the picture.
    void Fill(int x, int y, int w, int h, const std::array<uint8_t, 4>& colour);
};

// Text in a small pixel font of our own: the printable ASCII characters in
// cells 5 pixels wide and 9 high (7 above the baseline, 2 for descenders),
// one column apart, each pixel drawn as a `scale` x `scale` square. Other
// characters are drawn as '?'.
int TextWidth(std::string_view text, int scale);
int TextHeight(int scale);
// Draws `text` with its cells' top left corner at (x, y).
void DrawText(RgbaPicture& picture, int x, int y, std::string_view text, int scale,
              const std::array<uint8_t, 4>& colour);
