#include "tests/metrics/ReferenceKernels.h"

#include "metrics/KernelTables.h"

#include <cmath>
#include <limits>
#include <vector>

namespace reference {

namespace {

constexpr float kInfinity = std::numeric_limits<float>::infinity();

float KernelScale(const FilterKernel* k) {
    if (k->normalized != 0) {
        return 1.0f;
    }
    double sum = 0;
    for (int32_t t = 0; t < k->width * k->height; ++t) {
        sum += static_cast<double>(k->weights[t]);
    }
    if (sum == 0) {
        return 1.0f;
    }
    return static_cast<float>(1.0 / sum);
}

FilterKernel Window() {
    return {GaussianWindow11, 11, 11, 1, MirrorSample, 0.0f};
}

double SignedPower(double value, float exponent) {
    const double sign = value < 0 ? -1.0 : 1.0;
    return sign * std::pow(std::fabs(value), static_cast<double>(exponent));
}

int32_t AccumulateProduct(const double* terms, void* context) {
    double* sum = static_cast<double*>(context);
    const double l = terms[0];
    const double c = terms[1];
    const double s = terms[2];
    *sum = *sum + (c * l) * s;
    return 0;
}

float CombineMean(int32_t ow, int32_t oh, void* context) {
    const double sum = *static_cast<double*>(context);
    const int32_t n = ow * oh;
    return static_cast<float>(sum / static_cast<double>(n));
}

struct MultiScaleContext {
    double luminance;
    double contrast;
    double structure;
    float luminanceExponent;
    float contrastExponent;
    float structureExponent;
};

int32_t AccumulateTerms(const double* terms, void* context) {
    MultiScaleContext* m = static_cast<MultiScaleContext*>(context);
    m->luminance = m->luminance + terms[0];
    m->contrast = m->contrast + terms[1];
    m->structure = m->structure + terms[2];
    return 0;
}

float CombineScale(int32_t ow, int32_t oh, void* context) {
    MultiScaleContext* m = static_cast<MultiScaleContext*>(context);
    const int32_t product = ow * oh;
    const double n = static_cast<double>(product);
    const double lm = std::pow(m->luminance / n, static_cast<double>(m->luminanceExponent));
    const double cm = std::pow(m->contrast / n, static_cast<double>(m->contrastExponent));
    const double sm =
        std::pow(std::fabs(m->structure / n), static_cast<double>(m->structureExponent));
    m->luminance = lm;
    m->contrast = cm;
    m->structure = sm;
    const double result = (cm * lm) * sm;
    return static_cast<float>(result);
}

} // namespace

float ComputeMSE(const float* a, const float* b, int32_t width, int32_t height) {
    const int32_t product = width * height;
    const double n = static_cast<double>(product);
    double sum = 0;
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            const float difference = a[y * width + x] - b[y * width + x];
            const double wide = static_cast<double>(difference);
            sum = sum + wide * wide;
        }
    }
    return static_cast<float>(sum / n);
}

void ConvolveValid(float* image, int32_t w, int32_t h, const FilterKernel* k, float* out,
                   int32_t* pw, int32_t* ph) {
    const int32_t ow = w - k->width + 1;
    const int32_t oh = h - k->height + 1;
    const float s = reference::KernelScale(k);
    for (int32_t y = 0; y < oh; ++y) {
        for (int32_t x = 0; x < ow; ++x) {
            double acc = 0;
            for (int32_t j = 0; j < k->height; ++j) {
                for (int32_t i = 0; i < k->width; ++i) {
                    const float sample = image[(y + j) * w + (x + i)];
                    const float weight = k->weights[j * k->width + i];
                    const float product = sample * weight;
                    acc = acc + static_cast<double>(product);
                }
            }
            const float result = static_cast<float>(static_cast<double>(s) * acc);
            if (out != nullptr) {
                out[y * ow + x] = result;
            } else {
                image[y * ow + x] = result;
            }
        }
    }
    if (pw != nullptr) {
        *pw = ow;
    }
    if (ph != nullptr) {
        *ph = oh;
    }
}

float MirrorSample(const float* image, int32_t w, int32_t h, int32_t x, int32_t y,
                   float /*parameter*/) {
    int32_t mx = x;
    if (x < 0) {
        mx = -x - 1;
    } else if (x >= w) {
        mx = 2 * w - x - 1;
    }
    int32_t my = y;
    if (y < 0) {
        my = -y - 1;
    } else if (y >= h) {
        my = 2 * h - y - 1;
    }
    return image[my * w + mx];
}

float FilterSample(const float* image, int32_t w, int32_t h, int32_t x, int32_t y,
                   const FilterKernel* k, float s) {
    if (k == nullptr) {
        return image[y * w + x];
    }
    const int32_t hw = k->width / 2;
    const int32_t hh = k->height / 2;
    const int32_t ew = k->width % 2 == 0 ? 1 : 0;
    const int32_t eh = k->height % 2 == 0 ? 1 : 0;
    const bool border = x < hw || y < hh || x >= w - hw || y >= h - hh;
    double acc = 0;
    int32_t t = 0;
    for (int32_t wy = y - hh; wy <= y + hh - eh; ++wy) {
        for (int32_t wx = x - hw; wx <= x + hw - ew; ++wx) {
            float sample;
            if (border) {
                sample = k->borderFunction(image, w, h, wx, wy, k->borderParameter);
            } else {
                sample = image[wy * w + wx];
            }
            const float product = k->weights[t] * sample;
            acc = acc + static_cast<double>(product);
            ++t;
        }
    }
    return static_cast<float>(static_cast<double>(s) * acc);
}

int32_t Decimate(const float* image, int32_t w, int32_t h, int32_t f, const FilterKernel* k,
                 float* out, int32_t* pw, int32_t* ph) {
    const int32_t ow = (w % 2) + w / f;
    const int32_t oh = (h % 2) + h / f;
    for (int32_t j = 0; j < oh; ++j) {
        for (int32_t i = 0; i < ow; ++i) {
            out[j * ow + i] = reference::FilterSample(image, w, h, i * f, j * f, k, 1.0f);
        }
    }
    if (pw != nullptr) {
        *pw = ow;
    }
    if (ph != nullptr) {
        *ph = oh;
    }
    return 0;
}

float SSIMCore(float* a, float* b, int32_t w, int32_t h, const FilterKernel* window,
               const SSIMCallbacks* cb, const SSIMParameters* p) {
    const float k1l = p->K1 * p->L;
    const float k2l = p->K2 * p->L;
    const float C1 = k1l * k1l;
    const float C2 = k2l * k2l;
    const float C3 = C2 / 2;

    const int32_t n = w * h;
    std::vector<float> muA(n), muB(n), Saa(n), Sbb(n), Sab(n);

    reference::ConvolveValid(a, w, h, window, muA.data(), nullptr, nullptr);
    reference::ConvolveValid(b, w, h, window, muB.data(), nullptr, nullptr);

    for (int32_t i = 0; i < n; ++i) {
        Saa[i] = a[i] * a[i];
        Sbb[i] = b[i] * b[i];
        Sab[i] = a[i] * b[i];
    }

    int32_t ow = 0;
    int32_t oh = 0;
    reference::ConvolveValid(Saa.data(), w, h, window, nullptr, nullptr, nullptr);
    reference::ConvolveValid(Sbb.data(), w, h, window, nullptr, nullptr, nullptr);
    reference::ConvolveValid(Sab.data(), w, h, window, nullptr, &ow, &oh);

    for (int32_t y = 0; y < oh; ++y) {
        for (int32_t x = 0; x < ow; ++x) {
            const int32_t i = y * ow + x;
            Saa[i] = Saa[i] - muA[i] * muA[i];
            Sbb[i] = Sbb[i] - muB[i] * muB[i];
            Sab[i] = Sab[i] - muA[i] * muB[i];
        }
    }

    for (int32_t y = 0; y < oh; ++y) {
        for (int32_t x = 0; x < ow; ++x) {
            const int32_t i = y * ow + x;
            if (Saa[i] < 0) {
                Saa[i] = 0;
            }
            if (Sbb[i] < 0) {
                Sbb[i] = 0;
            }
            const float varA = Saa[i];
            const float varB = Sbb[i];
            const float varProduct = varA * varB;
            const double r = std::sqrt(static_cast<double>(varProduct));

            const float muA2 = muA[i] * muA[i];
            const float muB2 = muB[i] * muB[i];
            double l;
            if (C1 == 0 && muA2 == 0 && muB2 == 0) {
                l = 1;
            } else {
                const double numerator =
                    static_cast<double>(muA[i]) * 2.0 * static_cast<double>(muB[i]) +
                    static_cast<double>(C1);
                const float denominator = muA2 + muB2 + C1;
                l = numerator / static_cast<double>(denominator);
            }
            if (p->alpha != 1) {
                l = SignedPower(l, p->alpha);
            }

            const float varSum = varA + varB;
            double c;
            if (C2 == 0 && varSum == 0) {
                c = 1;
            } else {
                const double numerator = r + r + static_cast<double>(C2);
                const float denominator = varA + varB + C2;
                c = numerator / static_cast<double>(denominator);
            }
            if (p->beta != 1) {
                c = SignedPower(c, p->beta);
            }

            double s;
            if (C3 == 0 && r == 0 && varA == 0 && varB == 0) {
                s = 1;
            } else if (C3 == 0 && r == 0 && (varA == 0) != (varB == 0)) {
                s = 0;
            } else {
                const float numerator = Sab[i] + C3;
                const double denominator = static_cast<double>(C3) + r;
                s = static_cast<double>(numerator) / denominator;
            }
            if (p->gamma != 1) {
                s = SignedPower(s, p->gamma);
            }

            double terms[3] = {l, c, s};
            if (cb->accumulate(terms, cb->context) != 0) {
                return kInfinity;
            }
        }
    }
    return cb->combine(ow, oh, cb->context);
}

float ComputeSSIM(const float* a, const float* b, int32_t w, int32_t h, const SSIMParameters* p) {
    std::vector<float> copyA(a, a + w * h);
    std::vector<float> copyB(b, b + w * h);
    const FilterKernel window = Window();
    double sum = 0;
    const SSIMCallbacks callbacks{AccumulateProduct, CombineMean, &sum};
    return reference::SSIMCore(copyA.data(), copyB.data(), w, h, &window, &callbacks, p);
}

float ComputeMSSSIM(const float* a, const float* b, int32_t w, int32_t h) {
    int32_t u = w;
    int32_t v = h;
    for (int32_t k = 0; k < 5; ++k) {
        if (u < 11 || v < 11) {
            return kInfinity;
        }
        u = u / 2;
        v = v / 2;
    }
    const FilterKernel window = Window();
    const FilterKernel lowPass{LowPass9, 9, 9, 1, MirrorSample, 0.0f};

    std::vector<std::vector<float>> first(5);
    std::vector<std::vector<float>> second(5);
    u = w;
    v = h;
    for (int32_t k = 0; k < 5; ++k) {
        first[k].resize(u * v);
        second[k].resize(u * v);
        u = (u % 2) + u / 2;
        v = (v % 2) + v / 2;
    }
    first[0].assign(a, a + w * h);
    second[0].assign(b, b + w * h);

    u = w;
    v = h;
    for (int32_t k = 1; k < 5; ++k) {
        reference::Decimate(first[k - 1].data(), u, v, 2, &lowPass, first[k].data(), nullptr,
                            nullptr);
        reference::Decimate(second[k - 1].data(), u, v, 2, &lowPass, second[k].data(), &u, &v);
    }

    float result = 1.0f;
    u = w;
    v = h;
    for (int32_t k = 0; k < 5; ++k) {
        MultiScaleContext context{
            0, 0, 0, LuminanceExponents[k], ContrastExponents[k], StructureExponents[k]};
        const SSIMCallbacks callbacks{AccumulateTerms, CombineScale, &context};
        const SSIMParameters parameters{1, 1, 1, 255, 0, 0, 1};
        const float value = reference::SSIMCore(first[k].data(), second[k].data(), u, v, &window,
                                                &callbacks, &parameters);
        result = result * value;
        if (result == kInfinity) {
            break;
        }
        u = (u % 2) + u / 2;
        v = (v % 2) + v / 2;
    }
    return result;
}

} // namespace reference
