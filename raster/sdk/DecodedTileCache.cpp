#include "raster/sdk/DecodedTileCache.h"

#include <algorithm>
#include <map>

namespace Orv {

namespace {

// Reading counts as in order once this many windows in a row came in reading
// order.
constexpr size_t kInOrderWindows = 4;

// Windows read in order follow each other along a row. Workers may start
// neighbouring windows out of order, so either may come first, and one may
// come between two neighbours: a gap of one window still counts.
bool NearAlongRow(const PixelWindow& a, const PixelWindow& b) {
    const auto leftOf = [](const PixelWindow& left, const PixelWindow& right) {
        const uint64_t leftEnd = uint64_t{left.x0} + left.width;
        return left.y0 == right.y0 && leftEnd <= right.x0 &&
               right.x0 - leftEnd <= std::max(left.width, right.width);
    };
    return leftOf(a, b) || leftOf(b, a);
}

// The first window of a row lies below and left of the last of the row before.
bool StartsNextRow(const PixelWindow& a, const PixelWindow& b) {
    const auto below = [](const PixelWindow& above, const PixelWindow& next) {
        return uint64_t{above.y0} + above.height == next.y0 && next.x0 < above.x0;
    };
    return below(a, b) || below(b, a);
}

} // namespace

bool CDecodedTileCache::NoteWindowInOrder(const PixelWindow& window) {
    const std::lock_guard lock(mutex);
    recentWindows.insert(recentWindows.begin(), window);
    recentWindows.resize(std::min(recentWindows.size(), kInOrderWindows));
    if (recentWindows.size() < kInOrderWindows) {
        return false;
    }
    // Every step follows reading order, and at most one of them starts a new
    // row: random windows on a grid of 31 x 31 window places pass about once
    // in 500,000 windows, where steps to the row below alone would pass once
    // in 20,000.
    const size_t steps = recentWindows.size() - 1;
    size_t stepsAlongRow = 0;
    for (size_t i = 1; i <= steps; ++i) {
        if (NearAlongRow(recentWindows[i], recentWindows[i - 1])) {
            ++stepsAlongRow;
        } else if (!StartsNextRow(recentWindows[i], recentWindows[i - 1])) {
            return false;
        }
    }
    return steps - stepsAlongRow <= 1;
}

CDecodedTileCache::CDecodedTileCache(size_t tileLimit, size_t byteLimit)
    : maxTiles(tileLimit), maxBytes(byteLimit) {}

bool CDecodedTileCache::Contains(uint32_t tileIndex) const {
    const std::lock_guard lock(mutex);
    for (const Entry& entry : entries) {
        if (entry.tileIndex == tileIndex) {
            return true;
        }
    }
    return false;
}

std::shared_ptr<const DecodedTile> CDecodedTileCache::FindAndTouch(uint32_t tileIndex) {
    for (auto it = entries.begin(); it != entries.end(); ++it) {
        if (it->tileIndex == tileIndex) {
            entries.splice(entries.begin(), entries, it);
            return entries.front().tile;
        }
    }
    return nullptr;
}

void CDecodedTileCache::Insert(uint32_t tileIndex, std::shared_ptr<const DecodedTile> tile) {
    byteCount += tile->samples.size();
    entries.push_front(Entry{tileIndex, std::move(tile)});
    while (entries.size() > 1 && (entries.size() > maxTiles || byteCount > maxBytes)) {
        byteCount -= entries.back().tile->samples.size();
        entries.pop_back();
    }
}

bool CDecodedTileCache::IsBeingDecoded(uint32_t tileIndex) const {
    const std::lock_guard lock(mutex);
    return beingDecoded.contains(tileIndex);
}

std::shared_ptr<const DecodedTile>
CDecodedTileCache::Get(uint32_t tileIndex, const std::function<DecodedTile()>& decode) {
    std::unique_lock lock(mutex);
    decodeFinished.wait(lock, [&] { return !beingDecoded.contains(tileIndex); });
    if (auto tile = FindAndTouch(tileIndex)) {
        return tile;
    }
    return DecodeMarked(lock, tileIndex, decode);
}

void CDecodedTileCache::DecodeAhead(uint32_t tileIndex,
                                    const std::function<DecodedTile()>& decode) {
    std::unique_lock lock(mutex);
    const bool present = std::any_of(entries.begin(), entries.end(), [&](const Entry& entry) {
        return entry.tileIndex == tileIndex;
    });
    if (!present && !beingDecoded.contains(tileIndex)) {
        DecodeMarked(lock, tileIndex, decode);
    }
}

std::shared_ptr<const DecodedTile>
CDecodedTileCache::DecodeMarked(std::unique_lock<std::mutex>& lock, uint32_t tileIndex,
                                const std::function<DecodedTile()>& decode) {
    beingDecoded.insert(tileIndex);
    lock.unlock();
    std::shared_ptr<const DecodedTile> tile;
    try {
        tile = std::make_shared<const DecodedTile>(decode());
    } catch (...) {
        lock.lock();
        beingDecoded.erase(tileIndex);
        decodeFinished.notify_all();
        throw;
    }
    lock.lock();
    beingDecoded.erase(tileIndex);
    Insert(tileIndex, tile);
    decodeFinished.notify_all();
    return tile;
}

std::shared_ptr<CDecodedTileCache>
SharedDecodedTileCache(const std::vector<uint64_t>& codestreamKey, size_t maxTiles,
                       size_t maxBytes) {
    static std::mutex registryMutex;
    static std::map<std::vector<uint64_t>, std::weak_ptr<CDecodedTileCache>> registry;
    const std::lock_guard lock(registryMutex);
    std::erase_if(registry, [](const auto& item) { return item.second.expired(); });
    std::weak_ptr<CDecodedTileCache>& slot = registry[codestreamKey];
    std::shared_ptr<CDecodedTileCache> cache = slot.lock();
    if (!cache) {
        cache = std::make_shared<CDecodedTileCache>(maxTiles, maxBytes);
        slot = cache;
    }
    return cache;
}

} // namespace Orv
