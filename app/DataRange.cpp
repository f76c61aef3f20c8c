#include "app/DataRange.h"

#include "platform/ZarnikError.h"
#include "raster/SampleDeclaration.h"

#include <cmath>

void CheckMeasurable(const std::string& fileName, const CParsedCommandLine& options) {
    if (options.dataRange > 0.0f) {
        return;
    }
    const std::optional<SampleDeclaration> declared = ReadSampleDeclaration(fileName);
    if (declared && declared->floatingPoint) {
        throw CZarnikError::Complete(
            "Unsuported data type " + declared->typeName + " in " + fileName +
                ": floating-point samples have no largest value and are measured with -dataRange "
                "value, the peak value of PSNR and SSIM" +
                (options.dataRangeAuto ? " (auto finds no bit depth in them)" : ""),
            InFile(fileName));
    }
}

std::optional<float> ChosenPeakValue(const CParsedCommandLine& options) {
    if (options.dataRange > 0.0f) {
        return options.dataRange;
    }
    if (!options.dataRangeAuto) {
        return std::nullopt;
    }
    // The original has been opened by now, so GDAL reads it again.
    const std::optional<SampleDeclaration> declared =
        ReadSampleDeclaration(options.originalFileName);
    if (!declared) {
        throw CZarnikError::Complete("Error opening original file.",
                                     InFile(options.originalFileName));
    }
    if (declared->bits) {
        return static_cast<float>(std::ldexp(1.0, *declared->bits) - 1.0);
    }
    return declared->largestValue;
}
