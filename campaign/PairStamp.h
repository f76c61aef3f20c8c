#pragma once

#include "campaign/JsonValue.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class CJsonWriter;

// An input file as a campaign last saw it. A file that could not be looked
// at has no size and no time.
struct InputFileStamp {
    std::string path;
    std::optional<int64_t> bytes;
    // Seconds and nanoseconds since the epoch, as text, so that no digit is lost.
    std::string modified;

    bool operator==(const InputFileStamp&) const = default;
};

// What a campaign records in each pair's document (its "campaign" object):
// where the pair comes from, what it was run with, and the verdict. A
// finished document whose stamp matches the row's current one (SameRun) is
// kept by a rerun; the documents of one campaign share manifest, options and
// row count (SameCampaign).
struct PairStamp {
    std::string manifest;
    // The options given for every pair, as typed (-threads and the
    // campaign's own options left out).
    std::string options;
    int64_t rows = 0;
    int64_t row = 0;
    int64_t line = 0;
    std::string label;
    std::string group;
    std::string reader; // "gdal" or "sdk"
    InputFileStamp original;
    InputFileStamp compressed;
    std::string verdict; // "passed", "failed" (a gate) or "error"
    std::vector<std::string> gateFailures;
};

// The stamp of a file as it is now.
InputFileStamp StampOf(const std::string& path);

void WritePairStamp(CJsonWriter& json, const PairStamp& stamp);
// Throws CZarnikError when `object` is not a stamp.
PairStamp ReadPairStamp(const CJsonValue& object);

// Same pair, inputs, options and place in the same campaign: the verdict
// and the manifest line may differ.
bool SameRun(const PairStamp& a, const PairStamp& b);
bool SameCampaign(const PairStamp& a, const PairStamp& b);
