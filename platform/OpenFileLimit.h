#pragma once

#include <cstdint>
#include <string>

// How many more files this process may open: the soft limit of open files
// (RLIMIT_NOFILE) less the descriptors open now; a large number when either
// cannot be read.
int64_t FreeFileDescriptors();

// True when a failed open is best explained by the limit of open files: the
// last error is EMFILE or ENFILE, or fewer than a handful of descriptors are
// left.
bool OutOfFileDescriptors();

// Called inside a catch block after `fileName` could not be opened: throws
// "Too many open files: <fileName> could not be opened<context>; raise the
// limit (ulimit -n)<advice>" when OutOfFileDescriptors, else rethrows the
// failure in hand.
[[noreturn]] void RethrowOpenFailure(const std::string& fileName, const std::string& context = "",
                                     const std::string& advice = "");
