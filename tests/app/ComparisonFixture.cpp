#include "tests/app/ComparisonFixture.h"

#include <algorithm>
#include <sstream>

RasterFixture ComparisonFixture::TexturedRgb(int width, int height) {
    RasterFixture raster;
    raster.width = width;
    raster.height = height;
    raster.type = GDT_Byte;
    for (int band = 0; band < 3; ++band) {
        raster.bands.push_back(MakeBand(width, height, [band](int x, int y) {
            return static_cast<double>(
                (x * 7 + y * 13 + band * 50 + (x * y) % 23 + ((x / 16 + y / 16) % 2) * 60) % 256);
        }));
    }
    raster.colours = {GCI_RedBand, GCI_GreenBand, GCI_BlueBand};
    return raster;
}

void ComparisonFixture::WriteLossyPair(const std::string& original, const std::string& compressed) {
    const RasterFixture raster = TexturedRgb();
    WriteGeoTiff(original, raster);
    WriteJpeg2000(compressed, raster,
                  {"QUALITY=10", "REVERSIBLE=NO", "BLOCKXSIZE=128", "BLOCKYSIZE=128"});
}

ProgramRun ComparisonFixture::Run(const std::vector<std::string>& arguments,
                                  const std::vector<std::string>& environment) const {
    return RunProgramAndCapture(ZARNIK_BINARY, arguments, folder.Path().string(), environment);
}

Report ReportOf(const ProgramRun& run) {
    Report report;
    auto lines = run.Lines();
    if (lines.empty()) {
        return report;
    }
    // Progress lines are rewritten in place: each starts with a carriage return.
    std::istringstream progress(lines.front());
    for (std::string line; std::getline(progress, line, '\r');) {
        if (!line.empty()) {
            line.erase(line.find_last_not_of(' ') + 1);
            report.progress.push_back(line);
        }
    }
    report.lines.assign(lines.begin() + 1, lines.end());
    // The timing line and the empty line before it vary with the machine.
    if (report.lines.size() >= 2) {
        report.lines.resize(report.lines.size() - 2);
    }
    return report;
}

std::vector<std::string> QualityLines(const Report& report) {
    const auto start = std::find(report.lines.begin(), report.lines.end(), "Quality: ");
    const auto end = std::find(start, report.lines.end(), "Size:");
    if (start == report.lines.end() || end == report.lines.end()) {
        return {};
    }
    return {start + 2, end - 1};
}
