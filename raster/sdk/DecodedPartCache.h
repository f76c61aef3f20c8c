#pragma once

#include "raster/sdk/RasterDecoder.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <set>
#include <vector>

namespace Orv {

// One decoded part of a JPEG 2000 image (a whole tile, or a strip of rows):
// every band, one after the other, in the file's own sample type.
struct DecodedPart {
    PixelWindow area; // in image pixels
    std::vector<std::byte> samples;
};

// Decoded parts of one file, shared by all its readers, so that windows
// falling in the same part cost one decode whichever worker reads them.
//
// Bounded by a part count and a byte count; the least recently used part
// goes first. Parts handed out stay alive while a reader copies from them,
// so memory can exceed the bound by one part per reader.
class CDecodedPartCache {
public:
    CDecodedPartCache(size_t maxParts, size_t maxBytes);

    bool IsBeingDecoded(uint32_t partIndex) const;
    // Decodes the part unless it is cached or being decoded already, so that
    // a reader waiting for another's part does useful work meanwhile. The
    // decode is on behalf of whichever window needs the part later: a failure
    // is dropped here, and that window's own decode meets it.
    void DecodeAhead(uint32_t partIndex, const std::function<DecodedPart()>& decode);
    // The cached part, or `decode`'s result, which is then cached. While
    // another reader decodes the same part, waits for its result; when the
    // decode fails, its caller gets the failure and the next one tries anew.
    std::shared_ptr<const DecodedPart> Get(uint32_t partIndex,
                                           const std::function<DecodedPart()>& decode);

private:
    struct Entry {
        uint32_t partIndex;
        std::shared_ptr<const DecodedPart> part;
    };

    std::shared_ptr<const DecodedPart> FindAndTouch(uint32_t partIndex);
    // Runs `decode` for a part this caller has marked as being decoded, with
    // the lock released, and caches the result.
    std::shared_ptr<const DecodedPart> DecodeMarked(std::unique_lock<std::mutex>& lock,
                                                    uint32_t partIndex,
                                                    const std::function<DecodedPart()>& decode);
    void Insert(uint32_t partIndex, std::shared_ptr<const DecodedPart> part);

    const size_t maxParts;
    const size_t maxBytes;
    mutable std::mutex mutex;
    std::condition_variable decodeFinished;
    std::list<Entry> entries; // most recently used first
    std::set<uint32_t> beingDecoded;
    size_t byteCount = 0;
};

// The cache shared by every reader of the same codestream cut into the same
// parts (same file on disk, same place in it, unchanged since, same `key`
// otherwise), created by the first reader and dropped with the last.
std::shared_ptr<CDecodedPartCache> SharedDecodedPartCache(const std::vector<uint64_t>& key,
                                                          size_t maxParts, size_t maxBytes);

} // namespace Orv
