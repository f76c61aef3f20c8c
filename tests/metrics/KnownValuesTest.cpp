// Known values: of the statistics, created by name as the program creates
// them, of the registry's parsing and of the exported helpers. That the
// kernels, with their fixed weights and exponents, follow their definition
// everywhere else is KernelExactnessTest's part.
#include "metrics/AlgorithmRegistry.h"
#include "metrics/ExportedHelpers.h"
#include "tests/metrics/TilePairs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <set>
#include <string>
#include <tuple>

namespace {

TEST(StatisticsTest, KnownValuesAndSizeLimits) {
    const TilePair identical = NoisyTiles(176, 177, 255, 8, true); // the smallest for MS-SSIM
    // The statistic, the peak value, the tiles, the value and its tolerance.
    const std::tuple<const char*, float, TilePair, float, float> cases[] = {
        {"mse", 255, identical, 0, 0},
        {"psnr", 255, identical, 0, 0},
        {"ssim", 255, identical, 1, 1e-6f},
        {"ms-ssim", 255, identical, 1, 1e-5f},
        {"mse", 255, {2, 1, {0, 0}, {1, 3}}, 5, 0},
        // The errors: largest, mean absolute, root mean square, mean of c - o.
        {"pae", 255, {2, 1, {0, 0}, {1, 3}}, 3, 0},
        {"mae", 255, {2, 1, {0, 0}, {1, 3}}, 2, 0},
        {"rmse", 255, {2, 1, {0, 0}, {1, 3}}, 2.23606798f, 0},
        {"bias", 255, {2, 1, {1, 3}, {0, 4}}, 0, 0},
        {"bias", 255, {2, 1, {1, 3}, {0, 0}}, -2, 0},
        // 10 log10(peak^2 / MSE)
        {"psnr", 255, ConstantTiles(16, 16, 0, 1), 48.1308f, 1e-4f},
        {"psnr", 255, ConstantTiles(16, 16, 10, 12), 42.1102f, 1e-4f},
        {"psnr", 65535, ConstantTiles(16, 16, 0, 1), 96.3295f, 1e-4f},
        // An MSE of 3 / 8: with the ratio peak^2 / MSE rounded to float, as
        // the reported values are; in double it would be 100.589157.
        {"psnr", 65535, {8, 1, std::vector<float>(8, 0), {1, 1, 1, 0, 0, 0, 0, 0}}, 100.589149f, 0},
        // (2 x 100 x 110 + C1) / (100^2 + 110^2 + C1) with C1 = (0.01 peak)^2
        {"ssim", 255, ConstantTiles(64, 64, 100, 110), 0.9955f, 5e-5f},
        {"ssim", 65535, ConstantTiles(64, 64, 100, 110), 0.99978f, 1e-5f},
        // SSIM needs one complete 11 x 11 window, MS-SSIM one at its fifth
        // scale: 176 halved four times, rounding down.
        {"ssim", 255, NoisyTiles(11, 11, 255, 1, true), 1, 1e-6f},
        {"ssim", 255, ConstantTiles(10, 11, 5, 5), INFINITY, 0},
        {"ssim", 255, ConstantTiles(11, 10, 5, 5), INFINITY, 0},
        {"ms-ssim", 255, ConstantTiles(175, 256, 5, 5), INFINITY, 0},
        {"ms-ssim", 255, ConstantTiles(256, 175, 5, 5), INFINITY, 0},
    };
    for (const auto& [name, peak, tiles, expected, tolerance] : cases) {
        CAlgorithmRegistry registry; // created by name, as the program creates them
        std::vector<CAlgorithm*> created;
        ASSERT_TRUE(registry.CreateAlgorithms(name, peak, created)) << name;
        const float value = created[0]->Compute(tiles.original.data(), tiles.compressed.data(),
                                                tiles.width, tiles.height);
        EXPECT_TRUE(value == expected || std::fabs(value - expected) <= tolerance)
            << name << " at peak " << peak << " of " << tiles.width << "x" << tiles.height << ": "
            << value << " computed, " << expected << " expected";
    }
}

TEST(StatisticsTest, MaskedStatisticsAreThoseOfTheValidPixelsAlone) {
    const TilePair t = NoisyTiles(180, 176, 255, 9);
    const std::vector<uint8_t> all(t.original.size(), 1), none(all.size(), 0);
    std::vector<uint8_t> scattered(all.size());
    TilePair kept{0, 1, {}, {}}; // the valid pixels of `scattered` in row order, as one row
    for (size_t i = 0; i < all.size(); ++i) {
        if ((scattered[i] = i % 7 != 3)) {
            kept.original.push_back(t.original[i]);
            kept.compressed.push_back(t.compressed[i]);
            ++kept.width;
        }
    }
    // The statistic, the mask, and the tiles whose Compute it must give to
    // the bit (none: no value). MS-SSIM cannot leave pixels out.
    std::vector<std::tuple<const char*, const std::vector<uint8_t>*, const TilePair*>> cases = {
        {"mse", &scattered, &kept}, {"psnr", &scattered, &kept}, {"ms-ssim", &scattered, nullptr}};
    for (const char* name : {"mse", "psnr", "ssim", "ms-ssim", "pae", "mae", "rmse", "bias"}) {
        cases.insert(cases.end(), {{name, &all, &t}, {name, &none, nullptr}});
    }
    for (const char* name : {"pae", "mae", "rmse", "bias"}) {
        cases.push_back({name, &scattered, &kept});
    }
    CAlgorithmRegistry registry;
    for (const auto& [name, mask, expected] : cases) {
        std::vector<CAlgorithm*> created;
        ASSERT_TRUE(registry.CreateAlgorithms(name, 255, created));
        const std::optional<float> masked = created[0]->ComputeMasked(
            t.original.data(), t.compressed.data(), mask->data(), t.width, t.height);
        ASSERT_EQ(expected != nullptr, masked.has_value()) << name;
        if (expected != nullptr) {
            const float value =
                created[0]->Compute(expected->original.data(), expected->compressed.data(),
                                    expected->width, expected->height);
            EXPECT_EQ(std::bit_cast<uint32_t>(value), std::bit_cast<uint32_t>(*masked)) << name;
        }
    }
}

// The figure over two tiles of different sizes is the figure of all their
// pixels at once, computed here plainly in double.
TEST(StatisticsTest, WholeAreaFiguresPoolEveryPixelOfTheTiles) {
    const TilePair first = NoisyTiles(30, 20, 255, 5), second = NoisyTiles(7, 3, 255, 40);
    double squares = 0, absolutes = 0, signedSum = 0, largest = 0, pixels = 0;
    for (const TilePair* tile : {&first, &second}) {
        for (size_t i = 0; i < tile->original.size(); ++i) {
            const double d = double(tile->original[i]) - double(tile->compressed[i]);
            squares += d * d, absolutes += std::fabs(d), signedSum -= d, ++pixels;
            largest = std::max(largest, std::fabs(d));
        }
    }
    const std::pair<const char*, double> cases[] = {
        {"mse", squares / pixels},
        {"psnr", 10 * std::log10(1000.0 * 1000.0 * pixels / squares)},
        {"pae", largest},
        {"mae", absolutes / pixels},
        {"rmse", std::sqrt(squares / pixels)},
        {"bias", signedSum / pixels},
    };
    CAlgorithmRegistry registry;
    for (const auto& [name, expected] : cases) {
        std::vector<CAlgorithm*> created;
        ASSERT_TRUE(registry.CreateAlgorithms(name, 1000, created));
        AreaTerm area;
        for (const TilePair* tile : {&first, &second}) {
            const TileValue value = created[0]->Measure(
                tile->original.data(), tile->compressed.data(), nullptr, tile->width, tile->height);
            ASSERT_TRUE(value.term) << name;
            created[0]->Pool(area, *value.term);
        }
        EXPECT_NEAR(*created[0]->AreaFigure(area), expected, 1e-9 * std::fabs(expected)) << name;
    }
    // A perfect copy: PSNR infinite over the area, though 0 on each tile.
    std::vector<CAlgorithm*> psnr;
    registry.CreateAlgorithms("psnr", 255, psnr);
    const TileValue identical = psnr[0]->Measure(first.original.data(), first.original.data(),
                                                 nullptr, first.width, first.height);
    EXPECT_EQ(*identical.value, 0.0f);
    EXPECT_EQ(*psnr[0]->AreaFigure(*identical.term), INFINITY);
    // SSIM and MS-SSIM have no such figure.
    std::vector<CAlgorithm*> ssim;
    registry.CreateAlgorithms("ssim,ms-ssim", 255, ssim);
    EXPECT_FALSE(ssim[0]->HasAreaFigure() || ssim[1]->HasAreaFigure());
}

TEST(AlgorithmRegistryTest, AppendsTheNamedStatisticsInTheOrderOfTheText) {
    // The text, whether all was known, and the statistics after the caller's
    // own "mse": each as often as named, up to the first unknown name.
    const std::tuple<const char*, bool, std::string> cases[] = {
        {"ssim, psnr", true, "mse ssim psnr "},  {" \tmse\r\n,ms-ssim ", true, "mse mse ms-ssim "},
        {"psnr,psnr", true, "mse psnr psnr "},   {"all", true, "mse ms-ssim mse psnr ssim "},
        {"mse,unknown,psnr", false, "mse mse "}, {"SSIM", false, "mse "},
        {"ssim,,mse", false, "mse ssim "},       {"All", false, "mse "},
    };
    for (const auto& [text, created, expected] : cases) {
        CAlgorithmRegistry registry, other;
        std::vector<CAlgorithm*> algorithms;
        ASSERT_TRUE(other.CreateAlgorithms("mse", 255.0f, algorithms));
        EXPECT_EQ(created, registry.CreateAlgorithms(text, 255.0f, algorithms)) << text;
        std::string names;
        for (const CAlgorithm* algorithm : algorithms) {
            names = names + algorithm->GetName() + " ";
        }
        EXPECT_EQ(expected, names) << text;
        EXPECT_EQ(algorithms.size(), std::set(algorithms.begin(), algorithms.end()).size());
    }
    const CAlgorithmRegistry registry;
    const char* names[] = {"mse", "psnr", "ssim", "ms-ssim", "MSE", "all", "ssim ", ""};
    for (int32_t i = 0; i < 8; ++i) {
        EXPECT_EQ(i < 4, registry.HasAlgorithm(names[i])) << names[i]; // only the first four
    }
}

TEST(ExportedHelpersTest, RoundMaxMinAndTheComparisonsOnExamples) {
    // Halves go away from zero.
    EXPECT_EQ((std::array{3, 2, -3, -2, 0, 7}),
              (std::array{_round(2.5f), _round(2.49f), _round(-2.5f), _round(-2.4f), _round(0.0f),
                          _round(7.0f)}));
    EXPECT_EQ((std::array{5, 5, -3, -3}),
              (std::array{_max(5, -3), _max(-3, 5), _min(5, -3), _min(-3, 5)}));

    // 0 when both values round to the same at the given number of decimals.
    const std::tuple<float, float, int32_t, int32_t> pairs[] = {
        {1.234f, 1.2349f, 3, 1},   {1.234f, 1.2341f, 3, 0}, {1.234f, 1.2349f, 2, 0},
        {-1.234f, -1.2349f, 3, 1}, {-1.5f, -1.54f, 1, 0},   {2.0f, 3.0f, 0, 1},
        {2.5f, 3.0f, 0, 0}}; // an exact half goes up too
    for (const auto& [a, b, digits, differ] : pairs) {
        EXPECT_EQ(differ, _cmp_float(a, b, digits)) << a << " " << b << " " << digits;
    }

    // 1 as soon as one of the width x height pairs differs.
    const float a[] = {1, 2, 3, 4}, near[] = {1.0001f, 2, 3, 4.0002f}, last[] = {1, 2, 3, 4.1f};
    EXPECT_EQ(0, _matrix_cmp(a, near, 2, 2, 3));
    EXPECT_EQ(1, _matrix_cmp(a, last, 2, 2, 3));
    EXPECT_EQ(0, _matrix_cmp(a, last, 3, 1, 3));
    EXPECT_EQ(0, _matrix_cmp(nullptr, nullptr, 0, 5, 3));
    EXPECT_EQ(0, _matrix_cmp(nullptr, nullptr, -2, 5, 3));
}

} // namespace
