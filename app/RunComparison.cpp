#include "app/RunComparison.h"

#include "app/DataRange.h"
#include "app/GdalBlockCache.h"
#include "app/GdalRegistration.h"
#include "app/ProgressLine.h"
#include "app/ReaderFactory.h"
#include "app/Reports.h"
#include "evaluation/GdalImageRegionOutputter.h"
#include "evaluation/ScoredRegionWriter.h"
#include "evaluation/ZarnikEvaluator.h"
#include "outputs/OutputClashCheck.h"
#include "outputs/RunOutputs.h"
#include "platform/OpenFileLimit.h"
#include "platform/PartialFile.h"
#include "platform/ZarnikError.h"
#include "raster/sdk/Config.h"

#include <chrono>
#include <cstdio>
#include <iostream>
#include <optional>
#include <ostream>
#include <streambuf>
#include <tuple>

namespace {

void SwitchDitheringOffUnlessEnabled(const CParsedCommandLine& options) {
    if (!options.enableDithering) {
        Orv::SDK::CFileBase::sFilesHelper.Get()->GetConfig().SetTextureDitherEnabled(false);
    }
}

// Opens both files, the compressed one first, so that when both are unusable
// its failure is the one reported; every further worker opens its own.
// Floating-point samples are read only with a -dataRange value to measure
// them against.
void OpenReaders(CZarnikEvaluator& evaluator, const CParsedCommandLine& options) {
    const bool floatingPoint = options.dataRange > 0.0f;
    const auto openOriginal = [&options, floatingPoint] {
        try {
            return OpenOriginalReader(options.originalFileName, options.yuv, options.yOnly,
                                      floatingPoint);
        } catch (const CZarnikError&) {
            RethrowOpenFailure(options.originalFileName);
        }
    };
    const auto openCompressed = [&options, floatingPoint] {
        try {
            return OpenCompressedReader(options.compressedFileName, options.useGdal, options.yuv,
                                        options.yOnly, floatingPoint);
        } catch (const CZarnikError&) {
            RethrowOpenFailure(options.compressedFileName);
        }
    };
    if (options.useGdal) {
        CheckMeasurable(options.compressedFileName, options);
    }
    evaluator.SetCompressedReader(openCompressed());
    CheckMeasurable(options.originalFileName, options);
    evaluator.SetOriginalReader(openOriginal());
    if (const std::optional<float> peak = ChosenPeakValue(options)) {
        evaluator.SetPeakValue(*peak);
    }
    BoundGdalBlockCache({&evaluator.GetOriginalReader(), &evaluator.GetCompressedReader()});
    evaluator.SetReaderOpeners(openOriginal, openCompressed);
    if (options.useMask) {
        const ComparedBands compared = !options.yuv    ? ComparedBands::Own
                                       : options.yOnly ? ComparedBands::LumaOnly
                                                       : ComparedBands::ColoursAndLuma;
        evaluator.SetMaskReaderOpener([&options, compared] {
            return std::make_unique<CGdalMaskReader>(options.originalFileName, compared);
        });
    }
}

// Tiles are written from the files' own bands, also when the comparison ran
// on luma computed from them.
void WriteBestAndWorstTiles(const EvaluationResult& result, CZarnikEvaluator& evaluator,
                            const CParsedCommandLine& options, const OutputPlacement& placement) {
    const auto written = [&placement](const std::string& prefix) {
        return placement.writtenName ? placement.writtenName(prefix) : prefix;
    };
    CGdalImageRegionOutputter outputter("GTiff", "tiff", {});
    CImageFileReader& original = *evaluator.GetOriginalReader().GetSourceReader();
    CImageFileReader& compressed = *evaluator.GetCompressedReader().GetSourceReader();
    WriteScoredRegions(outputter, original, compressed, result.bestTiles,
                       written(options.bestPrefix));
    WriteScoredRegions(outputter, original, compressed, result.worstTiles,
                       written(options.worstPrefix));
    outputter.CommitRegions();
}

// The best and worst tiles are written after the last tile is measured; what
// would stop them there is found before the first: a compare band the images
// do not have, a prefix whose folder is missing or cannot be written.
void CheckTileFilesCanBeWritten(const CParsedCommandLine& options, const RunLayout& layout,
                                const OutputPlacement& placement) {
    const auto written = [&placement](const std::string& prefix) {
        return placement.writtenName ? placement.writtenName(prefix) : prefix;
    };
    const size_t bands = layout.bandNames.size();
    for (const auto& [count, prefix, option] :
         {std::tuple{options.bestCount, options.bestPrefix, "-bestPrefix"},
          std::tuple{options.worstCount, options.worstPrefix, "-worstPrefix"}}) {
        if (count <= 0) {
            continue;
        }
        if (options.compareBand < 0 || static_cast<size_t>(options.compareBand) >= bands) {
            throw CZarnikError::Detail("-best and -worst rank the tiles by -compareBand " +
                                       std::to_string(options.compareBand) +
                                       ", which is no band of the " + std::to_string(bands) +
                                       "-band images");
        }
        const CPartialFile probe(written(prefix) + "probe");
        FILE* const file = std::fopen(probe.TemporaryName().c_str(), "wb");
        if (file == nullptr) {
            throw CZarnikError::Detail(
                std::string("Unable to create tile files in the folder of ") + option + " " +
                prefix);
        }
        std::fclose(file);
    }
}

// A masked run in which no tile had pixels enough to measure has no result.
void CheckSomethingMeasured(const CParsedCommandLine& options, const EvaluationResult& result) {
    bool measured = false;
    for (const auto& [name, bands] : result.results) {
        for (const auto& [band, figures] : bands) {
            measured = measured || figures.count > 0;
        }
    }
    if (options.useMask && !measured) {
        throw CZarnikError::Detail("The mask of " + options.originalFileName +
                                   " leaves no tile with pixels to measure");
    }
}

// Keeps a quiet run's gate lines; the verdict is told elsewhere.
class CNowhere : public std::streambuf {
protected:
    int_type overflow(int_type c) override { return traits_type::not_eof(c); }
};

// The run, with the console report and the progress line unless `quiet`.
bool RunAssembled(const CParsedCommandLine& options, const OutputPlacement& placement, bool quiet) {
    const auto start = std::chrono::steady_clock::now();
    CDeferredRenames outputsAppearTogether;
    ChooseReportLocale();
    SwitchDitheringOffUnlessEnabled(options);
    CZarnikEvaluator evaluator(&options);
    RegisterGdalOnce();
    evaluator.SetRegistry(std::make_unique<CAlgorithmRegistry>());
    OpenReaders(evaluator, options);
    evaluator.Setup();
    const RunLayout layout = evaluator.GetLayout();
    // With the JSON report on standard output, it stays the only thing
    // there: no progress line and no console report; its readers find the
    // verdict in the exit code and the reasons on standard error. A quiet
    // run says nothing at all.
    const bool jsonOnly = quiet || JsonGoesToStandardOutput(options);
    CNowhere nowhere;
    std::ostream discarded(&nowhere);
    CRunOutputs outputs(options, layout, quiet ? discarded : (jsonOnly ? std::cerr : std::cout),
                        placement);
    for (ITileListener* listener : outputs.TileListeners()) {
        evaluator.AddTileListener(listener);
    }
    std::optional<CProgressLine> progress;
    std::optional<CConsoleReport> console;
    if (!jsonOnly) {
        progress.emplace(layout.tileCount, std::cout);
        evaluator.AddTileListener(&*progress);
        console.emplace(options);
    }

    CheckTileFilesCanBeWritten(options, layout, placement);
    const EvaluationResult result = evaluator.Run();
    CheckSomethingMeasured(options, result);
    WriteBestAndWorstTiles(result, evaluator, options, placement);
    const FinishedRun finished{
        .result = result,
        .elapsedSeconds =
            [start] {
                return std::chrono::duration<double>(std::chrono::steady_clock::now() - start)
                    .count();
            },
        .originalReader = evaluator.GetOriginalReader().GetSourceReader(),
        .compressedReader = evaluator.GetCompressedReader().GetSourceReader(),
    };
    for (IResultWriter* writer : outputs.ResultWriters(console ? &*console : nullptr)) {
        writer->Write(finished);
    }
    if (const std::string lost = outputsAppearTogether.RenameAll(); !lost.empty()) {
        throw CZarnikError::Detail("Unable to write " + lost);
    }
    return outputs.GatesPassed();
}

} // namespace

bool RunComparison(const CParsedCommandLine& options) {
    // A campaign writes into folders of its own, which it checks itself.
    CheckOutputClashes(options);
    return RunAssembled(options, {}, false);
}

bool RunQuietComparison(const CParsedCommandLine& options, const OutputPlacement& placement) {
    return RunAssembled(options, placement, true);
}
