#pragma once

#include "campaign/PairDocument.h"

#include <cstdint>
#include <string>
#include <vector>

// What the summary tells about the campaign beyond its pairs' documents.
struct SummaryFacts {
    std::string version;
    std::string manifest;
    std::string options;
    int64_t rows = 0;
    // The label each group's BD figures are measured against; empty: the
    // group's first label.
    std::string bdReference;
    std::vector<int64_t> missingRows;
};

// summary.csv: one line per pair, statistic and band (one line for a pair
// that failed to run), in row order. Built from the documents alone, so a
// merge of the same documents gives the same bytes.
std::string SummaryCsv(const std::vector<PairDocument>& pairs);

// summary.json: the same figures, and per group the rate-distortion curves,
// the BD figures against the reference label and the decode speed per label.
std::string SummaryJson(const std::vector<PairDocument>& pairs, const SummaryFacts& facts);

// 2 when a pair failed to run, else 3 when a pair failed a gate, else 0.
int CampaignExitCode(const std::vector<PairDocument>& pairs);

// The groups in the order of their first pair, each with its pairs in row order.
std::vector<std::vector<const PairDocument*>> Groups(const std::vector<PairDocument>& pairs);
