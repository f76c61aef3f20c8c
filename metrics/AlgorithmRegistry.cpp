#include "metrics/AlgorithmRegistry.h"

#include "metrics/ErrorAlgorithms.h"
#include "metrics/MSEAlgorithm.h"
#include "metrics/MS_SSIMAlgorithm.h"
#include "metrics/PSNRAlgorithm.h"
#include "metrics/SSIMAlgorithm.h"
#include "metrics/TextPieces.h"

#include <array>
#include <string_view>

namespace {

// The statistics "all" stands for; the error statistics are asked for by name.
constexpr std::array<std::string_view, 4> kAll = {"ms-ssim", "mse", "psnr", "ssim"};

bool StandsForAll(const std::string& name) {
    for (const std::string_view member : kAll) {
        if (member == name) {
            return true;
        }
    }
    return false;
}

} // namespace

CAlgorithmRegistry::CAlgorithmRegistry() {
    // The prototypes' peak values only fill the field; every instance gets
    // its own from CreateAlgorithms.
    prototypes.emplace("ssim", std::make_unique<CSSIMAlgorithm>(255.0f));
    prototypes.emplace("ms-ssim", std::make_unique<CMS_SSIMAlgorithm>());
    prototypes.emplace("mse", std::make_unique<CMSEAlgorithm>());
    prototypes.emplace("psnr", std::make_unique<CPSNRAlgorithm>(255.0f));
    prototypes.emplace("pae", std::make_unique<CPAEAlgorithm>());
    prototypes.emplace("mae", std::make_unique<CMAEAlgorithm>());
    prototypes.emplace("rmse", std::make_unique<CRMSEAlgorithm>());
    prototypes.emplace("bias", std::make_unique<CBiasAlgorithm>());
}

bool CAlgorithmRegistry::CreateAlgorithms(std::string names, float peakValue,
                                          std::vector<CAlgorithm*>& algorithms) {
    if (names == "all") {
        for (const auto& [name, prototype] : prototypes) {
            if (StandsForAll(name)) {
                CreateFromPrototype(*prototype, peakValue, algorithms);
            }
        }
        return true;
    }
    for (const std::string& piece : Split(names, ",")) {
        const auto found = prototypes.find(Trim(piece));
        if (found == prototypes.end()) {
            return false;
        }
        CreateFromPrototype(*found->second, peakValue, algorithms);
    }
    return true;
}

bool CAlgorithmRegistry::HasAlgorithm(const std::string& name) const {
    return prototypes.count(name) != 0;
}

void CAlgorithmRegistry::CreateFromPrototype(const CAlgorithm& prototype, float peakValue,
                                             std::vector<CAlgorithm*>& algorithms) {
    created.push_back(prototype.Create(peakValue));
    algorithms.push_back(created.back().get());
}
