#pragma once

#include <cstddef>
#include <span>

namespace Orv {

// Where a JPEG 2000 codestream lies in a file's bytes. Both functions throw
// CError(kErrorCorruptFile) unless they find a codestream that starts with
// the start-of-codestream and size markers and ends with the end marker, so
// that a file cut short is refused before any decoding.
std::span<const std::byte> FindCodestreamInJp2Boxes(std::span<const std::byte> file);
std::span<const std::byte> CheckRawCodestream(std::span<const std::byte> file);

} // namespace Orv
