#include "metrics/MSSSIMKernel.h"

#include "metrics/KernelTables.h"
#include "metrics/SSIMKernel.h"
#include "metrics/WorkBuffer.h"

#include <cmath>
#include <cstdlib>
#include <limits>

namespace {

constexpr float kFailure = std::numeric_limits<float>::infinity();

// The halved size, rounded up.
int32_t Halved(int32_t size) {
    return size % 2 + size / 2;
}

// The check truncates where the pyramid rounds up, so a 176 side passes as
// 176, 88, 44, 22, 11 and is then evaluated at exactly those sizes.
bool LargeEnoughForAllScales(int32_t width, int32_t height) {
    for (int32_t scale = 0; scale < kScaleCount; ++scale) {
        if (width < kGaussianWindowSize || height < kGaussianWindowSize) {
            return false;
        }
        width /= 2;
        height /= 2;
    }
    return true;
}

// The coarser levels 1 to 4 of one image; level 0 is the image itself.
class CCoarseLevels {
public:
    CCoarseLevels(int32_t width, int32_t height)
        : failed(AllocatePyramid(levels, Halved(width), Halved(height), kScaleCount - 1) != 0) {}
    CCoarseLevels(const CCoarseLevels&) = delete;
    CCoarseLevels& operator=(const CCoarseLevels&) = delete;
    ~CCoarseLevels() {
        if (!failed) {
            for (float* level : levels) {
                std::free(level);
            }
        }
    }

    bool Failed() const { return failed; }
    float* Level(int32_t scale) const { return levels[scale - 1]; }

private:
    float* levels[kScaleCount - 1] = {};
    bool failed;
};

struct MultiScaleContext {
    double luminance;
    double contrast;
    double structure;
    float luminanceExponent;
    float contrastExponent;
    float structureExponent;
};

// Each term summed apart over the positions of a row, in their order.
int32_t AccumulateTerms(const double* luminance, const double* contrast, const double* structure,
                        int32_t count, void* context) {
    MultiScaleContext& scale = *static_cast<MultiScaleContext*>(context);
    for (int32_t x = 0; x < count; ++x) {
        scale.luminance += luminance[x];
        scale.contrast += contrast[x];
        scale.structure += structure[x];
    }
    return 0;
}

float CombineScale(int32_t width, int32_t height, void* context) {
    MultiScaleContext& scale = *static_cast<MultiScaleContext*>(context);
    const double positions = static_cast<double>(width * height);
    scale.luminance =
        std::pow(scale.luminance / positions, static_cast<double>(scale.luminanceExponent));
    scale.contrast =
        std::pow(scale.contrast / positions, static_cast<double>(scale.contrastExponent));
    scale.structure = std::pow(std::fabs(scale.structure / positions),
                               static_cast<double>(scale.structureExponent));
    return static_cast<float>((scale.contrast * scale.luminance) * scale.structure);
}

} // namespace

int32_t AllocatePyramid(float** levels, int32_t width, int32_t height, int32_t levelCount) {
    for (int32_t k = 0; k < levelCount; ++k) {
        levels[k] = static_cast<float*>(std::malloc(sizeof(float) * SampleCount(width, height)));
        if (levels[k] == nullptr) {
            for (int32_t obtained = 0; obtained < k; ++obtained) {
                std::free(levels[obtained]);
            }
            return 1;
        }
        width = Halved(width);
        height = Halved(height);
    }
    return 0;
}

float ComputeMSSSIM(const float* a, const float* b, int32_t width, int32_t height) {
    if (!LargeEnoughForAllScales(width, height)) {
        return kFailure;
    }
    // The full-size level is read straight from the inputs; only the coarser
    // levels need memory of their own.
    CCoarseLevels first(width, height);
    CCoarseLevels second(width, height);
    if (first.Failed() || second.Failed()) {
        return kFailure;
    }

    const FilterKernel lowPass = LowPassKernel();
    const float* levelA = a;
    const float* levelB = b;
    int32_t levelWidth = width;
    int32_t levelHeight = height;
    for (int32_t scale = 1; scale < kScaleCount; ++scale) {
        Decimate(levelA, levelWidth, levelHeight, 2, &lowPass, first.Level(scale), nullptr,
                 nullptr);
        Decimate(levelB, levelWidth, levelHeight, 2, &lowPass, second.Level(scale), &levelWidth,
                 &levelHeight);
        levelA = first.Level(scale);
        levelB = second.Level(scale);
    }

    const FilterKernel window = GaussianWindowKernel();
    const SSIMParameters parameters{1.0f, 1.0f, 1.0f, 255.0f, 0.0f, 0.0f, 1};
    float result = 1.0f;
    levelWidth = width;
    levelHeight = height;
    for (int32_t scale = 0; scale < kScaleCount; ++scale) {
        MultiScaleContext context{0.0,
                                  0.0,
                                  0.0,
                                  LuminanceExponents[scale],
                                  ContrastExponents[scale],
                                  StructureExponents[scale]};
        const float* scaleA = scale == 0 ? a : first.Level(scale);
        const float* scaleB = scale == 0 ? b : second.Level(scale);
        int32_t columns = 0;
        int32_t rows = 0;
        result *= SSIMTermRows(scaleA, scaleB, levelWidth, levelHeight, &window, &parameters,
                               AccumulateTerms, &context, &columns, &rows)
                      ? CombineScale(columns, rows, &context)
                      : kFailure;
        if (result == kFailure) {
            break;
        }
        levelWidth = Halved(levelWidth);
        levelHeight = Halved(levelHeight);
    }
    return result;
}
