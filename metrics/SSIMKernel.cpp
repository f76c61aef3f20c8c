#include "metrics/SSIMKernel.h"

#include "metrics/KernelTables.h"
#include "metrics/RowKernels.h"
#include "metrics/ValidPixels.h"
#include "metrics/WorkBuffer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

constexpr float kFailure = std::numeric_limits<float>::infinity();

// The terms are made and handed over in pieces of this many positions (rows
// run on into the next, as the filtered images have no gap between rows):
// short enough that the processor overlaps the divisions of one piece with
// the dependent additions of the piece before, which a whole row's chain of
// additions kept apart; a whole number of vectors on every target.
constexpr std::size_t kTermPiece = 16;

// sign(term) x |term|^exponent for every term of a piece; nothing for an
// exponent of 1.
void RaiseTerms(double* terms, int32_t count, float exponent) {
    if (exponent == 1) {
        return;
    }
    for (int32_t x = 0; x < count; ++x) {
        const double sign = terms[x] < 0 ? -1.0 : 1.0;
        terms[x] = sign * std::pow(std::fabs(terms[x]), static_cast<double>(exponent));
    }
}

// luminance x contrast x structure, multiplied in this order.
double Product(const double* terms) {
    return (terms[1] * terms[0]) * terms[2];
}

float CombineMean(int32_t width, int32_t height, void* context) {
    const double sum = *static_cast<const double*>(context);
    return static_cast<float>(sum / static_cast<double>(width * height));
}

// The mean over the window positions that see only valid pixels. SSIMCore
// visits the positions row by row, so counting the calls tells which
// position the terms belong to.
struct ValidWindowMean {
    const uint8_t* windowValid;
    std::size_t position;
    int32_t validWindows;
    double sum;
};

int32_t AccumulateValidProduct(const double* terms, void* context) {
    ValidWindowMean& mean = *static_cast<ValidWindowMean*>(context);
    if (mean.windowValid[mean.position++] != 0) {
        mean.sum += Product(terms);
    }
    return 0;
}

// Copies `box` of a `width`-wide image row by row, packed, into `out`; `out`
// may be the image itself, since no row moves right.
template <typename T> void CopyBox(const T* image, int32_t width, const MapBox& box, T* out) {
    for (int32_t j = 0; j < box.height; ++j) {
        const std::size_t from =
            static_cast<std::size_t>(box.y + j) * static_cast<std::size_t>(width) +
            static_cast<std::size_t>(box.x);
        std::memmove(out + static_cast<std::size_t>(j) * static_cast<std::size_t>(box.width),
                     image + from, static_cast<std::size_t>(box.width) * sizeof(T));
    }
}

float CombineValidMean(int32_t /*width*/, int32_t /*height*/, void* context) {
    const ValidWindowMean& mean = *static_cast<const ValidWindowMean*>(context);
    return static_cast<float>(mean.sum / static_cast<double>(mean.validWindows));
}

} // namespace

bool SSIMTermRows(const float* a, const float* b, int32_t width, int32_t height,
                  const FilterKernel* window, const SSIMParameters* parameters,
                  SSIMTermRowsFunction termRows, void* context, int32_t* columns, int32_t* rows) {
    const float k1L = parameters->K1 * parameters->L;
    const float k2L = parameters->K2 * parameters->L;
    const float c2 = k2L * k2L;
    const SSIMConstants constants{k1L * k1L, c2, c2 / 2};

    const std::size_t samples = SampleCount(width, height);
    CWorkBuffer<float> work(5 * samples);
    if (!work) {
        return false;
    }
    float* meanA = work.Get();
    float* meanB = meanA + samples;
    float* filteredAA = meanB + samples;
    float* filteredBB = filteredAA + samples;
    float* filteredAB = filteredBB + samples;
    ConvolveValidInto(a, width, height, window, meanA, nullptr, nullptr);
    ConvolveValidInto(b, width, height, window, meanB, nullptr, nullptr);
    ConvolveValidProducts(a, a, width, height, window, filteredAA, nullptr, nullptr);
    ConvolveValidProducts(b, b, width, height, window, filteredBB, nullptr, nullptr);
    ConvolveValidProducts(a, b, width, height, window, filteredAB, columns, rows);

    const std::size_t rowLength = *columns > 0 ? static_cast<std::size_t>(*columns) : 0;
    const std::size_t pieceLength = std::min(rowLength, kTermPiece);
    CWorkBuffer<double> termRowsBuffer(3 * pieceLength);
    if (!termRowsBuffer) {
        return false;
    }
    double* luminance = termRowsBuffer.Get();
    double* contrast = luminance + pieceLength;
    double* structure = contrast + pieceLength;
    const SSIMTermsRowFunction ssimTermsRow = ActiveRowKernels().ssimTermsRow;
    const std::size_t positions = rowLength * static_cast<std::size_t>(*rows > 0 ? *rows : 0);
    for (std::size_t start = 0; start < positions; start += pieceLength) {
        const int32_t count = static_cast<int32_t>(std::min(pieceLength, positions - start));
        ssimTermsRow(meanA + start, meanB + start, filteredAA + start, filteredBB + start,
                     filteredAB + start, count, constants, luminance, contrast, structure);
        RaiseTerms(luminance, count, parameters->alpha);
        RaiseTerms(contrast, count, parameters->beta);
        RaiseTerms(structure, count, parameters->gamma);
        if (termRows(luminance, contrast, structure, count, context) != 0) {
            return false;
        }
    }
    return true;
}

namespace {

// Hands every position's terms to the callbacks' accumulate, in row order.
int32_t AccumulateEach(const double* luminance, const double* contrast, const double* structure,
                       int32_t count, void* context) {
    const SSIMCallbacks& callbacks = *static_cast<const SSIMCallbacks*>(context);
    for (int32_t x = 0; x < count; ++x) {
        const double terms[3] = {luminance[x], contrast[x], structure[x]};
        if (callbacks.accumulate(terms, callbacks.context) != 0) {
            return 1;
        }
    }
    return 0;
}

// Adds every position's Product to the double behind `context`, in row
// order, without a call per position.
int32_t AccumulateProducts(const double* luminance, const double* contrast, const double* structure,
                           int32_t count, void* context) {
    double& sum = *static_cast<double*>(context);
    for (int32_t x = 0; x < count; ++x) {
        sum += (contrast[x] * luminance[x]) * structure[x];
    }
    return 0;
}

} // namespace

float SSIMCore(const float* a, const float* b, int32_t width, int32_t height,
               const FilterKernel* window, const SSIMCallbacks* callbacks,
               const SSIMParameters* parameters) {
    int32_t columns = 0;
    int32_t rows = 0;
    SSIMCallbacks each = *callbacks;
    if (!SSIMTermRows(a, b, width, height, window, parameters, AccumulateEach, &each, &columns,
                      &rows)) {
        return kFailure;
    }
    return callbacks->combine(columns, rows, callbacks->context);
}

float ComputeSSIM(const float* a, const float* b, int32_t width, int32_t height,
                  const SSIMParameters* parameters) {
    if (width < kGaussianWindowSize || height < kGaussianWindowSize) {
        return kFailure;
    }
    const FilterKernel window = GaussianWindowKernel();
    double sum = 0;
    int32_t columns = 0;
    int32_t rows = 0;
    if (!SSIMTermRows(a, b, width, height, &window, parameters, AccumulateProducts, &sum, &columns,
                      &rows)) {
        return kFailure;
    }
    return CombineMean(columns, rows, &sum);
}

std::optional<float> ComputeMaskedSSIM(const float* a, const float* b, const uint8_t* valid,
                                       int32_t width, int32_t height,
                                       const SSIMParameters* parameters) {
    if (width < kGaussianWindowSize || height < kGaussianWindowSize) {
        return std::nullopt;
    }
    const int32_t columns = width - kGaussianWindowSize + 1;
    const int32_t rows = height - kGaussianWindowSize + 1;
    CWorkBuffer<uint8_t> windowValid(SampleCount(columns, rows));
    if (!windowValid) {
        return kFailure;
    }
    const int32_t validWindows = MarkValidWindows(valid, width, height, kGaussianWindowSize,
                                                  kGaussianWindowSize, windowValid.Get());
    if (validWindows < 0) {
        return kFailure;
    }
    if (validWindows == 0) {
        return std::nullopt;
    }
    // Only the box around the valid positions is filtered, which makes a
    // tile with a wide invalid collar cheaper than a whole one. Every
    // position's terms come from its own footprint alone, so they keep their
    // bits in the smaller tile, and the positions keep their row order.
    const MapBox positions = NonZeroBox(windowValid.Get(), columns, rows);
    const MapBox footprints{positions.x, positions.y, positions.width + kGaussianWindowSize - 1,
                            positions.height + kGaussianWindowSize - 1};
    const std::size_t samples = SampleCount(footprints.width, footprints.height);
    CWorkBuffer<float> cut(2 * samples);
    if (!cut) {
        return kFailure;
    }
    CopyBox(a, width, footprints, cut.Get());
    CopyBox(b, width, footprints, cut.Get() + samples);
    CopyBox(windowValid.Get(), columns, positions, windowValid.Get());

    const FilterKernel window = GaussianWindowKernel();
    ValidWindowMean mean{windowValid.Get(), 0, validWindows, 0};
    const SSIMCallbacks callbacks{AccumulateValidProduct, CombineValidMean, &mean};
    return SSIMCore(cut.Get(), cut.Get() + samples, footprints.width, footprints.height, &window,
                    &callbacks, parameters);
}
