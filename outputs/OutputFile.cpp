#include "outputs/OutputFile.h"

#include "platform/ZarnikError.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <utility>

namespace {

// False when `name` no longer leads to the open `file`.
bool StillNamed(FILE* file, const std::string& name) {
    struct stat opened {};
    struct stat named {};
    return ::fstat(::fileno(file), &opened) == 0 && ::stat(name.c_str(), &named) == 0 &&
           opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}

} // namespace

COutputFile::COutputFile(const std::string& fileName, std::string what, Kind kind)
    : name(fileName), description(std::move(what)) {
    if (kind == Kind::Whole && name != "-") {
        partial.emplace(name);
    }
    file = name == "-" ? stdout
           : partial   ? std::fopen(partial->TemporaryName().c_str(), "wb")
                       : std::fopen(name.c_str(), "wb");
    if (file == nullptr) {
        throw CZarnikError::Detail("Unable to create " + description + " " + name + ": " +
                                   std::strerror(errno));
    }
}

COutputFile::~COutputFile() {
    if (file != nullptr && file != stdout) {
        std::fclose(file);
    }
}

void COutputFile::Write(const std::string& text) {
    Check(std::fwrite(text.data(), 1, text.size(), file) == text.size());
    if (failed && file != stdout) {
        ThrowWriteFailure();
    }
}

void COutputFile::Flush() {
    Check(std::fflush(file) == 0);
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
    Check(std::ferror(file) == 0);
    Check(StillNamed(file, partial ? partial->TemporaryName() : name),
          "its folder was removed or replaced");
    Check(std::fclose(file) == 0);
    file = nullptr;
    Check(!partial || partial->Commit(), "it could not be renamed into place");
    if (failed) {
        ThrowWriteFailure();
    }
}

void COutputFile::Check(bool succeeded, const char* why) {
    if (!succeeded && !failed) {
        failed = true;
        reason = why != nullptr ? why : std::strerror(errno);
    }
}

void COutputFile::ThrowWriteFailure() const {
    throw CZarnikError::Detail("Unable to write " + description + " " + name + ": " + reason);
}
