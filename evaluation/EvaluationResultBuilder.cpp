#include "evaluation/EvaluationResultBuilder.h"

#include "platform/FileSize.h"
#include "platform/ZarnikError.h"
#include "raster/ImageFileReader.h"

#include <filesystem>

namespace {

// An empty name stands for no file and has size 0.
std::optional<uint64_t> SizeOfFile(const std::string& fileName) {
    if (fileName.empty()) {
        return 0;
    }
    return FileSizeOf(std::filesystem::u8path(fileName));
}

std::map<int32_t, std::string> BandNames(CImageFileReader& reader, int32_t bandCount) {
    std::map<int32_t, std::string> names;
    for (int32_t b = 0; b < bandCount; ++b) {
        CBand* band = reader.GetBand(b);
        if (!band) {
            throw CZarnikError::Detail("Unable to get the name of band " + std::to_string(b),
                                       InBand("", b));
        }
        names[b] = band->GetName();
    }
    return names;
}

BandTimings CopyOf(const CAlgorithmResultAssembler::Timings& timings) {
    return timings ? *timings : BandTimings{};
}

} // namespace

EvaluationResult BuildEvaluationResult(CollectedRun run) {
    const std::optional<uint64_t> compressedFileSize = SizeOfFile(run.compressedFileName);
    const std::optional<uint64_t> originalFileSize = SizeOfFile(run.originalFileName);
    auto originalBandNames = BandNames(*run.originalReader, run.bandCount);
    auto compressedBandNames = BandNames(*run.compressedReader, run.bandCount);
    // The map is ordered by object address; a statistic listed twice yields
    // two objects of one name, and the later one's records stand.
    std::map<std::string, BandStatistics> results;
    for (const auto& [algorithm, bands] : run.results) {
        auto& byBand = results[algorithm->GetName()];
        for (const auto& [band, statistics] : *bands) {
            byBand[band] = statistics;
        }
        const auto terms = run.areaTerms.find(algorithm);
        if (terms != run.areaTerms.end()) {
            for (const auto& [band, term] : terms->second) {
                byBand[band].pooled = algorithm->AreaFigure(term);
            }
        }
    }
    if (!originalFileSize || !compressedFileSize) {
        throw CZarnikError::Complete(
            "Unable to get file size.",
            InFile(originalFileSize ? run.compressedFileName : run.originalFileName));
    }
    return EvaluationResult{
        .tileCount = run.tileCount,
        .compressedFileSize = *compressedFileSize,
        .originalFileSize = *originalFileSize,
        .results = std::move(results),
        .originalReadTimes = CopyOf(run.originalReadTimes),
        .compressedReadTimes = CopyOf(run.compressedReadTimes),
        .originalBandNames = std::move(originalBandNames),
        .compressedBandNames = std::move(compressedBandNames),
        .region = *run.area,
        .bestTiles = std::move(run.bestTiles),
        .worstTiles = std::move(run.worstTiles),
    };
}
