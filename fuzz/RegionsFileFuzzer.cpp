// Replays the input as a regions file: opens it and reads its first regions
// and one past the end.
#include "fuzz/ScratchFile.h"
#include "regions/SavedFileRegionDivider.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <exception>

namespace {

// Inputs stay far below this; the bound only keeps a run's time per input flat.
constexpr int32_t kRegionsRead = 1000;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static CScratchFile regionsFile(".regions");
    regionsFile.Write(data, size);
    try {
        CSavedFileRegionDivider divider(regionsFile.Name());
        const int32_t count = divider.GetRegionCount();
        for (int32_t number = 0; number < std::min(count, kRegionsRead); ++number) {
            divider.GetRegion(number);
        }
        divider.GetRegion(count);
    } catch (const std::exception&) {
    }
    return 0;
}
