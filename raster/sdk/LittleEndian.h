#pragma once

#include <concepts>
#include <cstddef>
#include <span>

namespace Orv {

// Unsigned integers packed into and out of bytes, least significant byte
// first, whatever the byte order of the machine. `offset` + sizeof(Field)
// must not exceed the byte count: the callers pack fixed header fields.
template <std::unsigned_integral Field>
void StoreLittleEndian(std::span<std::byte> bytes, size_t offset, Field value) {
    for (size_t i = 0; i < sizeof(Field); ++i) {
        bytes[offset + i] = static_cast<std::byte>((value >> (8 * i)) & 0xFF);
    }
}

template <std::unsigned_integral Field>
Field LoadLittleEndian(std::span<const std::byte> bytes, size_t offset) {
    Field value = 0;
    for (size_t i = 0; i < sizeof(Field); ++i) {
        // The cast back keeps the shifted byte in Field after promotion to int.
        value = static_cast<Field>(value | (std::to_integer<Field>(bytes[offset + i]) << (8 * i)));
    }
    return value;
}

} // namespace Orv
