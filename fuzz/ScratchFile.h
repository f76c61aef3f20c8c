#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// One file in the temporary folder that a fuzz target overwrites with every
// input, because the code under test reads only from files. The name holds
// the process id, so that targets running side by side never share a file;
// the extension is the caller's, since the readers pick the format by it.
class CScratchFile {
public:
    explicit CScratchFile(const std::string& extension);
    ~CScratchFile();
    CScratchFile(const CScratchFile&) = delete;
    CScratchFile& operator=(const CScratchFile&) = delete;

    // Replaces the file's content with `size` bytes from `data`; throws
    // std::runtime_error when the file cannot be written.
    void Write(const uint8_t* data, size_t size);

    const std::string& Name() const { return name; }

private:
    std::string name;
};
