#pragma once

#include "metrics/Algorithm.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

// Creates statistics by name ("mse", "psnr", "ssim", "ms-ssim" and the error
// statistics "pae", "mae", "rmse", "bias") and owns every instance it
// creates; pointers handed out become invalid with the registry.
class CAlgorithmRegistry {
public:
    CAlgorithmRegistry();
    CAlgorithmRegistry(const CAlgorithmRegistry&) = delete;
    CAlgorithmRegistry& operator=(const CAlgorithmRegistry&) = delete;

    // Appends to `algorithms` one instance per comma-separated name of
    // `names`, in the order of the text, for images whose largest sample value
    // is `peakValue`. Blanks, tabs and line breaks around a name are ignored;
    // names are case-sensitive, and a name given twice gives two instances.
    // Returns false at the first unknown or empty name; instances created
    // for the names before it stay in `algorithms`.
    //
    // "all" (exactly) stands for all four statistics, in name order:
    // "ms-ssim", "mse", "psnr", "ssim". That is our choice: the usage text
    // offers "all" beside the single names, and a user asking for all
    // statistics expects every one of them. The error statistics are
    // additions, asked for by name only.
    bool CreateAlgorithms(std::string names, float peakValue, std::vector<CAlgorithm*>& algorithms);

    // True when a statistic of exactly this name exists.
    bool HasAlgorithm(const std::string& name) const;

private:
    void CreateFromPrototype(const CAlgorithm& prototype, float peakValue,
                             std::vector<CAlgorithm*>& algorithms);

    // Ordered by byte-wise name comparison.
    std::map<std::string, std::unique_ptr<CAlgorithm>> prototypes;
    std::vector<std::unique_ptr<CAlgorithm>> created;
};
