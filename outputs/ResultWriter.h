#pragma once

#include "evaluation/EvaluationResult.h"

#include <functional>

class CImageFileReader;

// What a finished run hands to every result writer.
struct FinishedRun {
    const EvaluationResult& result;
    // Seconds since the run started, read when asked: a writer that reports
    // the run's time tells it as of its own writing.
    std::function<double()> elapsedSeconds;
    // The files' own bands (not luma computed from them), for outputs that
    // show tiles' pixels; null where the caller has none.
    CImageFileReader* originalReader = nullptr;
    CImageFileReader* compressedReader = nullptr;
};

// An output made from a finished run: a report, a file, a verdict. The run
// calls its writers once each after the last tile, in the order of its list;
// a writer that cannot complete its output throws a CZarnikError. Outputs
// that follow the tiles as they come are also tile listeners (ITileListener).
class IResultWriter {
public:
    virtual ~IResultWriter() = default;
    virtual void Write(const FinishedRun& run) = 0;
};
