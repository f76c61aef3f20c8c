#include "app/ProgramEntry.h"

#include "app/CampaignCommandLine.h"
#include "app/CampaignPairRun.h"
#include "app/CommandLineParser.h"
#include "app/RunComparison.h"
#include "app/Usage.h"
#include "campaign/Campaign.h"
#include "options/ParsedCommandLine.h"
#include "outputs/JsonWriter.h"
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

void ReportParseFailure(const std::string& commandLine, const std::exception& failure,
                        std::ostream& out) {
    out << std::endl
        << "Failed to parse command line '" << commandLine << "'" << std::endl
        << std::endl
        << failure.what() << std::endl;
    PrintUsage(out);
}

// With the JSON report on standard output, a failed run leaves a JSON document
// there too, so that whatever reads it always gets one.
void WriteErrorDocument(const std::string& message) {
    CJsonWriter json;
    json.BeginObject();
    json.Key("schema");
    json.Integer(1);
    json.Key("error");
    json.String(message);
    json.EndObject();
    std::cout << json.Text();
}

// The words go to standard output, or to standard error beside the error
// document when standard output belongs to the JSON report.
void ReportFailure(const char* details, bool asJson) {
    (asJson ? std::cerr : std::cout) << "Error occured. Details: " << details << std::endl;
    if (asJson) {
        WriteErrorDocument(details);
    }
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
    bool jsonOnly = false;
    try {
        CParsedCommandLine options;
        const std::string commandLine = JoinArguments(argc, argv);
        try {
            ParseCommandLine(commandLine.c_str(), options);
        } catch (const std::exception& failure) {
            const bool asJson = AsksForJsonOnStandardOutput(commandLine.c_str());
            ReportParseFailure(commandLine, failure, asJson ? std::cerr : std::cout);
            if (asJson) {
                WriteErrorDocument(std::string("Failed to parse command line: ") + failure.what());
            }
            return kFailure;
        }
        jsonOnly = JsonGoesToStandardOutput(options);

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
        ReportFailure(failure.what(), jsonOnly);
    } catch (...) {
        ReportFailure("an unknown failure", jsonOnly);
    }
    return kFailure;
}
