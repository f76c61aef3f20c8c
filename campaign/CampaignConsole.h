#pragma once

#include "campaign/PairDocument.h"

#include <chrono>
#include <cstddef>
#include <ostream>
#include <string>

// A campaign's console: one line per finished pair, and below it a
// progress line with the pairs done and failed and an estimate of the time
// left. On a terminal the progress line is rewritten after each pair; in a
// log (`rewrite` false) each one stays, on a line of its own.
class CCampaignConsole {
public:
    CCampaignConsole(std::ostream& out, size_t pairsToRun, bool rewrite);

    void PairDone(const PairDocument& pair);
    // Ends the progress line.
    void Finish();

private:
    std::string ProgressLine() const;

    std::ostream& console;
    size_t total;
    size_t done = 0;
    size_t failed = 0;
    bool rewriting;
    size_t progressWidth = 0;
    std::chrono::steady_clock::time_point start;
};

// "Row 7 [opj r20]: psnr 35.7466, ssim 0.8119 (worst band), passed".
std::string PairLine(const PairDocument& pair);
