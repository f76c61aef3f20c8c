#include "outputs/QualityMapPreview.h"

#include "outputs/Viridis.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

namespace {

// The quick look's longer side has at least this many pixels.
constexpr int kPreviewMinimumSide = 512;
// The legend's text is drawn this many times the font's size.
constexpr int kTextScale = 2;
constexpr int kMargin = 8;
constexpr int kRampHeight = 16;
constexpr int kRampMinimumWidth = 256;
constexpr std::array<uint8_t, 4> kPaper = {255, 255, 255, 255};
constexpr std::array<uint8_t, 4> kInk = {0, 0, 0, 255};

std::optional<RampEnds> FiniteEnds(const std::vector<float>& cells) {
    float low = std::numeric_limits<float>::infinity();
    float high = -std::numeric_limits<float>::infinity();
    for (const float value : cells) {
        if (std::isfinite(value)) {
            low = std::min(low, value);
            high = std::max(high, value);
        }
    }
    if (!(low <= high)) {
        return std::nullopt;
    }
    return RampEnds{.low = low, .high = high};
}

// Where `value` lies on the ramp, from 0 at the low end to 1 at the high end.
double RampPosition(double value, const RampEnds& ends) {
    return ends.high > ends.low ? std::clamp((value - ends.low) / (ends.high - ends.low), 0.0, 1.0)
                                : 0.0;
}

std::array<uint8_t, 4> Opaque(const std::array<uint8_t, 3>& colour) {
    return {colour[0], colour[1], colour[2], 255};
}

std::string ValueText(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", value);
    return text;
}

int LegendHeight() {
    return kMargin + TextHeight(kTextScale) + kMargin / 2 + kRampHeight + kMargin / 2 +
           TextHeight(kTextScale) + kMargin;
}

// The legend across the picture's width from row `top`: title, ramp, ends.
void DrawLegend(RgbaPicture& picture, int top, const std::string& title,
                const std::optional<RampEnds>& ends) {
    picture.Fill(0, top, picture.width, LegendHeight(), kPaper);
    int y = top + kMargin;
    DrawText(picture, kMargin, y, title, kTextScale, kInk);
    y += TextHeight(kTextScale) + kMargin / 2;
    const int rampWidth = picture.width - 2 * kMargin;
    for (int x = 0; x < rampWidth; ++x) {
        const double position = rampWidth > 1 ? double(x) / double(rampWidth - 1) : 0.0;
        picture.Fill(kMargin + x, y, 1, kRampHeight, Opaque(ViridisColour(position)));
    }
    y += kRampHeight + kMargin / 2;
    const std::string low = ends ? ValueText(ends->low) : "no value";
    const std::string high = ends ? ValueText(ends->high) : "";
    DrawText(picture, kMargin, y, low, kTextScale, kInk);
    DrawText(picture, picture.width - kMargin - TextWidth(high, kTextScale), y, high, kTextScale,
             kInk);
}

} // namespace

PreviewPicture MakePreviewPicture(const std::vector<float>& cells, int columns, int rows,
                                  const std::string& title, const std::optional<RampEnds>& fixed) {
    const std::optional<RampEnds> ends = fixed ? fixed : FiniteEnds(cells);
    const int longer = std::max({columns, rows, 1});
    const int scale = std::max(1, (kPreviewMinimumSide + longer - 1) / longer);
    const int mapWidth = columns * scale;
    const int legendWidth = std::max(kRampMinimumWidth, TextWidth(title, kTextScale)) + 2 * kMargin;
    PreviewPicture preview{
        .picture = RgbaPicture(std::max(mapWidth, legendWidth), rows * scale + LegendHeight()),
        .scale = scale,
    };
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < columns; ++column) {
            const float value = cells[static_cast<size_t>(row) * static_cast<size_t>(columns) +
                                      static_cast<size_t>(column)];
            if (!std::isnan(value) && ends) {
                preview.picture.Fill(column * scale, row * scale, scale, scale,
                                     Opaque(ViridisColour(RampPosition(value, *ends))));
            }
        }
    }
    DrawLegend(preview.picture, rows * scale, title, ends);
    return preview;
}
