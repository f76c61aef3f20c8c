#include "app/ProgressLine.h"

#include <sstream>
#include <string>

namespace {

constexpr size_t kProgressWidth = 80;

} // namespace

void CProgressLine::OnTile(const TileMeasurement& measurement) {
    std::ostringstream progress;
    progress << shown + 1 << " of " << count << " " << TileText(*measurement.tile) << " ";
    for (size_t b = 0; b < measurement.bands.size(); ++b) {
        const BandMeasurement& band = measurement.bands[b];
        for (size_t a = 0; a < band.values.size(); ++a) {
            if (a > 0) {
                progress << ",";
            }
            if (band.values[a]) {
                progress << *band.values[a];
            } else {
                progress << "-";
            }
        }
        if (b + 1 < measurement.bands.size()) {
            progress << ",";
        }
    }
    std::string line = progress.str();
    if (line.size() < kProgressWidth) {
        line.resize(kProgressWidth, ' ');
    }
    out << "\r" << line;
    ++shown;
}
