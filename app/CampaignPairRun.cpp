#include "app/CampaignPairRun.h"

#include "app/RunComparison.h"
#include "outputs/QualityGates.h"

#include <filesystem>
#include <sstream>

void RunCampaignPair(const CParsedCommandLine& options, const std::string& writeFolder,
                     const StampWriter& stamp) {
    OutputPlacement placement;
    placement.writtenName = [writeFolder](const std::string& name) {
        return (std::filesystem::path(writeFolder) / std::filesystem::path(name).filename())
            .string();
    };
    // The gates are judged here as the run's own gates judge them, so that
    // the document can carry the verdict.
    placement.appendix = [&options, &stamp](CJsonWriter& json, const RunFigures& figures) {
        std::ostringstream lines;
        PairVerdict verdict;
        verdict.passed = PassesQualityGates(figures, GateSettingsOf(options), lines);
        std::istringstream failures(lines.str());
        for (std::string line; std::getline(failures, line);) {
            verdict.gateFailures.push_back(line);
        }
        stamp(json, verdict);
    };
    RunQuietComparison(options, placement);
}
