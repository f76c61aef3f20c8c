#include "outputs/QualityMapOutput.h"

#include "platform/ZarnikError.h"

#include <algorithm>
#include <set>

namespace {

bool IsSequentialRun(const CParsedCommandLine& options) {
    return options.useRegions.empty() &&
           (options.requestType == "seq" || options.requestType == "sequential");
}

// The -bbox box, or the whole image.
CRegion EvaluatedArea(const CParsedCommandLine& options, const RunLayout& layout) {
    if (options.bbox) {
        return *options.bbox;
    }
    return CRegion(0, 0, static_cast<int32_t>(layout.width) - 1,
                   static_cast<int32_t>(layout.height) - 1);
}

size_t IndexOf(const std::vector<std::string>& names, const std::string& name) {
    return size_t(std::find(names.begin(), names.end(), name) - names.begin());
}

// Checked before anything is made: the quick look shows -compareBand.
const RunLayout& WithCompareBand(const RunLayout& layout, int32_t compareBand) {
    if (compareBand < 0 || static_cast<size_t>(compareBand) >= layout.bandNames.size()) {
        throw CZarnikError::Detail("The quality map's quick look shows -compareBand " +
                                   std::to_string(compareBand) + ", which is no band of the " +
                                   std::to_string(layout.bandNames.size()) + "-band images");
    }
    return layout;
}

std::optional<RampEnds> RampEndsOf(const CParsedCommandLine& options) {
    if (!options.mapRange) {
        return std::nullopt;
    }
    return RampEnds{.low = options.mapRange->low, .high = options.mapRange->high};
}

int LayerCount(const RunLayout& layout) {
    const std::set<std::string> statistics(layout.statisticNames.begin(),
                                           layout.statisticNames.end());
    return static_cast<int>(statistics.size() * layout.bandNames.size());
}

} // namespace

QualityMapGrid QualityMapGridFor(const CParsedCommandLine& options, const RunLayout& layout) {
    return MakeQualityMapGrid(EvaluatedArea(options, layout), options.tileSize,
                              IsSequentialRun(options));
}

std::string ShownStatistic(const std::string& compareStat,
                           const std::vector<std::string>& statisticNames) {
    return IndexOf(statisticNames, compareStat) < statisticNames.size() ? compareStat
                                                                        : statisticNames.front();
}

CQualityMapOutput::CQualityMapOutput(const CParsedCommandLine& options, const RunLayout& layout,
                                     const std::string& fileName)
    : compareStat(options.compareStat), compareBand(options.compareBand),
      statisticNames(WithCompareBand(layout, options.compareBand).statisticNames),
      bandNames(layout.bandNames),
      map(QualityMapGridFor(options, layout), statisticNames.size(), bandNames.size()),
      files(fileName, options.originalFileName, map.Grid(), LayerCount(layout),
            RampEndsOf(options)) {}

void CQualityMapOutput::Write(const FinishedRun&) {
    // The report's order: statistics by name, each band by band.
    const std::set<std::string> layerStatistics(statisticNames.begin(), statisticNames.end());
    const std::string shown = ShownStatistic(compareStat, statisticNames);
    std::vector<QualityMapLayer> layers;
    size_t previewLayer = 0;
    for (const std::string& statistic : layerStatistics) {
        for (size_t band = 0; band < bandNames.size(); ++band) {
            if (statistic == shown && band == static_cast<size_t>(compareBand)) {
                previewLayer = layers.size();
            }
            layers.push_back(QualityMapLayer{
                .description =
                    statistic + " band " + std::to_string(band) + " (" + bandNames[band] + ")",
                .cells = map.Layer(IndexOf(statisticNames, statistic), band),
            });
        }
    }
    files.Write(layers, previewLayer);
}
