#include "app/CommandLineParser.h"

#include "app/AvailableCores.h"
#include "app/CampaignCommandLine.h"
#include "app/FigureOptions.h"
#include "app/OptionSpelling.h"
#include "metrics/AlgorithmRegistry.h"
#include "metrics/TextPieces.h"
#include "platform/ZarnikError.h"
#include "regions/SavedFileRegionDivider.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <limits>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

// The command line is handled as bytes: on this platform narrow text is UTF-8,
// and cutting at " -", spaces and commas never splits a multi-byte character.

namespace {

std::string ToLower(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

// Why `text` is not a signed 32-bit decimal integer, or empty when it is one.
// Out-of-range values are judged before trailing characters, as a 32-bit
// strtol reports them.
const char* IntegerFailure(const char* text, int32_t& value) {
    if (*text == '\0') {
        return "String is empty";
    }
    errno = 0;
    char* end = nullptr;
    const long long parsed = std::strtoll(text, &end, 10);
    const bool outOfRange = errno == ERANGE || parsed > std::numeric_limits<int32_t>::max() ||
                            parsed < std::numeric_limits<int32_t>::min();
    if (outOfRange && parsed > 0) {
        return "Parsed value is greater than INT_MAX";
    }
    if (outOfRange) {
        return "Parsed value is less than INT_MIN";
    }
    if (*end != '\0') {
        return "Could not find numbers in string";
    }
    value = static_cast<int32_t>(parsed);
    return "";
}

int32_t ParseInt(const std::string& text) {
    return ::ParseInt(text.c_str());
}

// Only a value of exactly four comma-separated numbers sets the box; any other
// number of pieces leaves it as it was.
void ParseBoundingBox(const std::string& value, CParsedCommandLine& options) {
    const auto pieces = Split(value, ",");
    if (pieces.size() != 4) {
        return;
    }
    options.bbox = std::make_shared<CRegion>(ParseInt(pieces[0]), ParseInt(pieces[1]),
                                             ParseInt(pieces[2]), ParseInt(pieces[3]));
}

// A limit that is no number, or that a 32-bit float cannot hold, would make
// a gate that always or never fails: refused with the reason.
float GateLimit(const std::string& limitText, const std::string& pair, const char* option) {
    float limit = 0.0f;
    const char* const last = limitText.data() + limitText.size();
    const auto [end, error] = std::from_chars(limitText.data(), last, limit);
    const std::string where = std::string(option) + " limit '" + limitText + "' in '" + pair + "'";
    if (error == std::errc::result_out_of_range && end == last) {
        long double wide = 0.0L;
        const auto parsed = std::from_chars(limitText.data(), last, wide);
        const bool tiny = parsed.ec == std::errc() && std::fabs(wide) < 1.0L;
        throw CZarnikError::Detail(where + (tiny ? " is too small for a 32-bit float: it would be 0"
                                                 : " is too large for a 32-bit float"));
    }
    if (limitText.empty() || error != std::errc() || end != last) {
        throw CZarnikError::Detail(std::string(option) + " expects stat=value, not '" + pair + "'");
    }
    if (std::isnan(limit)) {
        throw CZarnikError::Detail(where + " is not a number");
    }
    return limit;
}

// A gate text is one or more "stat=value" or "stat.figure=value" pairs
// separated by commas; the value is a decimal number in the classic
// notation, whatever the user's locale.
void ParseQualityGates(const std::string& text, bool failBelow, CParsedCommandLine& options) {
    for (const std::string& pair : Split(text, ",")) {
        const auto equals = pair.find('=');
        const auto [statistic, figure] =
            SplitGateFigure(Trim(pair.substr(0, equals)), failBelow ? "-failBelow" : "-failAbove");
        const std::string limitText =
            equals == std::string::npos ? std::string() : Trim(pair.substr(equals + 1));
        const char* const option = failBelow ? "-failBelow" : "-failAbove";
        if (statistic.empty()) {
            throw CZarnikError::Detail(std::string(option) + " expects stat=value, not '" + pair +
                                       "'");
        }
        const float limit = GateLimit(limitText, pair, option);
        options.qualityGates.push_back(QualityGate{
            .statistic = statistic, .figure = figure, .limit = limit, .failBelow = failBelow});
    }
}

// A gate can only judge a statistic that the run measures.
void CheckQualityGateStatistics(CParsedCommandLine& options) {
    CAlgorithmRegistry registry;
    std::vector<CAlgorithm*> measured;
    registry.CreateAlgorithms(options.statistics, 1.0f, measured);
    for (const QualityGate& gate : options.qualityGates) {
        const bool known = std::any_of(measured.begin(), measured.end(), [&](const CAlgorithm* a) {
            return gate.statistic == a->GetName();
        });
        if (!known) {
            throw CZarnikError::Detail(std::string(gate.failBelow ? "-failBelow" : "-failAbove") +
                                       " statistic '" + gate.statistic +
                                       "' must be one of the values provided in -stat.");
        }
    }
    SettleGateFigures(options);
}

// "-json -" asks for standard output, but the line is cut at " -", so the
// lone hyphen arrives as a blank segment right after the option.
bool IsJsonToStandardOutput(const std::vector<std::string>& segments, size_t i) {
    return i + 1 < segments.size() && Trim(segments[i]) == "json" && Trim(segments[i + 1]).empty();
}

using OptionSetter = std::function<void(CParsedCommandLine&, const std::string&)>;

const std::map<std::string, OptionSetter>& OptionSetters() {
    using Options = CParsedCommandLine;
    using Value = const std::string&;
    static const std::map<std::string, OptionSetter> setters = {
        {"i", [](Options& o, Value v) { o.originalFileName = v; }},
        {"c", [](Options& o, Value v) { o.compressedFileName = v; }},
        {"stat", [](Options& o, Value v) { o.statistics = v; }},
        {"ts", [](Options& o, Value v) { o.tileSize = ParseInt(v); }},
        {"or", [](Options& o, Value v) { o.requestType = v; }},
        {"bbox", [](Options& o, Value v) { ParseBoundingBox(v, o); }},
        {"tn", [](Options& o, Value v) { o.tileCount = ParseInt(v); }},
        {"u", [](Options& o, Value) { o.useGdal = true; }},
        {"yuvy", [](Options& o, Value) { o.yuv = true; }},
        {"yuvY",
         [](Options& o, Value) {
             o.yuv = true;
             o.yOnly = true;
         }},
        {"wiki", [](Options& o, Value) { o.wiki = true; }},
        {"best", [](Options& o, Value v) { o.bestCount = ParseInt(v); }},
        {"worst", [](Options& o, Value v) { o.worstCount = ParseInt(v); }},
        {"worstPrefix", [](Options& o, Value v) { o.worstPrefix = v; }},
        {"bestPrefix", [](Options& o, Value v) { o.bestPrefix = v; }},
        {"compareBand", [](Options& o, Value v) { o.compareBand = ParseInt(v); }},
        {"compareStat", [](Options& o, Value v) { o.compareStat = ToLower(v); }},
        {"enableDithering", [](Options& o, Value) { o.enableDithering = true; }},
        {"saveRegions", [](Options& o, Value v) { o.saveRegions = v; }},
        {"useRegions", [](Options& o, Value v) { o.useRegions = v; }},
        {"json", [](Options& o, Value v) { o.jsonFile = v; }},
        {"tileValues", [](Options& o, Value v) { o.tileValuesFile = v; }},
        {"qualityMap", [](Options& o, Value v) { o.qualityMapFile = v; }},
        {"html", [](Options& o, Value v) { o.htmlFile = v; }},
        {"failBelow", [](Options& o, Value v) { ParseQualityGates(v, true, o); }},
        {"failAbove", [](Options& o, Value v) { ParseQualityGates(v, false, o); }},
        {"threads", [](Options& o, Value v) { o.threadCount = ParseInt(v); }},
        {"useMask", [](Options& o, Value) { o.useMask = true; }},
        {"manifest", [](Options& o, Value v) { o.manifest = v; }},
        {"outDir", [](Options& o, Value v) { o.outDir = v; }},
        {"shard", [](Options& o, Value v) { ParseShard(v, o); }},
        {"merge", [](Options& o, Value v) { o.mergeFolder = v; }},
        {"allowPartial", [](Options& o, Value) { o.allowPartial = true; }},
        {"bdReference", [](Options& o, Value v) { o.bdReference = v; }},
        {"dataRange", [](Options& o, Value v) { ParseDataRange(v, o); }},
        {"gateBands", [](Options& o, Value v) { ParseGateBands(v, o); }},
        {"requireSameGeoreference", [](Options& o, Value) { o.requireSameGeoreference = true; }},
        {"mapRange", [](Options& o, Value v) { ParseMapRange(v, o); }},
    };
    return setters;
}

// The options the program has always had: their unknown names are ignored.
const std::vector<std::string>& OwnOptions() {
    static const std::vector<std::string> own = {
        "i",           "c",           "stat",       "ts",          "or",          "bbox",
        "tn",          "u",           "yuvy",       "yuvY",        "wiki",        "best",
        "worst",       "worstPrefix", "bestPrefix", "compareBand", "compareStat", "enableDithering",
        "saveRegions", "useRegions"};
    return own;
}

// Every option beyond them: a near miss of one of these is refused, so that a
// misspelt gate cannot silently disappear.
std::vector<std::string> AddedOptions() {
    std::vector<std::string> added;
    for (const auto& [name, setter] : OptionSetters()) {
        if (std::find(OwnOptions().begin(), OwnOptions().end(), name) == OwnOptions().end()) {
            added.push_back(name);
        }
    }
    return added;
}

void ApplySegment(const std::string& segment, CParsedCommandLine& options) {
    const auto space = segment.find(' ');
    const std::string name = segment.substr(0, space);
    const std::string value = space == std::string::npos ? "" : Trim(segment.substr(space + 1));
    const auto& setters = OptionSetters();
    const auto setter = setters.find(name);
    if (setter != setters.end()) {
        setter->second(options, value);
        return;
    }
    const std::string meant = NearMissOf(name, AddedOptions(), OwnOptions());
    if (!meant.empty()) {
        throw CZarnikError::Detail("Unknown option '-" + name + "'; did you mean '-" + meant +
                                   "'?");
    }
}

// A regions file fixes the tiles, so nothing else may choose them.
void CheckRegionsFileConflicts(const CParsedCommandLine& options) {
    if (!options.saveRegions.empty()) {
        throw CZarnikError::Detail("Cannot specify useRegions and saveRegions");
    }
    if (!options.requestType.empty()) {
        throw CZarnikError::Detail("Cannot specify useRegions and or");
    }
    if (options.tileSize != 0) {
        throw CZarnikError::Detail("Cannot specify useRegions and ts");
    }
    if (options.tileCount != 0) {
        throw CZarnikError::Detail("Cannot specify useRegions and tn");
    }
    if (options.bbox) {
        throw CZarnikError::Detail("Cannot specify useRegions and bbox");
    }
}

// A replayed run visits the file's tiles: their number and the width of the
// first tile stand in for the tile count and size. The file is closed again
// at once; the evaluator opens it for itself.
void CompleteOptionsFromRegionsFile(CParsedCommandLine& options) {
    AsZarnikFailure([&options] {
        CSavedFileRegionDivider savedRegions(options.useRegions);
        options.tileCount = savedRegions.GetRegionCount();
        options.tileSize = savedRegions.GetTileSize();
    });
}

void ApplyDefaults(CParsedCommandLine& options) {
    if (options.requestType.empty()) {
        options.requestType = "seq";
    }
    if (options.statistics.empty()) {
        options.statistics = "ssim";
    }
    if (options.compareStat.empty()) {
        options.compareStat = options.statistics;
    }
    if (options.tileSize == 0) {
        options.tileSize = 256;
    }
    if (options.tileCount == 0) {
        options.tileCount = 100;
    }
    if (options.threadCount == 0) {
        options.threadCount = AvailableCores();
    }
}

} // namespace

int32_t ParseInt(const char* text) {
    int32_t value = 0;
    const std::string failure = IntegerFailure(text, value);
    if (!failure.empty()) {
        throw CZarnikError::Detail("Failed to parse integer from '" + std::string(text) + "'. " +
                                   failure);
    }
    return value;
}

bool AsksForJsonOnStandardOutput(const char* commandLine) {
    const auto segments = Split(commandLine, " -");
    bool asks = false;
    for (size_t i = 1; i < segments.size(); ++i) {
        const std::string segment = Trim(segments[i]);
        if (segment.substr(0, segment.find(' ')) == "json") {
            asks = IsJsonToStandardOutput(segments, i);
        }
    }
    return asks;
}

void ParseCommandLine(const char* commandLine, CParsedCommandLine& options) {
    const auto segments = Split(commandLine, " -");
    // The first segment is the program name and whatever precedes the first option.
    for (size_t i = 1; i < segments.size(); ++i) {
        ApplySegment(IsJsonToStandardOutput(segments, i) ? "json -" : segments[i], options);
    }

    if (!options.useRegions.empty()) {
        CheckRegionsFileConflicts(options);
        CompleteOptionsFromRegionsFile(options);
    }
    ApplyDefaults(options);
    CheckCampaignOptions(options);
    if (IsCampaignCommand(options)) {
        options.pairOptions = PairOptionsText(segments);
        CheckQualityGateStatistics(options);
        return;
    }

    if (options.compressedFileName.empty()) {
        throw CZarnikError::Detail("Compressed filename cannot be empty");
    }
    if (options.originalFileName.empty()) {
        throw CZarnikError::Detail("Original filename cannot be empty");
    }
    if (options.worstPrefix.empty()) {
        options.worstPrefix = options.compressedFileName + "w";
    }
    if (options.bestPrefix.empty()) {
        options.bestPrefix = options.compressedFileName;
    }
    CheckQualityGateStatistics(options);
}
