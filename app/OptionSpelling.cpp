#include "app/OptionSpelling.h"

#include <algorithm>
#include <cctype>
#include <limits>

namespace {

constexpr size_t kMostLettersAmiss = 2;

std::string Folded(const std::string& name) {
    std::string folded = name.substr(std::min(name.find_first_not_of('-'), name.size()));
    for (char& c : folded) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return folded;
}

// Letters added, dropped, changed, or two neighbours swapped, counted once
// each (the optimal string alignment distance).
size_t LettersAmiss(const std::string& a, const std::string& b) {
    std::vector<std::vector<size_t>> d(a.size() + 1, std::vector<size_t>(b.size() + 1));
    for (size_t i = 0; i <= a.size(); ++i) {
        d[i][0] = i;
    }
    for (size_t j = 0; j <= b.size(); ++j) {
        d[0][j] = j;
    }
    for (size_t i = 1; i <= a.size(); ++i) {
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t changed = a[i - 1] == b[j - 1] ? 0 : 1;
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + changed});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) {
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
            }
        }
    }
    return d[a.size()][b.size()];
}

// The nearest of `options` to the folded `name`, and how near.
std::pair<std::string, size_t> Nearest(const std::string& folded,
                                       const std::vector<std::string>& options) {
    std::pair<std::string, size_t> nearest{"", std::numeric_limits<size_t>::max()};
    for (const std::string& option : options) {
        const size_t amiss = LettersAmiss(folded, Folded(option));
        if (amiss < nearest.second) {
            nearest = {option, amiss};
        }
    }
    return nearest;
}

} // namespace

std::string NearMissOf(const std::string& name, const std::vector<std::string>& addedOptions,
                       const std::vector<std::string>& ownOptions) {
    const std::string folded = Folded(name);
    if (folded.empty()) {
        return "";
    }
    const auto [added, addedAmiss] = Nearest(folded, addedOptions);
    const size_t ownAmiss = Nearest(folded, ownOptions).second;
    return addedAmiss <= kMostLettersAmiss && addedAmiss < ownAmiss ? added : "";
}
