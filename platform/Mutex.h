#pragma once

#include <mutex>

// The program's mutex and scoped lock: the lock is released on every exit of
// its scope.
using CMutex = std::mutex;
using CMutexLock = std::lock_guard<CMutex>;
