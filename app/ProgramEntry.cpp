#include "app/ProgramEntry.h"

#include "app/CampaignCommandLine.h"
#include "app/CampaignPairRun.h"
#include "app/CommandLineParser.h"
#include "app/RunComparison.h"
#include "app/Usage.h"
#include "campaign/Campaign.h"
#include "options/ParsedCommandLine.h"
#include "outputs/RunOutputs.h"
#include "platform/Clock.h"

#include <cinttypes>
#include <cstdio>
#include <exception>
#include <iostream>
#include <string>

// The dynamic loader finds GDAL and OpenJPEG through the system's library
// paths, so the process environment needs no preparation before the run.

namespace {

constexpr int kSuccess = 0;
constexpr int kFailure = 2;
constexpr int kQualityGateFailed = 3;

// Every argument, the program name first, each followed by one space.
std::string JoinArguments(int argc, const char* const* argv) {
    std::string joined;
    for (int i = 0; i < argc; ++i) {
        joined += argv[i];
        joined += ' ';
    }
    return joined;
}

void ReportParseFailure(const std::string& commandLine, const std::exception& failure) {
    std::cout << std::endl
              << "Failed to parse command line '" << commandLine << "'" << std::endl
              << std::endl
              << failure.what() << std::endl;
    PrintUsage();
}

void ReportFailure(const char* details) {
    std::cout << "Error occured. Details: " << details << std::endl;
}

// The report is the run's product: when standard output could not take it
// (a full disk, a closed pipe), the run failed. Standard error is then the
// only place left to say so.
bool ReportReachedStandardOutput() {
    std::cout.flush();
    const bool written = std::fflush(stdout) == 0 && !std::ferror(stdout) && std::cout.good();
    if (!written) {
        std::fputs("Error occured. Details: Unable to write to standard output\n", stderr);
    }
    return written;
}

} // namespace

int RunProgram(int argc, const char* const* argv) {
    try {
        CParsedCommandLine options;
        const std::string commandLine = JoinArguments(argc, argv);
        try {
            ParseCommandLine(commandLine.c_str(), options);
        } catch (const std::exception& failure) {
            ReportParseFailure(commandLine, failure);
            return kFailure;
        }

        if (IsCampaignCommand(options)) {
            const int code = options.mergeFolder.empty()
                                 ? RunCampaign(options, RunCampaignPair, std::cout)
                                 : MergeCampaign(options, std::cout);
            return ReportReachedStandardOutput() ? code : kFailure;
        }
        const uint64_t start = MonotonicMilliseconds();
        const bool passed = RunComparison(options);
        const int64_t seconds = static_cast<int64_t>(MonotonicMilliseconds() - start) / 1000;
        // A JSON report on standard output holds the run's time itself and
        // must stay the only thing there.
        if (!JsonGoesToStandardOutput(options)) {
            std::printf("\nCompleted successfully in %" PRId64 " seconds\n", seconds);
        }
        if (!ReportReachedStandardOutput()) {
            return kFailure;
        }
        return passed ? kSuccess : kQualityGateFailed;
    } catch (const std::exception& failure) {
        // Every failure of ours is a CZarnikError; the standard library's own
        // (std::bad_alloc) are told by their text.
        ReportFailure(failure.what());
    } catch (...) {
        ReportFailure("an unknown failure");
    }
    return kFailure;
}
