#include "raster/sdk/ReadOnlyFile.h"

#include "raster/sdk/Error.h"

#include <cerrno>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace Orv {

bool IsSpecialFile(const std::string& fileName) {
    struct stat status {};
    return stat(fileName.c_str(), &status) == 0 && !S_ISREG(status.st_mode) &&
           !S_ISDIR(status.st_mode);
}

CReadOnlyFile::CReadOnlyFile(const std::string& fileName)
    // Not blocking: opening a FIFO for reading would otherwise wait for a
    // writer. The kind is checked on the open file, so a name swapped after
    // the check cannot slip through.
    : descriptor(open(fileName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)) {
    if (descriptor < 0) {
        throw CError(kErrorCannotReadFile);
    }
    struct stat status {};
    if (fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode) || status.st_size < 0) {
        close(descriptor);
        throw CError(kErrorCannotReadFile);
    }
    size = static_cast<uint64_t>(status.st_size);
    identity = {static_cast<uint64_t>(status.st_dev), static_cast<uint64_t>(status.st_ino), size,
                static_cast<uint64_t>(status.st_mtim.tv_sec),
                static_cast<uint64_t>(status.st_mtim.tv_nsec)};
}

CReadOnlyFile::~CReadOnlyFile() {
    close(descriptor);
}

size_t CReadOnlyFile::ReadAt(uint64_t offset, std::span<std::byte> bytes) const {
    size_t done = 0;
    while (done < bytes.size()) {
        const uint64_t position = offset + done;
        if (position < offset || position > uint64_t(std::numeric_limits<off_t>::max())) {
            break;
        }
        const ssize_t read =
            pread(descriptor, bytes.data() + done, bytes.size() - done, off_t(position));
        if (read < 0 && errno == EINTR) {
            continue;
        }
        if (read <= 0) {
            break;
        }
        done += size_t(read);
    }
    return done;
}

} // namespace Orv
