#include "app/RunOutputs.h"

#include "app/JsonReport.h"

#include <algorithm>
#include <set>
#include <stdexcept>

#ifndef ZARNIK_VERSION
#error "ZARNIK_VERSION is set by the build from the project's version"
#endif

namespace {

bool IsSequentialRun(const CParsedCommandLine& options) {
    return options.useRegions.empty() &&
           (options.requestType == "seq" || options.requestType == "sequential");
}

// The -bbox box, or the whole image.
CRegion EvaluatedArea(const CParsedCommandLine& options, uint32_t width, uint32_t height) {
    if (options.bbox) {
        return *options.bbox;
    }
    return CRegion(0, 0, static_cast<int32_t>(width) - 1, static_cast<int32_t>(height) - 1);
}

size_t IndexOf(const std::vector<std::string>& names, const std::string& name) {
    return size_t(std::find(names.begin(), names.end(), name) - names.begin());
}

} // namespace

bool JsonGoesToStandardOutput(const CParsedCommandLine& options) {
    return options.jsonFile == "-";
}

CRunOutputs::CRunOutputs(const CParsedCommandLine& runOptions, CZarnikEvaluator& evaluator)
    : options(runOptions), statisticNames(evaluator.GetStatisticNames()) {
    CImageFileReader& original = evaluator.GetOriginalReader();
    const ImageSize size = original.GetImageSize();
    width = size.width;
    height = size.height;
    for (int32_t band = 0; band < original.GetBandCount(); ++band) {
        bandNames.push_back(original.GetBand(band)->GetName());
    }
    if (!options.jsonFile.empty()) {
        json = std::make_unique<COutputFile>(options.jsonFile, "JSON report");
        series = std::make_unique<CTileValueSeries>(statisticNames);
        evaluator.AddTileListener(series.get());
    }
    if (!options.tileValuesFile.empty()) {
        tileValues = std::make_unique<CTileValuesCsv>(options.tileValuesFile, statisticNames);
        evaluator.AddTileListener(tileValues.get());
    }
    if (!options.qualityMapFile.empty()) {
        CreateQualityMap(evaluator);
    }
}

void CRunOutputs::CreateQualityMap(CZarnikEvaluator& evaluator) {
    if (options.compareBand < 0 || static_cast<size_t>(options.compareBand) >= bandNames.size()) {
        throw std::runtime_error("The quality map's quick look shows -compareBand " +
                                 std::to_string(options.compareBand) +
                                 ", which is no band of the " + std::to_string(bandNames.size()) +
                                 "-band images");
    }
    const std::set<std::string> layerStatistics(statisticNames.begin(), statisticNames.end());
    const QualityMapGrid grid = MakeQualityMapGrid(EvaluatedArea(options, width, height),
                                                   options.tileSize, IsSequentialRun(options));
    qualityMap = std::make_unique<CQualityMap>(grid, statisticNames.size(), bandNames.size());
    qualityMapFiles = std::make_unique<CQualityMapFiles>(
        options.qualityMapFile, options.originalFileName, grid,
        static_cast<int>(layerStatistics.size() * bandNames.size()));
    evaluator.AddTileListener(qualityMap.get());
}

void CRunOutputs::CompleteFiles() {
    if (tileValues) {
        tileValues->Close();
    }
    if (!qualityMap) {
        return;
    }
    // The report's order: statistics by name, each band by band. The quick
    // look shows the compare statistic, or the first of -stat when the
    // compare statistic is none of them (e.g. "ssim,psnr" by default).
    const std::set<std::string> layerStatistics(statisticNames.begin(), statisticNames.end());
    const std::string shown = IndexOf(statisticNames, options.compareStat) < statisticNames.size()
                                  ? options.compareStat
                                  : statisticNames.front();
    std::vector<QualityMapLayer> layers;
    size_t previewLayer = 0;
    for (const std::string& statistic : layerStatistics) {
        for (size_t band = 0; band < bandNames.size(); ++band) {
            if (statistic == shown && band == static_cast<size_t>(options.compareBand)) {
                previewLayer = layers.size();
            }
            layers.push_back(QualityMapLayer{
                .description =
                    statistic + " band " + std::to_string(band) + " (" + bandNames[band] + ")",
                .cells = qualityMap->Layer(IndexOf(statisticNames, statistic), band),
            });
        }
    }
    qualityMapFiles->Write(layers, previewLayer);
}

void CRunOutputs::WriteJson(const EvaluationResult& result, double seconds) {
    if (!json) {
        return;
    }
    const JsonReportFacts facts{
        .version = ZARNIK_VERSION,
        .width = width,
        .height = height,
        .bandCount = static_cast<int32_t>(bandNames.size()),
        .seconds = seconds,
    };
    json->Write(JsonReportText(result, options, facts, *series));
    json->Close();
}
