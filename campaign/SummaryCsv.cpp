#include "campaign/CampaignSummary.h"

#include "outputs/NumberText.h"

#include <algorithm>
#include <map>

namespace {

// A field as CSV needs it: quoted when it holds a comma, a quote or a line end.
std::string Field(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) {
        return text;
    }
    std::string quoted = "\"";
    for (const char c : text) {
        quoted += c;
        if (c == '"') {
            quoted += '"';
        }
    }
    return quoted + '"';
}

std::string Figure(const std::optional<double>& value) {
    return value ? RoundTripText(*value) : "";
}

} // namespace

std::string SummaryCsv(const std::vector<PairDocument>& pairs) {
    std::string csv = "row,group,label,original,compressed,bytes,bitsPerPixel,reduction,statistic,"
                      "band,avg,finiteAvg,pooled,min,p05,decodeMsPerMegapixel,verdict\n";
    for (const PairDocument& pair : pairs) {
        const std::string head = std::to_string(pair.stamp.row) + ',' + Field(pair.stamp.group) +
                                 ',' + Field(pair.stamp.label) + ',' +
                                 Field(pair.stamp.original.path) + ',' +
                                 Field(pair.stamp.compressed.path) + ',';
        if (!pair.error.empty()) {
            csv += head + ",,,,,,,,,,," + pair.stamp.verdict + '\n';
            continue;
        }
        const std::string sizes = std::to_string(pair.bytes) + ',' +
                                  RoundTripText(pair.bitsPerPixel) + ',' +
                                  RoundTripText(pair.reduction) + ',';
        for (const BandFigures& figures : pair.figures) {
            csv += head + sizes + Field(figures.statistic) + ',' + std::to_string(figures.band) +
                   ',' + Figure(figures.avg) + ',' + Figure(figures.finiteAvg) + ',' +
                   Figure(figures.pooled) + ',' + Figure(figures.min) + ',' + Figure(figures.p05) +
                   ',' + Figure(pair.decodeMsPerMegapixel) + ',' + pair.stamp.verdict + '\n';
        }
    }
    return csv;
}

int CampaignExitCode(const std::vector<PairDocument>& pairs) {
    const auto any = [&](const char* verdict) {
        return std::any_of(pairs.begin(), pairs.end(),
                           [&](const PairDocument& pair) { return pair.stamp.verdict == verdict; });
    };
    return any("error") ? 2 : (any("failed") ? 3 : 0);
}

std::vector<std::vector<const PairDocument*>> Groups(const std::vector<PairDocument>& pairs) {
    std::vector<std::vector<const PairDocument*>> groups;
    std::map<std::string, size_t> indexOf;
    for (const PairDocument& pair : pairs) {
        const auto [found, added] = indexOf.emplace(pair.stamp.group, groups.size());
        if (added) {
            groups.emplace_back();
        }
        groups[found->second].push_back(&pair);
    }
    return groups;
}
