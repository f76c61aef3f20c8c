#include "app/Reports.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>
#include <limits>
#include <locale>
#include <sstream>
#include <string>
#include <vector>

namespace {

// Runs a report with standard output captured, in the given locale, and
// returns its lines. The stream's locale and format are restored afterwards.
template <typename Report>
std::vector<std::string> CapturedLines(const char* localeName, Report report) {
    setenv("LC_ALL", localeName, 1);
    std::ostringstream captured;
    std::streambuf* const previous = std::cout.rdbuf(captured.rdbuf());
    const std::locale previousLocale = std::cout.getloc();
    const auto previousFlags = std::cout.flags();
    const auto previousPrecision = std::cout.precision();
    report();
    std::cout.rdbuf(previous);
    std::cout.imbue(previousLocale);
    std::cout.flags(previousFlags);
    std::cout.precision(previousPrecision);
    unsetenv("LC_ALL");

    std::vector<std::string> lines;
    std::istringstream text(captured.str());
    for (std::string line; std::getline(text, line);) {
        lines.push_back(line);
    }
    return lines;
}

EvaluationResult EmptyResultOver(const CRegion& area) {
    return EvaluationResult{.tileCount = 0,
                            .compressedFileSize = 0,
                            .originalFileSize = 0,
                            .results = {},
                            .originalReadTimes = {},
                            .compressedReadTimes = {},
                            .originalBandNames = {},
                            .compressedBandNames = {},
                            .region = area,
                            .bestTiles = {},
                            .worstTiles = {}};
}

EvaluationResult SampleResult(const CRegion& area = CRegion(0, 0, 999, 999)) {
    EvaluationResult result = EmptyResultOver(area);
    result.tileCount = 12;
    result.originalFileSize = 3000000;
    result.compressedFileSize = 250000;
    result.results["ssim"][0] = ResultStatistics{0.91234f, 0.99f, 1.9f, 2};
    result.results["ssim"][1] = ResultStatistics{0.5f, 0.75f, 1.25f, 2};
    result.results["mse"][0] = ResultStatistics{1.5f, 12.25f, 27.5f, 4};
    result.originalBandNames = {{0, "Red"}, {1, "Green"}};
    result.compressedBandNames = {{0, "Red"}};
    result.originalReadTimes[0] = TimingStatistics{1500, 2500, 8000, 4};
    result.originalReadTimes[1] = TimingStatistics{1000, 3000, 4000, 2};
    result.compressedReadTimes[0] = TimingStatistics{250, 750, 1000, 2};
    return result;
}

TEST(Reports, ReadableReportLineByLine) {
    CParsedCommandLine options;
    options.requestType = "sequential";
    const auto lines = CapturedLines("en_US.UTF-8", [&] { PrintReport(SampleResult(), options); });
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "Statistics across 12 sequential input samples",
                         "",
                         "Quality: ",
                         "------------------------------------------------------",
                         "Results for mse : ",
                         " Band 0 (Red)<->(Red) : ",
                         " \tMin: 1.5000",
                         " \tAvg: 6.8750",
                         " \tMax: 12.2500",
                         "Results for ssim : ",
                         " Band 0 (Red)<->(Red) : ",
                         " \tMin: 0.9123",
                         " \tAvg: 0.9500",
                         " \tMax: 0.9900",
                         " Band 1 (Green)<->() : ",
                         " \tMin: 0.5000",
                         " \tAvg: 0.6250",
                         " \tMax: 0.7500",
                         "",
                         "Size:",
                         "------------------------------------------------------",
                         "Original file size:        3,000,000 bytes (    24 bpp ) ",
                         "Compressed file size:        250,000 bytes (     2 bpp ) ",
                         "Reduction : 8.33%",
                         "",
                         "Decoding speed:",
                         "------------------------------------------------------",
                         "Input file: ",
                         " \tMin:     1.0000 ms",
                         " \tAvg:     2.0000 ms",
                         " \tMax:     3.0000 ms",
                         "Compressed file: ",
                         " \tMin:     0.2500 ms",
                         " \tAvg:     0.5000 ms",
                         " \tMax:     0.7500 ms",
                     }));
}

TEST(Reports, EmptyReadTimesAndHugeAreas) {
    CParsedCommandLine options;
    options.requestType = "seq";
    EvaluationResult result = EmptyResultOver(CRegion(0, 0, 99999, 99999));
    result.originalFileSize = 20000000000;
    result.compressedFileSize = 1000000000;
    const auto lines = CapturedLines("C", [&] { PrintReport(result, options); });
    ASSERT_EQ(lines.size(), 21u);
    EXPECT_EQ(lines[0], "Statistics across 0 sequential input samples");
    // More than 2^31 pixels still give the right figure: 16 and 0.8 bits.
    EXPECT_EQ(lines[7], "Original file size:      20000000000 bytes (    16 bpp ) ");
    EXPECT_EQ(lines[8], "Compressed file size:     1000000000 bytes (   0.8 bpp ) ");
    EXPECT_EQ(lines[9], "Reduction : 5.00%");
    // Without any read the extremes keep their start values.
    EXPECT_EQ(lines[14], " \tMin: 9223372036854776.0000 ms");
    EXPECT_EQ(lines[16], " \tMax: -9223372036854776.0000 ms");
}

} // namespace
