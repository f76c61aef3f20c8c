#pragma once

#include "campaign/PairStamp.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The figures of one statistic on one band that the summary shows. A figure
// the document has no value for (null, or no "pooled" key) is empty.
struct BandFigures {
    std::string statistic;
    int64_t band = 0;
    std::optional<double> avg;
    std::optional<double> finiteAvg;
    std::optional<double> pooled;
    std::optional<double> min;
    std::optional<double> p05;
};

// One pair's JSON document as a campaign wrote it: its stamp, and either
// the run's figures or the error that ended it.
struct PairDocument {
    std::string fileName;
    PairStamp stamp;
    std::string error; // empty when the pair ran
    int64_t bytes = 0; // of the compressed file
    double bitsPerPixel = 0.0;
    double reduction = 0.0;
    // Pixels of the visited tiles, and the compressed file's read time per
    // megapixel over all bands; measured times, so they differ between runs.
    double pixels = 0.0;
    std::optional<double> decodeMsPerMegapixel;
    // Statistic by statistic in the document's order, band by band.
    std::vector<BandFigures> figures;
};

// Reads the document in `text`; throws CZarnikError saying what is
// wrong with it (the caller names the file).
PairDocument ParsePairDocument(const std::string& text);
