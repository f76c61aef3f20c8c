#include "app/Reports.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>

namespace {

// What a report prints in an English locale. The report's locale is chosen
// once per process, so every report here is made in that locale.
template <typename Report> std::string EnglishText(Report report) {
    setenv("LC_ALL", "en_US.UTF-8", 1);
    std::ios format(nullptr);
    format.copyfmt(std::cout);
    std::ostringstream captured;
    std::streambuf* const previous = std::cout.rdbuf(captured.rdbuf());
    report();
    std::cout.rdbuf(previous);
    std::cout.copyfmt(format);
    return captured.str();
}

TEST(Reports, BothFormsMatchTheirGoldenFiles) {
    // Band 1 of "ssim" has no name in the compressed file.
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
    CParsedCommandLine options;
    options.requestType = "sequential";
    using Print = void (*)(const EvaluationResult&, const CParsedCommandLine&);
    for (const auto& [print, golden] : {std::pair<Print, std::string>{PrintReport, "report.txt"},
                                        {PrintWikiReport, "report-wiki.txt"}}) {
        std::ifstream file(ZARNIK_TEST_DATA "/" + golden, std::ios::binary);
        EXPECT_EQ(EnglishText([&] { print(result, options); }),
                  std::string(std::istreambuf_iterator<char>(file), {}))
            << golden;
    }
}

TEST(Reports, EmptyReadTimesAndHugeAreas) {
    EvaluationResult result{.region = CRegion(0, 0, 99999, 99999)};
    result.originalFileSize = 20000000000;
    result.compressedFileSize = 1000000000;
    CParsedCommandLine options;
    options.requestType = "seq";
    const std::string text = EnglishText([&] { PrintReport(result, options); });
    // More than 2^31 pixels still give the right figure: 16 and 0.8 bits; without
    // any read the extremes keep their start values.
    for (const char* line : {"Statistics across 0 sequential input samples\n",
                             "\nOriginal file size:   20,000,000,000 bytes (    16 bpp ) \n",
                             "\nCompressed file size:  1,000,000,000 bytes (   0.8 bpp ) \n",
                             "\nReduction : 5.00%\n", "\n \tMin: 9,223,372,036,854,776.0000 ms\n",
                             "\n \tMax: -9,223,372,036,854,776.0000 ms\n"}) {
        EXPECT_NE(text.find(line), std::string::npos) << line << " not in\n" << text;
    }
}

} // namespace
