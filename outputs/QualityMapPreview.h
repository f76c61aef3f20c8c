#pragma once

#include "outputs/LegendFont.h"

#include <optional>
#include <string>
#include <vector>

// The values at the ends of a quick look's colour ramp.
struct RampEnds {
    double low = 0.0;
    double high = 0.0;
};

// The quality map's quick look: one layer's cells (`columns` x `rows`, row
// by row) in the viridis ramp, enlarged by a whole factor until the longer
// side has at least 512 pixels, on top, and below it a legend that names the
// layer (`title`: statistic and band) and shows the ramp with the values at
// its ends. The ends are `fixed` (-mapRange) or else the layer's smallest
// and largest finite value; values beyond them take the nearer end. Cells
// without a value (NaN) and the picture beside the smaller map stay
// transparent.
struct PreviewPicture {
    RgbaPicture picture;
    // Pixels of the picture per cell of the map, in both directions.
    int scale = 1;
};
PreviewPicture MakePreviewPicture(const std::vector<float>& cells, int columns, int rows,
                                  const std::string& title, const std::optional<RampEnds>& fixed);
