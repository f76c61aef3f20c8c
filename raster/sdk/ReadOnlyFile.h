#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace Orv {

// True when `fileName` names something that exists and is neither a regular
// file nor a folder: a FIFO, a device or a socket. Opening one may wait for a
// writer forever or read without end, so such names are refused before any
// library opens them.
bool IsSpecialFile(const std::string& fileName);

// A regular file open for reading at any offset. Reads take the offset with
// them, so readers on several threads may share one open file, and memory
// holds only what is read, never the whole file.
class CReadOnlyFile {
public:
    // Throws CError(kErrorCannotReadFile) unless `fileName` is a regular file
    // that can be opened; a FIFO or device is refused without waiting.
    explicit CReadOnlyFile(const std::string& fileName);
    ~CReadOnlyFile();
    CReadOnlyFile(const CReadOnlyFile&) = delete;
    CReadOnlyFile& operator=(const CReadOnlyFile&) = delete;

    // The length when the file was opened.
    uint64_t Size() const { return size; }
    // Device, inode, length and modification time when the file was opened:
    // equal for two opened files only when they are the same, unchanged file.
    const std::array<uint64_t, 5>& Identity() const { return identity; }
    // Fills `bytes` from `offset` on and returns how many bytes it read:
    // fewer than asked only at the end of the file or when reading fails.
    size_t ReadAt(uint64_t offset, std::span<std::byte> bytes) const;

private:
    int descriptor;
    uint64_t size = 0;
    std::array<uint64_t, 5> identity{};
};

} // namespace Orv
