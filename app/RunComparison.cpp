#include "app/RunComparison.h"

#include "app/GdalBlockCache.h"
#include "app/GdalRegistration.h"
#include "app/QualityGates.h"
#include "app/ReaderFactory.h"
#include "app/Reports.h"
#include "app/RunOutputs.h"
#include "evaluation/GdalImageRegionOutputter.h"
#include "evaluation/ScoredRegionWriter.h"
#include "evaluation/ZarnikEvaluator.h"
#include "raster/sdk/Config.h"

#include <chrono>
#include <iostream>
#include <optional>
#include <streambuf>

namespace {

void SwitchDitheringOffUnlessEnabled(const CParsedCommandLine& options) {
    if (!options.enableDithering) {
        Orv::SDK::CFileBase::sFilesHelper.Get()->GetConfig().SetTextureDitherEnabled(false);
    }
}

// Tiles are written from the files' own bands, also when the comparison ran
// on luma computed from them.
void WriteBestAndWorstTiles(const EvaluationResult& result, CZarnikEvaluator& evaluator,
                            const CParsedCommandLine& options) {
    CGdalImageRegionOutputter outputter("GTiff", "tiff", {});
    CImageFileReader& original = *evaluator.GetOriginalReader().GetSourceReader();
    CImageFileReader& compressed = *evaluator.GetCompressedReader().GetSourceReader();
    WriteScoredRegions(outputter, original, compressed, result.bestTiles, options.bestPrefix);
    WriteScoredRegions(outputter, original, compressed, result.worstTiles, options.worstPrefix);
}

// Keeps everything written to std::cout (the progress line, the report) off
// standard output while in scope, so that the JSON report there stays whole.
class CSilencedConsole {
public:
    CSilencedConsole() : kept(std::cout.rdbuf(&nowhere)) {}
    ~CSilencedConsole() { std::cout.rdbuf(kept); }
    CSilencedConsole(const CSilencedConsole&) = delete;
    CSilencedConsole& operator=(const CSilencedConsole&) = delete;

private:
    // Takes every character and keeps none.
    class CNowhere : public std::streambuf {
    protected:
        int_type overflow(int_type c) override { return traits_type::not_eof(c); }
    };

    CNowhere nowhere;
    std::streambuf* kept;
};

} // namespace

bool RunComparison(const CParsedCommandLine& options) {
    const auto start = std::chrono::steady_clock::now();
    ChooseReportLocale();
    SwitchDitheringOffUnlessEnabled(options);
    CZarnikEvaluator evaluator(&options);
    RegisterGdalOnce();
    evaluator.SetRegistry(std::make_unique<CAlgorithmRegistry>());
    // The compressed file is opened first, so when both are unusable its
    // failure is the one reported.
    evaluator.SetCompressedReader(OpenCompressedReader(options.compressedFileName, options.useGdal,
                                                       options.yuv, options.yOnly));
    evaluator.SetOriginalReader(
        OpenOriginalReader(options.originalFileName, options.yuv, options.yOnly));
    BoundGdalBlockCache({&evaluator.GetOriginalReader(), &evaluator.GetCompressedReader()});
    evaluator.SetReaderOpeners(
        [&options] {
            return OpenOriginalReader(options.originalFileName, options.yuv, options.yOnly);
        },
        [&options] {
            return OpenCompressedReader(options.compressedFileName, options.useGdal, options.yuv,
                                        options.yOnly);
        });
    if (options.useMask) {
        const ComparedBands compared = !options.yuv    ? ComparedBands::Own
                                       : options.yOnly ? ComparedBands::LumaOnly
                                                       : ComparedBands::ColoursAndLuma;
        evaluator.SetMaskReaderOpener([&options, compared] {
            return std::make_unique<CGdalMaskReader>(options.originalFileName, compared);
        });
    }
    evaluator.Setup();
    CRunOutputs outputs(options, evaluator);
    const bool jsonOnly = JsonGoesToStandardOutput(options);
    std::optional<CSilencedConsole> silenced;
    if (jsonOnly) {
        silenced.emplace();
    }
    const EvaluationResult result = evaluator.Run();
    WriteBestAndWorstTiles(result, evaluator, options);
    outputs.CompleteFiles();
    if (!jsonOnly) {
        // This empty line also ends the progress line.
        std::cout << std::endl;
        if (options.wiki) {
            PrintWikiReport(result, options);
        } else {
            PrintReport(result, options);
        }
    }
    outputs.WriteJson(
        result, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    // With the JSON on standard output, its readers find the verdict in the
    // exit code and the reasons on standard error.
    return PassesQualityGates(result, options.qualityGates, jsonOnly ? std::cerr : std::cout);
}
