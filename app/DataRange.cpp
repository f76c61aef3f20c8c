#include "app/DataRange.h"

#include "platform/ZarnikError.h"
#include "raster/SampleDeclaration.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace {

// Every band is read and measured as the first band's type: bands of another
// type would be measured against a range they do not have.
void CheckOneDataType(const std::string& fileName, const SampleDeclaration& declared) {
    const std::vector<std::string>& types = declared.bandTypeNames;
    if (std::all_of(types.begin(), types.end(),
                    [&types](const std::string& type) { return type == types.front(); })) {
        return;
    }
    std::string listed;
    for (size_t band = 0; band < types.size(); ++band) {
        listed += (band == 0 ? "band " : ", band ") + std::to_string(band) + " " + types[band];
    }
    throw CZarnikError::Complete("The bands of " + fileName + " differ in data type (" + listed +
                                     "); every band must have the type of band 0",
                                 InFile(fileName));
}

} // namespace

void CheckMeasurable(const std::string& fileName, const CParsedCommandLine& options) {
    const std::optional<SampleDeclaration> declared = ReadSampleDeclaration(fileName);
    if (declared) {
        CheckOneDataType(fileName, *declared);
    }
    if (options.dataRange > 0.0f) {
        return;
    }
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
