#include "campaign/CampaignConsole.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// The figure of `statistic` on its worst (lowest) band, `preferred` where
// it has one and finiteAvg otherwise. A pooled figure of infinity is a
// perfect copy and stands; an infinite average only tells of tiles without
// a value.
std::optional<double> WorstBand(const PairDocument& pair, const std::string& statistic,
                                std::optional<double> BandFigures::*preferred) {
    std::optional<double> worst;
    for (const BandFigures& figures : pair.figures) {
        if (figures.statistic != statistic) {
            continue;
        }
        std::optional<double> value = figures.*preferred;
        const bool pooled = preferred == &BandFigures::pooled;
        if (!value || (!pooled && !std::isfinite(*value))) {
            value = figures.finiteAvg;
        }
        if (value && (!worst || *value < *worst)) {
            worst = value;
        }
    }
    return worst;
}

std::string Fixed(double value) {
    char text[48];
    std::snprintf(text, sizeof text, "%.4f", value);
    return text;
}

std::string Duration(double seconds) {
    const long long whole = std::llround(seconds);
    if (whole < 60) {
        return std::to_string(whole) + " s";
    }
    if (whole < 3600) {
        return std::to_string(whole / 60) + " min " + std::to_string(whole % 60) + " s";
    }
    return std::to_string(whole / 3600) + " h " + std::to_string(whole % 3600 / 60) + " min";
}

} // namespace

std::string PairLine(const PairDocument& pair) {
    std::string line = "Row " + std::to_string(pair.stamp.row) + " [" + pair.stamp.label + "]: ";
    if (!pair.error.empty()) {
        return line + "error: " + pair.error;
    }
    const auto psnr = WorstBand(pair, "psnr", &BandFigures::pooled);
    const auto ssim = WorstBand(pair, "ssim", &BandFigures::avg);
    if (psnr) {
        line += "psnr " + Fixed(*psnr) + ", ";
    }
    if (ssim) {
        line += "ssim " + Fixed(*ssim) + ", ";
    }
    if (psnr || ssim) {
        line.insert(line.size() - 2, " (worst band)");
    }
    return line + pair.stamp.verdict;
}

CCampaignConsole::CCampaignConsole(std::ostream& out, size_t pairsToRun, bool rewrite)
    : console(out), total(pairsToRun), rewriting(rewrite), start(std::chrono::steady_clock::now()) {
}

void CCampaignConsole::PairDone(const PairDocument& pair) {
    ++done;
    failed += pair.error.empty() ? 0 : 1;
    std::string line = PairLine(pair);
    const std::string progress = ProgressLine();
    if (!rewriting) {
        console << line << '\n' << progress << std::endl;
        return;
    }
    // Covers what is left of the progress line it replaces.
    line.resize(std::max(line.size(), progressWidth), ' ');
    console << '\r' << line << '\n' << progress << std::flush;
    progressWidth = progress.size();
}

std::string CCampaignConsole::ProgressLine() const {
    std::string line = std::to_string(done) + " of " + std::to_string(total) + " pairs done, " +
                       std::to_string(failed) + " failed";
    if (done > 0 && done < total) {
        const double elapsed =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        line += ", about " + Duration(elapsed / double(done) * double(total - done)) + " left";
    }
    return line;
}

void CCampaignConsole::Finish() {
    if (rewriting && done > 0) {
        console << std::endl;
    }
}
