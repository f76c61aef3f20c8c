#include "app/CampaignCommandLine.h"

#include "metrics/TextPieces.h"
#include "platform/ZarnikError.h"

#include <algorithm>
#include <array>
#include <charconv>

namespace {

[[noreturn]] void Refuse(const std::string& text) {
    throw CZarnikError::Detail(text);
}

// An output that each pair of a campaign gets a file of: its value is the
// ending of the pair's file name, so it must not lead out of -outDir.
void CheckFileEnding(const std::string& value, const char* option) {
    if (value.find('/') != std::string::npos) {
        Refuse(std::string("With -manifest, -") + option +
               " names the ending of each pair's file, such as .csv, not '" + value + "'");
    }
}

void CheckManifestOptions(const CParsedCommandLine& options) {
    if (!options.mergeFolder.empty()) {
        Refuse("Cannot specify manifest and merge");
    }
    if (options.outDir.empty()) {
        Refuse("-manifest needs -outDir, the folder of the pairs' results");
    }
    // Every pair writes files of its own, named after its row.
    const std::array<std::pair<const std::string*, const char*>, 4> perPair = {{
        {&options.jsonFile, "json"},
        {&options.saveRegions, "saveRegions"},
        {&options.bestPrefix, "bestPrefix"},
        {&options.worstPrefix, "worstPrefix"},
    }};
    for (const auto& [value, name] : perPair) {
        if (!value->empty()) {
            Refuse(std::string("Cannot specify manifest and ") + name);
        }
    }
    CheckFileEnding(options.tileValuesFile, "tileValues");
    CheckFileEnding(options.qualityMapFile, "qualityMap");
}

} // namespace

void ParseShard(const std::string& text, CParsedCommandLine& options) {
    const auto slash = text.find('/');
    int32_t k = -1;
    int32_t n = 0;
    const char* const end = text.data() + text.size();
    const bool read =
        slash != std::string::npos &&
        std::from_chars(text.data(), text.data() + slash, k).ptr == text.data() + slash &&
        std::from_chars(text.data() + slash + 1, end, n).ptr == end;
    if (!read || slash == 0 || slash + 1 == text.size() || k < 0 || n < 1 || k >= n) {
        Refuse("-shard expects k/n with 0 <= k < n, not '" + text + "'");
    }
    options.shardIndex = k;
    options.shardCount = n;
}

bool IsCampaignCommand(const CParsedCommandLine& options) {
    return !options.manifest.empty() || !options.mergeFolder.empty();
}

void CheckCampaignOptions(const CParsedCommandLine& options) {
    if (IsCampaignCommand(options)) {
        const char* const command = options.manifest.empty() ? "merge" : "manifest";
        if (!options.originalFileName.empty()) {
            Refuse(std::string("Cannot specify ") + command + " and i");
        }
        if (!options.compressedFileName.empty()) {
            Refuse(std::string("Cannot specify ") + command + " and c");
        }
    }
    if (!options.manifest.empty()) {
        CheckManifestOptions(options);
    } else if (!options.outDir.empty() || options.shardCount != 0) {
        Refuse("-outDir and -shard are used with -manifest only");
    }
    if (options.allowPartial && options.mergeFolder.empty()) {
        Refuse("-allowPartial is used with -merge only");
    }
    if (!options.bdReference.empty() && !IsCampaignCommand(options)) {
        Refuse("-bdReference is used with -manifest or -merge only");
    }
}

std::string PairOptionsText(const std::vector<std::string>& segments) {
    static const std::array<std::string, 7> kNotShapingPairs = {
        "manifest", "outDir", "shard", "merge", "allowPartial", "bdReference", "threads"};
    std::string text;
    // The first segment is the program name.
    for (size_t i = 1; i < segments.size(); ++i) {
        const std::string segment = Trim(segments[i]);
        const std::string name = segment.substr(0, segment.find(' '));
        if (std::find(kNotShapingPairs.begin(), kNotShapingPairs.end(), name) ==
            kNotShapingPairs.end()) {
            text += (text.empty() ? "-" : " -") + segment;
        }
    }
    return text;
}
