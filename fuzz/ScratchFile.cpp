#include "fuzz/ScratchFile.h"

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <system_error>
#include <unistd.h>

CScratchFile::CScratchFile(const std::string& extension)
    : name((std::filesystem::temp_directory_path() /
            ("zarnik-fuzz-" + std::to_string(getpid()) + extension))
               .string()) {}

CScratchFile::~CScratchFile() {
    std::error_code ignored;
    std::filesystem::remove(name, ignored);
}

void CScratchFile::Write(const uint8_t* data, size_t size) {
    std::ofstream file(name, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    file.close();
    if (!file) {
        throw std::runtime_error("Cannot write the scratch file " + name);
    }
}
