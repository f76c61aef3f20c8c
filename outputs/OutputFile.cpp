#include "outputs/OutputFile.h"

#include "platform/ZarnikError.h"

#include <stdexcept>
#include <utility>

COutputFile::COutputFile(const std::string& fileName, std::string what)
    : name(fileName), description(std::move(what)) {
    file = name == "-" ? stdout : std::fopen(name.c_str(), "wb");
    if (file == nullptr) {
        throw CZarnikError::Detail("Unable to create " + description + " " + name);
    }
}

COutputFile::~COutputFile() {
    if (file != nullptr && file != stdout) {
        std::fclose(file);
    }
}

void COutputFile::Write(const std::string& text) {
    failed = failed || std::fwrite(text.data(), 1, text.size(), file) != text.size();
    if (failed && file != stdout) {
        ThrowWriteFailure();
    }
}

void COutputFile::Flush() {
    failed = failed || std::fflush(file) != 0;
    if (failed && file != stdout) {
        ThrowWriteFailure();
    }
}

void COutputFile::Close() {
    if (file == stdout) {
        // Standard output is checked once the whole run printed to it: a
        // message about it could only go to standard output itself.
        std::fflush(file);
        return;
    }
    failed = failed || std::ferror(file) != 0;
    failed = (std::fclose(file) != 0) || failed;
    file = nullptr;
    if (failed) {
        ThrowWriteFailure();
    }
}

void COutputFile::ThrowWriteFailure() const {
    throw CZarnikError::Detail("Unable to write " + description + " " + name);
}
