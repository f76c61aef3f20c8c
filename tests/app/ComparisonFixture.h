#pragma once

#include "tests/support/ProgramRun.h"
#include "tests/support/RasterFixtures.h"
#include "tests/support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// Runs the built program on raster files written into a fresh folder.
class ComparisonFixture : public ::testing::Test {
protected:
    static constexpr int kWidth = 300;
    static constexpr int kHeight = 200;

    // A textured RGB original of kWidth x kHeight.
    static RasterFixture TexturedRgb(int width = kWidth, int height = kHeight);

    std::string File(const std::string& name) const { return folder.File(name); }
    // The original as a GeoTIFF and a lossy JPEG 2000 copy of it.
    void WriteLossyPair(const std::string& original, const std::string& compressed);

    ProgramRun Run(const std::vector<std::string>& arguments,
                   const std::vector<std::string>& environment = {"LC_ALL=C"}) const;

    TemporaryDirectory folder;
};

// The report of a finished run: the lines after the progress line, without the
// final timing line.
struct Report {
    std::vector<std::string> progress; // one entry per tile
    std::vector<std::string> lines;
};
Report ReportOf(const ProgramRun& run);

// The lines of the "Quality:" section, statistics and bands.
std::vector<std::string> QualityLines(const Report& report);
