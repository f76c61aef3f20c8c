#include "platform/Clock.h"

#include <chrono>

namespace {

template <typename Unit> auto TicksSinceOrigin() {
    return std::chrono::duration_cast<Unit>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

uint64_t MonotonicMilliseconds() {
    return static_cast<uint64_t>(TicksSinceOrigin<std::chrono::milliseconds>());
}

int64_t MonotonicMicroseconds() {
    return static_cast<int64_t>(TicksSinceOrigin<std::chrono::microseconds>());
}
