#include "app/Reports.h"

#include "outputs/ResultFigures.h"

#include <iomanip>
#include <iostream>
#include <locale>
#include <stdexcept>
#include <string>

namespace {

const char* const kRule = "------------------------------------------------------";

// The user's locale, or the classic one when the locale that LANG or LC_*
// name is not installed: a report in plain digits beats losing the run.
const std::locale& ReportLocale() {
    static const std::locale chosen = [] {
        try {
            return std::locale("");
        } catch (const std::runtime_error&) {
            return std::locale::classic();
        }
    }();
    return chosen;
}

// Both reports write through std::cout, which keeps the locale afterwards.
void UseUsersLocale() {
    std::cout.imbue(ReportLocale());
}

void PrintLine(const std::string& text) {
    std::cout << text << std::endl;
}

std::string NameOf(const std::map<int32_t, std::string>& names, int32_t band) {
    const auto found = names.find(band);
    return found == names.end() ? std::string() : found->second;
}

bool IsSequential(const std::string& requestType) {
    return requestType == "seq" || requestType == "sequential";
}

void PrintHeader(const char* firstWord, const EvaluationResult& result,
                 const CParsedCommandLine& options) {
    std::cout << firstWord << " across " << result.tileCount
              << (IsSequential(options.requestType) ? " sequential" : " random") << " input samples"
              << std::endl;
    PrintLine("");
    PrintLine("Quality: ");
    PrintLine(kRule);
}

void PrintReadableStatistics(const EvaluationResult& result, bool withSkipped) {
    for (const auto& [name, bands] : result.results) {
        std::cout << "Results for " << name << " : " << std::endl;
        for (const auto& [band, statistics] : bands) {
            std::cout << " Band " << band << " (" << NameOf(result.originalBandNames, band)
                      << ")<->(" << NameOf(result.compressedBandNames, band) << ") "
                      << ": " << std::endl;
            std::cout << std::fixed << std::setprecision(4);
            std::cout << " \tMin: " << statistics.min << std::endl;
            std::cout << " \tAvg: " << AverageOf(statistics) << std::endl;
            std::cout << " \tMax: " << statistics.max << std::endl;
            if (withSkipped) {
                std::cout << "\tSkipped: " << statistics.skipped << std::endl;
            }
        }
    }
}

void PrintCommaSeparatedStatistics(const EvaluationResult& result) {
    for (const auto& [name, bands] : result.results) {
        std::cout << "Results for " << name << " : " << std::endl;
        PrintLine("Band, Min, Avg, Max");
        int32_t line = 0;
        for (const auto& [band, statistics] : bands) {
            std::cout << std::fixed << std::setprecision(4);
            std::cout << line++ << " " << NameOf(result.originalBandNames, band) << ","
                      << statistics.min << "," << AverageOf(statistics) << "," << statistics.max
                      << std::endl;
        }
    }
}

void PrintSizeLine(const char* label, uint64_t fileSize, const CRegion& area) {
    std::cout << label << std::setfill(' ') << std::setw(15) << fileSize << " bytes "
              << "( " << std::setw(5) << BitsPerPixel(fileSize, area) << " bpp ) " << std::endl;
}

void PrintSizesAndSpeed(const EvaluationResult& result) {
    PrintLine("");
    PrintLine("Size:");
    PrintLine(kRule);
    // Right adjustment alone switches fixed notation off again, so the bits
    // per pixel use general notation with the precision last set.
    std::cout.flags(std::ios::right);
    PrintSizeLine("Original file size:  ", result.originalFileSize, result.region);
    PrintSizeLine("Compressed file size:", result.compressedFileSize, result.region);
    std::cout << "Reduction : " << std::fixed << std::setprecision(2) << ReductionPercent(result)
              << "%" << std::endl;
    PrintLine("");
    PrintLine("Decoding speed:");
    PrintLine(kRule);
    PrintDecodingSpeed(result.originalReadTimes, result.compressedReadTimes);
}

void PrintMilliseconds(const char* label, double milliseconds) {
    std::cout << label << std::fixed << std::setprecision(4) << std::setw(10) << milliseconds
              << " ms" << std::endl;
}

} // namespace

void PrintReport(const EvaluationResult& result, const CParsedCommandLine& options) {
    UseUsersLocale();
    PrintHeader("Statistics", result, options);
    PrintReadableStatistics(result, options.useMask);
    PrintSizesAndSpeed(result);
}

void PrintWikiReport(const EvaluationResult& result, const CParsedCommandLine& options) {
    UseUsersLocale();
    PrintHeader("Statictics", result, options);
    PrintCommaSeparatedStatistics(result);
    PrintSizesAndSpeed(result);
}

void ChooseReportLocale() {
    ReportLocale();
}

void PrintDecodingSpeed(const BandTimings& originalReadTimes,
                        const BandTimings& compressedReadTimes) {
    PrintLine("Input file: ");
    PrintTimingStats(originalReadTimes);
    PrintLine("Compressed file: ");
    PrintTimingStats(compressedReadTimes);
}

void PrintTimingStats(const BandTimings& readTimes) {
    const ReadTimeFigures figures = ReadTimeFiguresOf(readTimes);
    PrintMilliseconds(" \tMin: ", figures.minMs);
    PrintMilliseconds(" \tAvg: ", figures.avgMs);
    PrintMilliseconds(" \tMax: ", figures.maxMs);
}

void CConsoleReport::Write(const FinishedRun& run) {
    std::cout << std::endl;
    if (options.wiki) {
        PrintWikiReport(run.result, options);
    } else {
        PrintReport(run.result, options);
    }
}
