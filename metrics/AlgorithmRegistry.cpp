#include "metrics/AlgorithmRegistry.h"

#include "metrics/MSEAlgorithm.h"
#include "metrics/MS_SSIMAlgorithm.h"
#include "metrics/PSNRAlgorithm.h"
#include "metrics/SSIMAlgorithm.h"

namespace {

constexpr char kBlanks[] = " \t\r\n";

std::string Trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(kBlanks);
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

// Every piece between commas, empty pieces included.
std::vector<std::string> SplitAtCommas(const std::string& text) {
    std::vector<std::string> pieces;
    std::string::size_type start = 0;
    for (auto comma = text.find(','); comma != std::string::npos; comma = text.find(',', start)) {
        pieces.push_back(text.substr(start, comma - start));
        start = comma + 1;
    }
    pieces.push_back(text.substr(start));
    return pieces;
}

} // namespace

CAlgorithmRegistry::CAlgorithmRegistry() {
    // The prototypes' peak values only fill the field; every instance gets
    // its own from CreateAlgorithms.
    prototypes.emplace("ssim", std::make_unique<CSSIMAlgorithm>(255.0f));
    prototypes.emplace("ms-ssim", std::make_unique<CMS_SSIMAlgorithm>());
    prototypes.emplace("mse", std::make_unique<CMSEAlgorithm>());
    prototypes.emplace("psnr", std::make_unique<CPSNRAlgorithm>(255.0f));
}

bool CAlgorithmRegistry::CreateAlgorithms(std::string names, float peakValue,
                                          std::vector<CAlgorithm*>& algorithms) {
    if (names == "all") {
        for (const auto& [name, prototype] : prototypes) {
            CreateFromPrototype(*prototype, peakValue, algorithms);
        }
        return true;
    }
    for (const std::string& piece : SplitAtCommas(names)) {
        const auto found = prototypes.find(Trimmed(piece));
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
