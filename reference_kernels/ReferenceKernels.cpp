#include "reference_kernels/ReferenceKernels.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <vector>

namespace reference {

namespace {

constexpr float kInfinity = std::numeric_limits<float>::infinity();

// MS-SSIM's published exponents by scale, from full size to coarsest; the
// luminance term only counts at the coarsest.
constexpr float kLuminanceExponents[5] = {0.0f, 0.0f, 0.0f, 0.0f, 0.1333f};
constexpr float kContrastExponents[5] = {0.0448f, 0.2856f, 0.3001f, 0.2363f, 0.1333f};
constexpr float kStructureExponents[5] = {0.0448f, 0.2856f, 0.3001f, 0.2363f, 0.1333f};

// The published upper-left quadrant of the 9/7 low-pass filter, centre row
// and column last; the rest mirrors it.
constexpr float kLowPassQuadrant[5][5] = {
    {0.000714f, -0.000450f, -0.002090f, 0.007132f, 0.016114f},
    {-0.000450f, 0.000283f, 0.001316f, -0.004490f, -0.010146f},
    {-0.002090f, 0.001316f, 0.006115f, -0.020867f, -0.047149f},
    {0.007132f, -0.004490f, -0.020867f, 0.071207f, 0.160885f},
    {0.016114f, -0.010146f, -0.047149f, 0.160885f, 0.363505f}};

FilterKernel Window() {
    return {GaussianWindow11(), 11, 11, 1, reference::MirrorSample, 0.0f};
}

float KernelScale(const FilterKernel* k) {
    double sum = 0;
    for (int32_t t = 0; t < k->width * k->height; ++t) {
        sum = sum + static_cast<double>(k->weights[t]);
    }
    return k->normalized != 0 || sum == 0 ? 1.0f : static_cast<float>(1.0 / sum);
}

void StoreSize(int32_t* pw, int32_t* ph, int32_t ow, int32_t oh) {
    int32_t unused[2];
    *(pw != nullptr ? pw : &unused[0]) = ow;
    *(ph != nullptr ? ph : &unused[1]) = oh;
}

// sign(value) x |value|^exponent; the value itself for an exponent of 1.
double Raise(double value, float exponent) {
    const double sign = value < 0 ? -1.0 : 1.0;
    return exponent == 1 ? value : sign * std::pow(std::fabs(value), static_cast<double>(exponent));
}

float FilterSample(const float* image, int32_t w, int32_t h, int32_t x, int32_t y,
                   const FilterKernel* k) {
    const int32_t hw = k->width / 2, hh = k->height / 2;
    const int32_t ew = k->width % 2 == 0 ? 1 : 0, eh = k->height % 2 == 0 ? 1 : 0;
    const bool border = x < hw || y < hh || x >= w - hw || y >= h - hh;
    double acc = 0;
    int32_t t = 0;
    for (int32_t wy = y - hh; wy <= y + hh - eh; ++wy) {
        for (int32_t wx = x - hw; wx <= x + hw - ew; ++wx) {
            const float sample = border ? k->borderFunction(image, w, h, wx, wy, k->borderParameter)
                                        : image[wy * w + wx];
            const float product = k->weights[t++] * sample;
            acc = acc + static_cast<double>(product);
        }
    }
    return static_cast<float>(acc); // Decimate filters unscaled
}

// SSIM: the mean of luminance x contrast x structure.
int32_t AccumulateProduct(const double* terms, void* context) {
    double* sum = static_cast<double*>(context);
    *sum = *sum + (terms[1] * terms[0]) * terms[2];
    return 0;
}

float CombineMean(int32_t ow, int32_t oh, void* context) {
    return static_cast<float>(*static_cast<double*>(context) / static_cast<double>(ow * oh));
}

// One MS-SSIM scale: the three terms summed apart, their means raised to the
// scale's exponents.
struct ScaleSums {
    size_t scale;
    double sum[3];
};

int32_t AccumulateTerms(const double* terms, void* context) {
    double* sum = static_cast<ScaleSums*>(context)->sum;
    for (int32_t t = 0; t < 3; ++t) {
        sum[t] = sum[t] + terms[t];
    }
    return 0;
}

float CombineScale(int32_t ow, int32_t oh, void* context) {
    const ScaleSums* m = static_cast<ScaleSums*>(context);
    const double n = static_cast<double>(ow * oh);
    const double lm = std::pow(m->sum[0] / n, static_cast<double>(kLuminanceExponents[m->scale]));
    const double cm = std::pow(m->sum[1] / n, static_cast<double>(kContrastExponents[m->scale]));
    const double sm =
        std::pow(std::fabs(m->sum[2] / n), static_cast<double>(kStructureExponents[m->scale]));
    return static_cast<float>((cm * lm) * sm);
}

// Masked SSIM: the product of the terms summed only at the positions whose
// 11 x 11 footprint is all valid. The core visits the positions row by row,
// so the number of calls so far gives the position.
struct ValidWindows {
    const uint8_t* valid;
    int32_t width;
    int32_t calls;
    int32_t counted;
    double sum;
};

int32_t AccumulateValidProduct(const double* terms, void* context) {
    ValidWindows* m = static_cast<ValidWindows*>(context);
    const int32_t x = m->calls % (m->width - 10), y = m->calls / (m->width - 10);
    m->calls = m->calls + 1;
    for (int32_t j = 0; j < 11; ++j) {
        for (int32_t i = 0; i < 11; ++i) {
            if (m->valid[(y + j) * m->width + (x + i)] == 0) {
                return 0;
            }
        }
    }
    m->sum = m->sum + (terms[1] * terms[0]) * terms[2];
    m->counted = m->counted + 1;
    return 0;
}

float CombineValidMean(int32_t, int32_t, void* context) {
    const ValidWindows* m = static_cast<ValidWindows*>(context);
    return static_cast<float>(m->sum / static_cast<double>(m->counted));
}

} // namespace

const float* GaussianWindow11() {
    // The 11 taps exp(-k^2 / 4.5), k = -5 ... 5, divided by their sum; each
    // weight is the product of two taps rounded to six decimals.
    static const std::array<float, 121> window = [] {
        double taps[11];
        double sum = 0;
        for (int32_t k = -5; k <= 5; ++k) {
            taps[k + 5] = std::exp(-static_cast<double>(k * k) / 4.5);
            sum += taps[k + 5];
        }
        std::array<float, 121> weights{};
        for (size_t i = 0; i < weights.size(); ++i) {
            const double product = taps[i / 11] / sum * (taps[i % 11] / sum);
            weights[i] = static_cast<float>(std::round(product * 1e6) / 1e6);
        }
        return weights;
    }();
    return window.data();
}

const float* LowPass9() {
    static const std::array<float, 81> filter = [] {
        std::array<float, 81> weights{};
        for (size_t i = 0; i < weights.size(); ++i) {
            const size_t row = i / 9, column = i % 9;
            weights[i] = kLowPassQuadrant[std::min(row, 8 - row)][std::min(column, 8 - column)];
        }
        return weights;
    }();
    return filter.data();
}

float ComputeMSE(const float* a, const float* b, int32_t width, int32_t height) {
    double sum = 0;
    for (int32_t i = 0; i < width * height; ++i) {
        const double difference = static_cast<double>(a[i] - b[i]);
        sum = sum + difference * difference;
    }
    return static_cast<float>(sum / static_cast<double>(width * height));
}

void ConvolveValid(float* image, int32_t w, int32_t h, const FilterKernel* k, float* out,
                   int32_t* pw, int32_t* ph) {
    const int32_t ow = w - k->width + 1, oh = h - k->height + 1;
    const float s = reference::KernelScale(k);
    float* target = out != nullptr ? out : image;
    for (int32_t y = 0; y < oh; ++y) {
        for (int32_t x = 0; x < ow; ++x) {
            double acc = 0;
            for (int32_t j = 0; j < k->height; ++j) {
                for (int32_t i = 0; i < k->width; ++i) {
                    // The product in float, added in double.
                    acc = acc + static_cast<double>(image[(y + j) * w + (x + i)] *
                                                    k->weights[j * k->width + i]);
                }
            }
            target[y * ow + x] = static_cast<float>(static_cast<double>(s) * acc);
        }
    }
    StoreSize(pw, ph, ow, oh);
}

float MirrorSample(const float* image, int32_t w, int32_t h, int32_t x, int32_t y, float) {
    const auto mirror = [](int32_t p, int32_t n) {
        return p < 0 ? -p - 1 : p >= n ? 2 * n - p - 1 : p;
    };
    return image[mirror(y, h) * w + mirror(x, w)];
}

int32_t Decimate(const float* image, int32_t w, int32_t h, int32_t f, const FilterKernel* k,
                 float* out, int32_t* pw, int32_t* ph) {
    const int32_t ow = (w % 2) + w / f, oh = (h % 2) + h / f;
    for (int32_t j = 0; j < oh; ++j) {
        for (int32_t i = 0; i < ow; ++i) {
            out[j * ow + i] = FilterSample(image, w, h, i * f, j * f, k);
        }
    }
    StoreSize(pw, ph, ow, oh);
    return 0;
}

float SSIMCore(const float* a, const float* b, int32_t w, int32_t h, const FilterKernel* window,
               const SSIMCallbacks* cb, const SSIMParameters* p) {
    const float k1l = p->K1 * p->L, k2l = p->K2 * p->L;
    const float C1 = k1l * k1l, C2 = k2l * k2l, C3 = C2 / 2;
    const int32_t n = w * h;
    std::vector<float> muA(n), muB(n), Saa(n), Sbb(n), Sab(n);
    // With an output buffer the image is only read.
    reference::ConvolveValid(const_cast<float*>(a), w, h, window, muA.data(), nullptr, nullptr);
    reference::ConvolveValid(const_cast<float*>(b), w, h, window, muB.data(), nullptr, nullptr);
    for (int32_t i = 0; i < n; ++i) {
        Saa[i] = a[i] * a[i];
        Sbb[i] = b[i] * b[i];
        Sab[i] = a[i] * b[i];
    }
    int32_t ow = 0, oh = 0;
    reference::ConvolveValid(Saa.data(), w, h, window, nullptr, nullptr, nullptr);
    reference::ConvolveValid(Sbb.data(), w, h, window, nullptr, nullptr, nullptr);
    reference::ConvolveValid(Sab.data(), w, h, window, nullptr, &ow, &oh);

    for (int32_t y = 0; y < oh; ++y) {
        for (int32_t x = 0; x < ow; ++x) {
            const int32_t i = y * ow + x;
            const float varA = std::max(Saa[i] - muA[i] * muA[i], 0.0f);
            const float varB = std::max(Sbb[i] - muB[i] * muB[i], 0.0f);
            const float covariance = Sab[i] - muA[i] * muB[i];
            const double r = std::sqrt(static_cast<double>(varA * varB)); // of a float product

            const float muA2 = muA[i] * muA[i], muB2 = muB[i] * muB[i];
            // The sums in the denominators are taken in float. Without C3
            // and correlation, s is 1 when both variances vanish, 0 when one
            // does.
            const double l =
                C1 == 0 && muA2 == 0 && muB2 == 0
                    ? 1
                    : (static_cast<double>(muA[i]) * 2.0 * static_cast<double>(muB[i]) +
                       static_cast<double>(C1)) /
                          static_cast<double>(muA2 + muB2 + C1);
            const double c =
                C2 == 0 && varA + varB == 0
                    ? 1
                    : (r + r + static_cast<double>(C2)) / static_cast<double>(varA + varB + C2);
            const double s =
                C3 == 0 && r == 0 && (varA == 0 || varB == 0)
                    ? (varA == 0 && varB == 0 ? 1 : 0)
                    : static_cast<double>(covariance + C3) / (static_cast<double>(C3) + r);
            const double terms[3] = {Raise(l, p->alpha), Raise(c, p->beta), Raise(s, p->gamma)};
            if (cb->accumulate(terms, cb->context) != 0) {
                return kInfinity;
            }
        }
    }
    return cb->combine(ow, oh, cb->context);
}

float ComputeSSIM(const float* a, const float* b, int32_t w, int32_t h, const SSIMParameters* p) {
    double sum = 0;
    const SSIMCallbacks callbacks{AccumulateProduct, CombineMean, &sum};
    const FilterKernel window = Window();
    return reference::SSIMCore(a, b, w, h, &window, &callbacks, p);
}

float ComputeMSSSIM(const float* a, const float* b, int32_t w, int32_t h) {
    if (w < 176 || h < 176) { // an 11 x 11 window at the fifth scale
        return kInfinity;
    }
    const FilterKernel lowPass{LowPass9(), 9, 9, 1, MirrorSample, 0.0f};
    const FilterKernel window = Window();
    const SSIMParameters parameters{1, 1, 1, 255, 0, 0, 1};
    std::vector<float> levelA(a, a + w * h), levelB(b, b + w * h);
    int32_t u = w, v = h;
    float result = 1.0f;
    for (size_t k = 0; k < 5 && result != kInfinity; ++k) {
        if (k > 0) { // filter and halve, rounding up
            std::vector<float> nextA(u * v), nextB(u * v);
            reference::Decimate(levelA.data(), u, v, 2, &lowPass, nextA.data(), nullptr, nullptr);
            reference::Decimate(levelB.data(), u, v, 2, &lowPass, nextB.data(), &u, &v);
            levelA.swap(nextA);
            levelB.swap(nextB);
        }
        ScaleSums sums{k, {0, 0, 0}};
        const SSIMCallbacks callbacks{AccumulateTerms, CombineScale, &sums};
        result = result * reference::SSIMCore(levelA.data(), levelB.data(), u, v, &window,
                                              &callbacks, &parameters);
    }
    return result;
}

std::optional<float> ComputeMaskedMSE(const float* a, const float* b, const uint8_t* valid,
                                      int32_t width, int32_t height) {
    double sum = 0;
    int32_t counted = 0;
    for (int32_t i = 0; i < width * height; ++i) {
        if (valid[i] != 0) {
            const double difference = static_cast<double>(a[i] - b[i]);
            sum = sum + difference * difference;
            counted = counted + 1;
        }
    }
    if (counted == 0) {
        return std::nullopt;
    }
    return static_cast<float>(sum / static_cast<double>(counted));
}

std::optional<float> ComputeMaskedSSIM(const float* a, const float* b, const uint8_t* valid,
                                       int32_t w, int32_t h, const SSIMParameters* p) {
    ValidWindows windows{valid, w, 0, 0, 0};
    const SSIMCallbacks callbacks{AccumulateValidProduct, CombineValidMean, &windows};
    const FilterKernel window = Window();
    const float result = reference::SSIMCore(a, b, w, h, &window, &callbacks, p);
    if (windows.counted == 0) {
        return std::nullopt;
    }
    return result;
}

} // namespace reference
