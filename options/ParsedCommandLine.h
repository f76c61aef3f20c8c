#pragma once

#include "regions/Region.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// A pass/fail limit on one figure of one statistic, checked on every band
// (or those of -gateBands).
struct QualityGate {
    std::string statistic;
    // "avg", "finiteAvg", "min", "p05", "p50" or "pooled"; the parser fills
    // in the statistic's default when none is given.
    std::string figure;
    float limit = 0.0f;
    bool failBelow = true; // false: the run fails above the limit
};

// The settings of one run, filled once by ParseCommandLine and read-only
// afterwards. A fresh object has every text empty, every number 0, every flag
// false and no bounding box; the parser applies the defaults.
class CParsedCommandLine {
public:
    virtual ~CParsedCommandLine() = default;

    std::string originalFileName;
    std::string compressedFileName;
    std::string statistics;  // as typed, e.g. "ssim,psnr" or "all"
    std::string requestType; // interpreted by the evaluator
    CRegionPtr bbox;         // null: the whole image
    int32_t tileCount = 0;
    int32_t tileSize = 0;
    int32_t bestCount = 0;
    std::string bestPrefix;
    int32_t worstCount = 0;
    std::string worstPrefix;
    std::string compareStat; // lower-cased when given explicitly
    int32_t compareBand = 0;
    bool yuv = false;
    bool yOnly = false;
    bool useGdal = false;
    bool wiki = false;
    bool enableDithering = false;
    // Narrow texts are UTF-8 on this platform, so the regions file names need
    // no conversion of their own.
    std::string saveRegions;
    std::string useRegions;
    // Further outputs; empty: not written. A jsonFile of "-" is standard output.
    std::string jsonFile;
    std::string tileValuesFile;
    std::string qualityMapFile;
    // -html: one self-contained page of the run; in a campaign, the
    // campaign's page (a relative name lies in the output folder).
    std::string htmlFile;
    std::vector<QualityGate> qualityGates;
    // Workers that read and measure tiles; the parser's default is the number
    // of cores this process may run on.
    int32_t threadCount = 0;
    // Measure over the pixels that the original's mask marks as holding data.
    bool useMask = false;
    // -dataRange: the peak sample value PSNR and SSIM measure against; 0:
    // not given, the data type's largest value. With `dataRangeAuto` the
    // original's declared bit depth decides.
    float dataRange = 0.0f;
    bool dataRangeAuto = false;
    // The bands every gate judges; empty: every band.
    std::vector<int32_t> gateBands;
    // A coordinate system or geotransform of the compressed file that is not
    // the original's fails the run as a gate does.
    bool requireSameGeoreference = false;
    // The values at the ends of the quality map's colour ramp; none: the
    // shown layer's smallest and largest.
    struct ValueRange {
        double low = 0.0;
        double high = 0.0;
    };
    std::optional<ValueRange> mapRange;

    // A campaign runs one comparison per row of `manifest` into `outDir`;
    // `mergeFolder` summarises a campaign's folder. All empty: one pair.
    std::string manifest;
    std::string outDir;
    std::string mergeFolder;
    // -shard k/n: only the rows whose 0-based index i has i mod n = k. A
    // count of 0 (not given) runs every row.
    int32_t shardIndex = 0;
    int32_t shardCount = 0;
    bool allowPartial = false;
    // The label BD figures are measured against; empty: each group's first.
    std::string bdReference;
    // The options given for every pair of a campaign, as typed (-threads and
    // the campaign's own options left out): the campaign's records compare it.
    std::string pairOptions;
};
