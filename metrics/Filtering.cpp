#include "metrics/Filtering.h"

#include "metrics/ProductRing.h"
#include "metrics/RowKernels.h"
#include "metrics/WorkBuffer.h"

#include <algorithm>

namespace {

// The row kernels take their tap list from the stack; larger kernels are
// filtered one position at a time.
constexpr int32_t kMaxRowTaps = 256;

int32_t MirrorIndex(int32_t position, int32_t size) {
    if (position < 0) {
        return -position - 1;
    }
    if (position >= size) {
        return 2 * size - position - 1;
    }
    return position;
}

bool FitsRowKernels(const FilterKernel& kernel) {
    return kernel.width * kernel.height <= kMaxRowTaps;
}

void ConvolveRows(const float* image, int32_t width, const FilterKernel& kernel, int32_t outWidth,
                  int32_t outHeight, double scale, float* out) {
    const WeightedRowSumsFunction weightedRowSums = ActiveRowKernels().weightedRowSums;
    const float* taps[kMaxRowTaps];
    for (int32_t y = 0; y < outHeight; ++y) {
        int32_t t = 0;
        for (int32_t j = 0; j < kernel.height; ++j) {
            for (int32_t i = 0; i < kernel.width; ++i) {
                taps[t++] = image + (y + j) * width + i;
            }
        }
        weightedRowSums(taps, kernel.weights, t, outWidth, scale, out + y * outWidth);
    }
}

// Through a ring of shared products; false, having done nothing, when the
// kernel suits no ring or its memory cannot be obtained. Each output row is written only after the
// last image row it reads and covers no later image row, so `out` may be
// the image itself.
bool ConvolveByProducts(const float* image, const float* second, int32_t width, int32_t height,
                        const FilterKernel& kernel, double scale, float* out) {
    CProductRing ring(kernel, width, ActiveRowKernels().products);
    if (!ring) {
        return false;
    }
    const int32_t outWidth = width - kernel.width + 1;
    const auto at = [width](const float* samples, int32_t row) {
        return samples + static_cast<std::size_t>(row) * static_cast<std::size_t>(width);
    };
    for (int32_t row = 0; row < kernel.height; ++row) {
        ring.AddRow(at(image, row), second != nullptr ? at(second, row) : nullptr, row);
    }
    for (int32_t top = 0; top + kernel.height <= height; ++top) {
        const int32_t next = top + kernel.height;
        const float* nextFirst = next < height ? at(image, next) : nullptr;
        ring.SumRow(
            top, scale, out + static_cast<std::size_t>(top) * static_cast<std::size_t>(outWidth),
            nextFirst, nextFirst != nullptr && second != nullptr ? at(second, next) : nullptr);
    }
    return true;
}

void ConvolvePositions(const float* image, int32_t width, const FilterKernel& kernel,
                       int32_t outWidth, int32_t outHeight, double scale, float* out) {
    for (int32_t y = 0; y < outHeight; ++y) {
        for (int32_t x = 0; x < outWidth; ++x) {
            double sum = 0;
            for (int32_t j = 0; j < kernel.height; ++j) {
                for (int32_t i = 0; i < kernel.width; ++i) {
                    sum += static_cast<double>(image[(y + j) * width + x + i] *
                                               kernel.weights[j * kernel.width + i]);
                }
            }
            out[y * outWidth + x] = static_cast<float>(scale * sum);
        }
    }
}

// `out` may be the image itself: every position reads only at or after its
// own top-left sample, which later positions never overwrite.
void Convolve(const float* image, int32_t width, int32_t height, const FilterKernel& kernel,
              float* out, int32_t* outWidth, int32_t* outHeight) {
    const int32_t columns = width - kernel.width + 1;
    const int32_t rows = height - kernel.height + 1;
    const double scale = KernelScale(&kernel);
    if (columns > 0 && rows > 0 &&
        !ConvolveByProducts(image, nullptr, width, height, kernel, scale, out)) {
        if (FitsRowKernels(kernel)) {
            ConvolveRows(image, width, kernel, columns, rows, scale, out);
        } else {
            ConvolvePositions(image, width, kernel, columns, rows, scale, out);
        }
    }
    if (outWidth != nullptr) {
        *outWidth = columns;
    }
    if (outHeight != nullptr) {
        *outHeight = rows;
    }
}

// Copies the even columns of `width` samples to the start of `out` and the
// odd ones after them, a pair at a time so that the compiler can turn the
// loop into vector shuffles.
void SplitColumns(const float* __restrict samples, int32_t width, float* __restrict out) {
    const int32_t pairs = width / 2;
    float* __restrict odd = out + (width + 1) / 2;
    for (int32_t i = 0; i < pairs; ++i) {
        out[i] = samples[2 * i];
        odd[i] = samples[2 * i + 1];
    }
    if (width % 2 == 1) {
        out[pairs] = samples[width - 1];
    }
}

// Halving with a mirrored odd-sized kernel, row by row. The image is first
// copied with its mirrored border, each row holding its even columns and
// then its odd ones, so that every tap reads consecutive samples for
// consecutive outputs. Gives the same numbers as FilterSample at every
// second sample as long as one reflection stays inside the image. Returns
// false, having done nothing, when the copy cannot be made.
bool HalveMirrored(const float* image, int32_t width, int32_t height, const FilterKernel& kernel,
                   float* out, int32_t outWidth, int32_t outHeight) {
    const int32_t marginX = kernel.width / 2;
    const int32_t marginY = kernel.height / 2;
    const int32_t paddedWidth = width + 2 * marginX;
    const int32_t paddedHeight = height + 2 * marginY;
    // One more row, where each row is first laid out with its border in
    // column order.
    CWorkBuffer<float> padded(SampleCount(paddedWidth, paddedHeight + 1));
    if (!padded) {
        return false;
    }
    const int32_t evenCount = (paddedWidth + 1) / 2;
    const auto columnOffset = [evenCount](int32_t column) {
        return column % 2 == 0 ? column / 2 : evenCount + column / 2;
    };
    float* bordered = padded.Get() + paddedHeight * paddedWidth;
    for (int32_t py = 0; py < paddedHeight; ++py) {
        const float* source = image + MirrorIndex(py - marginY, height) * width;
        for (int32_t px = 0; px < marginX; ++px) {
            bordered[px] = source[MirrorIndex(px - marginX, width)];
            bordered[width + marginX + px] = source[MirrorIndex(width + px, width)];
        }
        std::copy(source, source + width, bordered + marginX);
        SplitColumns(bordered, paddedWidth, padded.Get() + py * paddedWidth);
    }

    const WeightedRowSumsFunction weightedRowSums = ActiveRowKernels().weightedRowSums;
    const float* taps[kMaxRowTaps];
    for (int32_t j = 0; j < outHeight; ++j) {
        int32_t t = 0;
        for (int32_t r = 0; r < kernel.height; ++r) {
            const float* row = padded.Get() + (2 * j + r) * paddedWidth;
            for (int32_t c = 0; c < kernel.width; ++c) {
                taps[t++] = row + columnOffset(c);
            }
        }
        weightedRowSums(taps, kernel.weights, t, outWidth, 1.0, out + j * outWidth);
    }
    return true;
}

bool CanHalveMirrored(int32_t width, int32_t height, int32_t factor, const FilterKernel* kernel) {
    return factor == 2 && kernel != nullptr && kernel->borderFunction == MirrorSample &&
           kernel->width % 2 == 1 && kernel->height % 2 == 1 && FitsRowKernels(*kernel) &&
           width >= kernel->width / 2 && height >= kernel->height / 2;
}

} // namespace

float KernelScale(const FilterKernel* kernel) {
    if (kernel->normalized != 0) {
        return 1.0f;
    }
    double sum = 0;
    for (int32_t t = 0; t < kernel->width * kernel->height; ++t) {
        sum += kernel->weights[t];
    }
    if (sum == 0) {
        return 1.0f;
    }
    return static_cast<float>(1.0 / sum);
}

void ConvolveValid(float* image, int32_t width, int32_t height, const FilterKernel* kernel,
                   float* out, int32_t* outWidth, int32_t* outHeight) {
    Convolve(image, width, height, *kernel, out != nullptr ? out : image, outWidth, outHeight);
}

void ConvolveValidInto(const float* image, int32_t width, int32_t height,
                       const FilterKernel* kernel, float* out, int32_t* outWidth,
                       int32_t* outHeight) {
    Convolve(image, width, height, *kernel, out, outWidth, outHeight);
}

void ConvolveValidProducts(const float* first, const float* second, int32_t width, int32_t height,
                           const FilterKernel* kernel, float* out, int32_t* outWidth,
                           int32_t* outHeight) {
    if (second != nullptr && width >= kernel->width && height >= kernel->height &&
        ConvolveByProducts(first, second, width, height, *kernel, KernelScale(kernel), out)) {
        if (outWidth != nullptr) {
            *outWidth = width - kernel->width + 1;
        }
        if (outHeight != nullptr) {
            *outHeight = height - kernel->height + 1;
        }
        return;
    }
    if (second == nullptr) {
        Convolve(first, width, height, *kernel, out, outWidth, outHeight);
        return;
    }
    const std::size_t samples = SampleCount(width, height);
    for (std::size_t i = 0; i < samples; ++i) {
        out[i] = first[i] * second[i];
    }
    Convolve(out, width, height, *kernel, out, outWidth, outHeight);
}

float MirrorSample(const float* image, int32_t width, int32_t height, int32_t x, int32_t y,
                   float /*parameter*/) {
    return image[MirrorIndex(y, height) * width + MirrorIndex(x, width)];
}

float FilterSample(const float* image, int32_t width, int32_t height, int32_t x, int32_t y,
                   const FilterKernel* kernel, float scale) {
    if (kernel == nullptr) {
        return image[y * width + x];
    }
    const int32_t halfWidth = kernel->width / 2;
    const int32_t halfHeight = kernel->height / 2;
    const int32_t evenWidth = kernel->width % 2 == 0 ? 1 : 0;
    const int32_t evenHeight = kernel->height % 2 == 0 ? 1 : 0;
    const bool overEdge =
        x < halfWidth || y < halfHeight || x >= width - halfWidth || y >= height - halfHeight;
    double sum = 0;
    const float* weight = kernel->weights;
    for (int32_t sy = y - halfHeight; sy <= y + halfHeight - evenHeight; ++sy) {
        for (int32_t sx = x - halfWidth; sx <= x + halfWidth - evenWidth; ++sx) {
            const float sample = overEdge ? kernel->borderFunction(image, width, height, sx, sy,
                                                                   kernel->borderParameter)
                                          : image[sy * width + sx];
            sum += static_cast<double>(*weight++ * sample);
        }
    }
    return static_cast<float>(scale * sum);
}

int32_t Decimate(const float* image, int32_t width, int32_t height, int32_t factor,
                 const FilterKernel* kernel, float* out, int32_t* outWidth, int32_t* outHeight) {
    const int32_t columns = width % 2 + width / factor;
    const int32_t rows = height % 2 + height / factor;
    if (!CanHalveMirrored(width, height, factor, kernel) ||
        !HalveMirrored(image, width, height, *kernel, out, columns, rows)) {
        for (int32_t j = 0; j < rows; ++j) {
            for (int32_t i = 0; i < columns; ++i) {
                out[j * columns + i] =
                    FilterSample(image, width, height, i * factor, j * factor, kernel, 1.0f);
            }
        }
    }
    if (outWidth != nullptr) {
        *outWidth = columns;
    }
    if (outHeight != nullptr) {
        *outHeight = rows;
    }
    return 0;
}
