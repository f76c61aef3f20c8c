#include "platform/OpenFileLimit.h"

#include "platform/ZarnikError.h"

#include <sys/resource.h>

#include <cerrno>
#include <filesystem>
#include <limits>

namespace {

constexpr int64_t kHandful = 4;

} // namespace

int64_t FreeFileDescriptors() {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) {
        return std::numeric_limits<int32_t>::max();
    }
    std::error_code error;
    int64_t open = 0;
    for (std::filesystem::directory_iterator entry("/proc/self/fd", error), end;
         !error && entry != end; entry.increment(error)) {
        ++open;
    }
    if (error) {
        // Reading the list takes a descriptor of its own.
        const bool none = error == std::errc::too_many_files_open ||
                          error == std::errc::too_many_files_open_in_system;
        return none ? 0 : std::numeric_limits<int32_t>::max();
    }
    return static_cast<int64_t>(limit.rlim_cur) - open;
}

bool OutOfFileDescriptors() {
    const int last = errno;
    return last == EMFILE || last == ENFILE || FreeFileDescriptors() < kHandful;
}

void RethrowOpenFailure(const std::string& fileName, const std::string& context,
                        const std::string& advice) {
    if (OutOfFileDescriptors()) {
        throw CZarnikError::Complete("Too many open files: " + fileName + " could not be opened" +
                                         context + "; raise the limit (ulimit -n)" + advice,
                                     InFile(fileName));
    }
    throw;
}
