#include "app/FigureOptions.h"

#include "app/CommandLineParser.h"
#include "metrics/AlgorithmRegistry.h"
#include "metrics/TextPieces.h"
#include "platform/ZarnikError.h"

#include <array>
#include <charconv>
#include <cmath>
#include <memory>
#include <string_view>

namespace {

constexpr std::array<std::string_view, 6> kGateFigures = {"avg", "finiteAvg", "min",
                                                          "p05", "p50",       "pooled"};

// A whole text in the classic notation, whatever the locale; no infinity
// and no NaN.
bool ReadFiniteNumber(const std::string& text, double& number) {
    const std::string trimmed = Trim(text);
    const char* const end = trimmed.data() + trimmed.size();
    const auto [stop, error] = std::from_chars(trimmed.data(), end, number);
    return !trimmed.empty() && error == std::errc() && stop == end && std::isfinite(number);
}

std::string FigureList() {
    std::string list;
    for (const std::string_view figure : kGateFigures) {
        list += (list.empty() ? "" : ", ") + std::string(figure);
    }
    return list;
}

} // namespace

void ParseDataRange(const std::string& value, CParsedCommandLine& options) {
    options.dataRangeAuto = value == "auto";
    options.dataRange = 0.0f;
    if (options.dataRangeAuto) {
        return;
    }
    double peak = 0.0;
    if (!ReadFiniteNumber(value, peak) || !(peak > 0.0) || !std::isfinite(float(peak))) {
        throw CZarnikError::Detail("-dataRange expects a positive number or auto, not '" + value +
                                   "'");
    }
    options.dataRange = static_cast<float>(peak);
}

void ParseGateBands(const std::string& value, CParsedCommandLine& options) {
    options.gateBands.clear();
    for (const std::string& piece : Split(value, ",")) {
        int32_t band = -1;
        try {
            band = ParseInt(Trim(piece).c_str());
        } catch (const std::exception&) {
            band = -1;
        }
        if (band < 0) {
            throw CZarnikError::Detail(
                "-gateBands expects band numbers from 0 separated by commas, not '" + value + "'");
        }
        options.gateBands.push_back(band);
    }
}

void ParseMapRange(const std::string& value, CParsedCommandLine& options) {
    const auto ends = Split(value, ",");
    CParsedCommandLine::ValueRange range;
    if (ends.size() != 2 || !ReadFiniteNumber(ends[0], range.low) ||
        !ReadFiniteNumber(ends[1], range.high) || !(range.low < range.high)) {
        throw CZarnikError::Detail("-mapRange expects low,high with low below high, not '" + value +
                                   "'");
    }
    options.mapRange = range;
}

std::pair<std::string, std::string> SplitGateFigure(const std::string& text, const char* option) {
    // Statistic names hold no full stop.
    const auto dot = text.find('.');
    if (dot == std::string::npos) {
        return {text, ""};
    }
    const std::string figure = Trim(text.substr(dot + 1));
    for (const std::string_view known : kGateFigures) {
        if (figure == known) {
            return {Trim(text.substr(0, dot)), figure};
        }
    }
    throw CZarnikError::Detail(std::string(option) + " figure '" + figure + "' must be one of " +
                               FigureList());
}

void SettleGateFigures(CParsedCommandLine& options) {
    CAlgorithmRegistry registry;
    for (QualityGate& gate : options.qualityGates) {
        std::vector<CAlgorithm*> created;
        registry.CreateAlgorithms(gate.statistic, 1.0f, created);
        const bool pooled = !created.empty() && created.front()->HasAreaFigure();
        if (gate.figure.empty()) {
            gate.figure = pooled ? "pooled" : "avg";
        } else if (gate.figure == "pooled" && !pooled) {
            throw CZarnikError::Detail(
                std::string(gate.failBelow ? "-failBelow" : "-failAbove") +
                " figure 'pooled' of '" + gate.statistic +
                "' does not exist: only mse, psnr, pae, mae, rmse and bias have it");
        }
    }
}
