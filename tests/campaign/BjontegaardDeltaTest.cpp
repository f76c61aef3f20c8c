#include "campaign/BjontegaardDelta.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Curve = std::vector<RdPoint>;

// A typical curve: quality rising with the log of the rate.
const Curve kReference = {{0.25, 30.1}, {0.5, 33.4}, {1.0, 36.2}, {2.0, 39.9}, {4.0, 42.3}};

Curve Scaled(const Curve& curve, double rateFactor, double qualityShift) {
    Curve scaled;
    for (const RdPoint& point : curve) {
        scaled.push_back({point.rate * rateFactor, point.quality + qualityShift});
    }
    return scaled;
}

TEST(BjontegaardDelta, HandComputableCases) {
    struct Case {
        const char* name;
        Curve test;
        double ratePercent;
        double quality;
    };
    const Case cases[] = {
        {"the same curve", kReference, 0.0, 0.0},
        {"every rate 1.25 times", Scaled(kReference, 1.25, 0.0), 25.0, std::nan("")},
        {"every rate 0.8 times", Scaled(kReference, 0.8, 0.0), -20.0, std::nan("")},
        {"the points in another order",
         {kReference[3], kReference[0], kReference[4], kReference[1], kReference[2]},
         0.0,
         0.0},
    };
    for (const Case& c : cases) {
        const BdFigures figures = BjontegaardDelta(kReference, c.test);
        ASSERT_TRUE(figures.ratePercent && figures.quality) << c.name << ": " << figures.reason;
        EXPECT_NEAR(*figures.ratePercent, c.ratePercent, 1e-9) << c.name;
        if (!std::isnan(c.quality)) {
            EXPECT_NEAR(*figures.quality, c.quality, 1e-9) << c.name;
        }
    }
}

// A quality shift that leaves the rates alone moves BD-quality by the shift
// exactly, and BD-rate the opposite way.
TEST(BjontegaardDelta, AQualityShiftIsTheBdQuality) {
    const BdFigures better = BjontegaardDelta(kReference, Scaled(kReference, 1.0, 0.5));
    ASSERT_TRUE(better.quality && better.ratePercent) << better.reason;
    EXPECT_NEAR(*better.quality, 0.5, 1e-9);
    EXPECT_LT(*better.ratePercent, 0.0);
}

TEST(BjontegaardDelta, CurvesThatCannotBeComparedSayWhy) {
    struct Case {
        Curve test;
        const char* reason;
    };
    const Case cases[] = {
        {{{0.5, 33.0}, {1.0, 36.0}, {2.0, 39.0}}, "the compared curve has 3 points, at least 4"},
        {{{0.5, 33.0}, {1.0, 36.0}, {2.0, 35.0}, {4.0, 40.0}}, "quality is not strictly monotonic"},
        {{{0.5, 33.0}, {0.5, 36.0}, {2.0, 38.0}, {4.0, 40.0}}, "two points at the same rate"},
        {{{0.0, 33.0}, {1.0, 36.0}, {2.0, 38.0}, {4.0, 40.0}}, "not a positive number"},
        {{{8.0, 50.0}, {9.0, 51.0}, {10.0, 52.0}, {11.0, 53.0}}, "share no quality range"},
    };
    for (const Case& c : cases) {
        const BdFigures figures = BjontegaardDelta(kReference, c.test);
        EXPECT_FALSE(figures.ratePercent) << c.reason;
        EXPECT_NE(figures.reason.find(c.reason), std::string::npos) << figures.reason;
    }
}

// Against the formula written plainly in Python and integrated numerically.
TEST(BjontegaardDelta, AgreesWithAPlainScriptOfTheFormula) {
    std::mt19937 random(20);
    std::uniform_real_distribution<double> jitter(0.0, 1.0);
    std::vector<std::pair<Curve, Curve>> cases;
    for (int c = 0; c < 12; ++c) {
        Curve reference, test;
        double rate = 0.1 + jitter(random), quality = 25.0 + 5.0 * jitter(random);
        double testRate = rate * (0.6 + jitter(random)), testQuality = quality - 1.0;
        for (int point = 0; point < 4 + c % 3; ++point) {
            reference.push_back({rate, quality});
            test.push_back({testRate, testQuality});
            rate *= 1.5 + jitter(random);
            testRate *= 1.5 + jitter(random);
            quality += 0.5 + 4.0 * jitter(random);
            testQuality += 0.5 + 4.0 * jitter(random);
        }
        cases.emplace_back(reference, test);
    }
    std::ostringstream input;
    input.precision(17);
    input << "[";
    for (size_t c = 0; c < cases.size(); ++c) {
        input << (c ? "," : "") << "{";
        for (const auto& [key, curve] :
             {std::pair{"reference", &cases[c].first}, std::pair{"test", &cases[c].second}}) {
            input << (key[0] == 't' ? ",\"" : "\"") << key << "\":[";
            for (size_t p = 0; p < curve->size(); ++p) {
                input << (p ? "," : "") << "[" << (*curve)[p].rate << "," << (*curve)[p].quality
                      << "]";
            }
            input << "]";
        }
        input << "}";
    }
    input << "]";
    const std::string command = "echo '" + input.str() + "' | python3 " ZARNIK_BD_REFERENCE;
    FILE* const pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    for (const auto& [reference, test] : cases) {
        double ratePercent = 0.0, quality = 0.0;
        ASSERT_EQ(std::fscanf(pipe, "%lf %lf", &ratePercent, &quality), 2);
        const BdFigures figures = BjontegaardDelta(reference, test);
        ASSERT_TRUE(figures.ratePercent && figures.quality) << figures.reason;
        EXPECT_NEAR(*figures.ratePercent, ratePercent, 1e-6 * std::fabs(ratePercent) + 1e-9);
        EXPECT_NEAR(*figures.quality, quality, 1e-6 * std::fabs(quality) + 1e-9);
    }
    EXPECT_EQ(pclose(pipe), 0);
}

} // namespace
