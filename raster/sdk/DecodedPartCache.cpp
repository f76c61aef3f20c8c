#include "raster/sdk/DecodedPartCache.h"

#include <algorithm>
#include <map>

namespace Orv {

CDecodedPartCache::CDecodedPartCache(size_t partLimit, size_t byteLimit)
    : maxParts(partLimit), maxBytes(byteLimit) {}

std::shared_ptr<const DecodedPart> CDecodedPartCache::FindAndTouch(uint32_t partIndex) {
    for (auto it = entries.begin(); it != entries.end(); ++it) {
        if (it->partIndex == partIndex) {
            entries.splice(entries.begin(), entries, it);
            return entries.front().part;
        }
    }
    return nullptr;
}

void CDecodedPartCache::Insert(uint32_t partIndex, std::shared_ptr<const DecodedPart> part) {
    byteCount += part->samples.size();
    entries.push_front(Entry{partIndex, std::move(part)});
    while (entries.size() > 1 && (entries.size() > maxParts || byteCount > maxBytes)) {
        byteCount -= entries.back().part->samples.size();
        entries.pop_back();
    }
}

bool CDecodedPartCache::IsBeingDecoded(uint32_t partIndex) const {
    const std::lock_guard lock(mutex);
    return beingDecoded.contains(partIndex);
}

std::shared_ptr<const DecodedPart>
CDecodedPartCache::Get(uint32_t partIndex, const std::function<DecodedPart()>& decode) {
    std::unique_lock lock(mutex);
    decodeFinished.wait(lock, [&] { return !beingDecoded.contains(partIndex); });
    if (auto part = FindAndTouch(partIndex)) {
        return part;
    }
    return DecodeMarked(lock, partIndex, decode);
}

void CDecodedPartCache::DecodeAhead(uint32_t partIndex,
                                    const std::function<DecodedPart()>& decode) {
    std::unique_lock lock(mutex);
    const bool present = std::any_of(entries.begin(), entries.end(), [&](const Entry& entry) {
        return entry.partIndex == partIndex;
    });
    if (present || beingDecoded.contains(partIndex)) {
        return;
    }
    try {
        DecodeMarked(lock, partIndex, decode);
    } catch (...) {
        // Not this window's part: the window that needs it decodes it again
        // and fails there, as it would with one reader.
    }
}

std::shared_ptr<const DecodedPart>
CDecodedPartCache::DecodeMarked(std::unique_lock<std::mutex>& lock, uint32_t partIndex,
                                const std::function<DecodedPart()>& decode) {
    beingDecoded.insert(partIndex);
    lock.unlock();
    std::shared_ptr<const DecodedPart> part;
    try {
        part = std::make_shared<const DecodedPart>(decode());
    } catch (...) {
        lock.lock();
        beingDecoded.erase(partIndex);
        decodeFinished.notify_all();
        throw;
    }
    lock.lock();
    beingDecoded.erase(partIndex);
    Insert(partIndex, part);
    decodeFinished.notify_all();
    return part;
}

std::shared_ptr<CDecodedPartCache> SharedDecodedPartCache(const std::vector<uint64_t>& key,
                                                          size_t maxParts, size_t maxBytes) {
    static std::mutex registryMutex;
    static std::map<std::vector<uint64_t>, std::weak_ptr<CDecodedPartCache>> registry;
    const std::lock_guard lock(registryMutex);
    std::erase_if(registry, [](const auto& item) { return item.second.expired(); });
    std::weak_ptr<CDecodedPartCache>& slot = registry[key];
    std::shared_ptr<CDecodedPartCache> cache = slot.lock();
    if (!cache) {
        cache = std::make_shared<CDecodedPartCache>(maxParts, maxBytes);
        slot = cache;
    }
    return cache;
}

} // namespace Orv
