#include "app/Reports.h"
#include "tests/support/ProgramRun.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

// The lines a report prints in an English locale. The report's locale is
// chosen once per process, so every report here is made in that locale.
template <typename Report> std::vector<std::string> EnglishLines(Report report) {
    setenv("LC_ALL", "en_US.UTF-8", 1);
    std::ios format(nullptr);
    format.copyfmt(std::cout);
    std::ostringstream captured;
    std::streambuf* const previous = std::cout.rdbuf(captured.rdbuf());
    report();
    std::cout.rdbuf(previous);
    std::cout.copyfmt(format);
    return ProgramRun{captured.str()}.Lines();
}

EvaluationResult SampleResult() {
    EvaluationResult result{.region = CRegion(0, 0, 999, 999)};
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

TEST(Reports, BothFormsLineByLine) {
    struct Case {
        void (*print)(const EvaluationResult&, const CParsedCommandLine&);
        std::vector<std::string> quality;
    };
    const std::vector<Case> cases = {
        {PrintReport,
         {"Statistics across 12 sequential input samples", "",
          "Quality: ", "------------------------------------------------------",
          "Results for mse : ", " Band 0 (Red)<->(Red) : ", " \tMin: 1.5000", " \tAvg: 6.8750",
          " \tMax: 12.2500", "Results for ssim : ", " Band 0 (Red)<->(Red) : ", " \tMin: 0.9123",
          " \tAvg: 0.9500", " \tMax: 0.9900", " Band 1 (Green)<->() : ", " \tMin: 0.5000",
          " \tAvg: 0.6250", " \tMax: 0.7500"}},
        {PrintWikiReport,
         {"Statictics across 12 sequential input samples", "",
          "Quality: ", "------------------------------------------------------",
          "Results for mse : ", "Band, Min, Avg, Max", "0 Red,1.5000,6.8750,12.2500",
          "Results for ssim : ", "Band, Min, Avg, Max", "0 Red,0.9123,0.9500,0.9900",
          "1 Green,0.5000,0.6250,0.7500"}},
    };
    const std::vector<std::string> sizeAndSpeed = {
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
    };
    CParsedCommandLine options;
    options.requestType = "sequential";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.quality[0]);
        auto expected = c.quality;
        expected.insert(expected.end(), sizeAndSpeed.begin(), sizeAndSpeed.end());
        EXPECT_EQ(EnglishLines([&] { c.print(SampleResult(), options); }), expected);
    }
}

TEST(Reports, EmptyReadTimesAndHugeAreas) {
    CParsedCommandLine options;
    options.requestType = "seq";
    EvaluationResult result{.region = CRegion(0, 0, 99999, 99999)};
    result.originalFileSize = 20000000000;
    result.compressedFileSize = 1000000000;
    const auto lines = EnglishLines([&] { PrintReport(result, options); });
    ASSERT_EQ(lines.size(), 21u);
    EXPECT_EQ(lines[0], "Statistics across 0 sequential input samples");
    // More than 2^31 pixels still give the right figure: 16 and 0.8 bits.
    EXPECT_EQ(lines[7], "Original file size:   20,000,000,000 bytes (    16 bpp ) ");
    EXPECT_EQ(lines[8], "Compressed file size:  1,000,000,000 bytes (   0.8 bpp ) ");
    EXPECT_EQ(lines[9], "Reduction : 5.00%");
    // Without any read the extremes keep their start values.
    EXPECT_EQ(lines[14], " \tMin: 9,223,372,036,854,776.0000 ms");
    EXPECT_EQ(lines[16], " \tMax: -9,223,372,036,854,776.0000 ms");
}

} // namespace
