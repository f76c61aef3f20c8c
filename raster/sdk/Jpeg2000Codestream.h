#pragma once

#include <cstdint>

namespace Orv {

class CReadOnlyFile;

// Where a JPEG 2000 codestream lies in a file: `length` bytes from `offset` on.
struct CodestreamExtent {
    uint64_t offset;
    uint64_t length;
};

// Both functions throw CError(kErrorCorruptFile) unless they find a
// codestream that starts with the start-of-codestream and size markers and
// ends with the end marker and is long enough for the tiles it declares, so
// that a file cut short is refused before any decoding. They read only box
// headers and markers, not the coded data.
CodestreamExtent FindCodestreamInJp2Boxes(const CReadOnlyFile& file);
CodestreamExtent CheckRawCodestream(const CReadOnlyFile& file);

} // namespace Orv
