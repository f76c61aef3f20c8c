#include "evaluation/TileSource.h"

#include "platform/ZarnikError.h"
#include "regions/RandomRegionDivider.h"
#include "regions/SavedFileRegionDivider.h"
#include "regions/SequentialRegionDivider.h"

#include <string>

namespace {

std::shared_ptr<IRegionDivider> CreateRegionDivider(const std::string& requestType, CRegionPtr area,
                                                    int32_t tileSize, int32_t tileCount) {
    if (requestType.empty()) {
        throw CZarnikError::Detail("requestType cannot be nullptr or empty");
    }
    if (requestType == "seq" || requestType == "sequential") {
        return std::make_shared<CSequentialRegionDivider>(std::move(area), tileSize, tileCount);
    }
    if (requestType == "ran" || requestType == "random") {
        return std::make_shared<CRandomRegionDivider>(std::move(area), tileSize, tileCount);
    }
    throw CZarnikError::Detail("Unknown requestType");
}

// Whether every tile lies below the previous one or on its row to its right,
// as a sequential run records them: such a replay is read as that run was.
bool IsRowByRow(IRegionDivider& divider, int32_t count) {
    return AsZarnikFailure([&] {
        CRegionPtr previous;
        for (int32_t index = 0; index < count; ++index) {
            CRegionPtr tile = divider.GetRegion(index);
            if (previous && !(tile->y0 > previous->y0 ||
                              (tile->y0 == previous->y0 && tile->x0 > previous->x1))) {
                return false;
            }
            previous = std::move(tile);
        }
        return true;
    });
}

} // namespace

CTileSource::CTileSource(const CParsedCommandLine& options, CRegionPtr area) {
    AsZarnikFailure([&] {
        if (!options.useRegions.empty()) {
            divider = std::make_shared<CSavedFileRegionDivider>(options.useRegions);
            order = TileOrder::Replayed;
            return;
        }
        order = options.requestType == "seq" || options.requestType == "sequential"
                    ? TileOrder::Sequential
                    : TileOrder::Random;
        divider = CreateRegionDivider(options.requestType, std::move(area), options.tileSize,
                                      options.tileCount);
        if (!options.saveRegions.empty()) {
            recorder =
                std::make_shared<CRegionDividerSerialisingDecorator>(divider, options.saveRegions);
        }
    });
    count = AsZarnikFailure([&] { return divider->GetRegionCount(); });
    if (order == TileOrder::Replayed && IsRowByRow(*divider, count)) {
        order = TileOrder::Sequential;
    }
}

CRegionPtr CTileSource::Fetch(int32_t index) {
    return AsZarnikFailure([&] { return divider->GetRegion(index); });
}

void CTileSource::Settle(int32_t index, const CRegion& tile) {
    if (recorder) {
        AsZarnikFailure([&] { recorder->Record(index, tile); });
    }
}

void CTileSource::Close() {
    if (recorder) {
        AsZarnikFailure([&] { recorder->Close(); });
    }
}
