#pragma once

#include "evaluation/EvaluationResult.h"

// The figures the console report derives from a result, for every output
// that must agree with it to the last bit.

// Sum divided by count, both as floats.
float AverageOf(const ResultStatistics& statistics);

// The read times of one file over all bands, in milliseconds.
struct ReadTimeFigures {
    double minMs = 0.0;
    double avgMs = 0.0;
    double maxMs = 0.0;
};
ReadTimeFigures ReadTimeFiguresOf(const BandTimings& readTimes);

// The compressed size as a percentage of the original's, in floats.
float ReductionPercent(const EvaluationResult& result);

// File size in bits per pixel of the evaluated area.
double BitsPerPixel(uint64_t fileSize, const CRegion& area);
