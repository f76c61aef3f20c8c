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

// One decoded JPEG 2000 tile: every band, one after the other, in the file's
// own sample type.
struct DecodedTile {
    PixelWindow area; // in image pixels
    std::vector<std::byte> samples;
};

// Decoded tiles of one file, shared by all its readers, so that windows
// falling in the same tile cost one decode whichever worker reads them.
//
// Bounded by a tile count and a byte count; the least recently used tile
// goes first. Tiles handed out stay alive while a reader copies from them,
// so memory can exceed the bound by one tile per reader.
class CDecodedTileCache {
public:
    CDecodedTileCache(size_t maxTiles, size_t maxBytes);

    // Notes a window a reader of the file starts, and tells whether the
    // file's windows, from all its readers together, have been coming in
    // reading order, so that whole tiles are worth decoding.
    bool NoteWindowInOrder(const PixelWindow& window);
    bool Contains(uint32_t tileIndex) const;
    bool IsBeingDecoded(uint32_t tileIndex) const;
    // Decodes the tile unless it is cached or being decoded already, so that
    // a reader that would wait for another's decode works ahead instead.
    void DecodeAhead(uint32_t tileIndex, const std::function<DecodedTile()>& decode);
    // The tile, from the cache or from `decode`. While one reader decodes a
    // tile, others asking for it wait instead of decoding it again; when the
    // decode fails, its caller gets the failure and the next one tries anew.
    std::shared_ptr<const DecodedTile> Get(uint32_t tileIndex,
                                           const std::function<DecodedTile()>& decode);

private:
    struct Entry {
        uint32_t tileIndex;
        std::shared_ptr<const DecodedTile> tile;
    };

    std::shared_ptr<const DecodedTile> FindAndTouch(uint32_t tileIndex);
    // Runs `decode` for a tile this caller has marked as being decoded, with
    // the lock released, and caches the result.
    std::shared_ptr<const DecodedTile> DecodeMarked(std::unique_lock<std::mutex>& lock,
                                                    uint32_t tileIndex,
                                                    const std::function<DecodedTile()>& decode);
    void Insert(uint32_t tileIndex, std::shared_ptr<const DecodedTile> tile);

    const size_t maxTiles;
    const size_t maxBytes;
    mutable std::mutex mutex;
    std::condition_variable decodeFinished;
    std::list<Entry> entries; // most recently used first
    std::set<uint32_t> beingDecoded;
    size_t byteCount = 0;
    // The last few windows, newest first.
    std::vector<PixelWindow> recentWindows;
};

// The cache shared by every reader of the same codestream (same file on
// disk, same place in it, unchanged since), created by the first reader and
// dropped with the last.
std::shared_ptr<CDecodedTileCache>
SharedDecodedTileCache(const std::vector<uint64_t>& codestreamKey, size_t maxTiles,
                       size_t maxBytes);

} // namespace Orv
