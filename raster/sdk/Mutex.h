#pragma once

#include <mutex>

namespace Orv {

// The raster library's mutex and scoped lock. A standard non-recursive mutex
// gives the same guarantees: the lock is released on every exit of its scope.
using CMutex = std::mutex;
using CMutexLock = std::lock_guard<CMutex>;

} // namespace Orv
