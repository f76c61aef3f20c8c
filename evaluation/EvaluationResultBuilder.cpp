#include "evaluation/EvaluationResultBuilder.h"

#include "raster/ImageFileReader.h"
#include "raster/sdk/FileSize.h"

#include <filesystem>

namespace {

// An empty name stands for no file and has size 0.
uint64_t FileSizeOf(const std::string& fileName) {
    if (fileName.empty()) {
        return 0;
    }
    return OrvFileSizeBytesW(std::filesystem::u8path(fileName));
}

std::map<int32_t, std::string> BandNames(CImageFileReader& reader, int32_t bandCount) {
    std::map<int32_t, std::string> names;
    for (int32_t b = 0; b < bandCount; ++b) {
        CBand* band = reader.GetBand(b);
        if (!band) {
            throw std::runtime_error("Unable to get the name of band " + std::to_string(b));
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
    const uint64_t compressedFileSize = FileSizeOf(run.compressedFileName);
    const uint64_t originalFileSize = FileSizeOf(run.originalFileName);
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
    }
    if (originalFileSize == kOrvUnknownFileSize || compressedFileSize == kOrvUnknownFileSize) {
        throw "Unable to get file size.";
    }
    return EvaluationResult{
        .tileCount = run.tileCount,
        .compressedFileSize = compressedFileSize,
        .originalFileSize = originalFileSize,
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
