#include "app/RunComparison.h"

#include "app/GdalRegistration.h"
#include "app/ReaderFactory.h"
#include "app/Reports.h"
#include "evaluation/GdalImageRegionOutputter.h"
#include "evaluation/ScoredRegionWriter.h"
#include "evaluation/ZarnikEvaluator.h"
#include "raster/sdk/Config.h"

#include <iostream>

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

} // namespace

void RunComparison(const CParsedCommandLine& options) {
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
    evaluator.SetReaderOpeners(
        [&options] {
            return OpenOriginalReader(options.originalFileName, options.yuv, options.yOnly);
        },
        [&options] {
            return OpenCompressedReader(options.compressedFileName, options.useGdal, options.yuv,
                                        options.yOnly);
        });
    evaluator.Setup();
    const EvaluationResult result = evaluator.Run();
    WriteBestAndWorstTiles(result, evaluator, options);
    // This empty line also ends the progress line.
    std::cout << std::endl;
    if (options.wiki) {
        PrintWikiReport(result, options);
    } else {
        PrintReport(result, options);
    }
}
