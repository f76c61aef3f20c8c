#include "app/AvailableCores.h"

#include <thread>

#ifdef __linux__
#include <sched.h>
#endif

int32_t AvailableCores() {
#ifdef __linux__
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    if (sched_getaffinity(0, sizeof(allowed), &allowed) == 0) {
        return CPU_COUNT(&allowed);
    }
#endif
    const unsigned int cores = std::thread::hardware_concurrency();
    return cores == 0 ? 1 : static_cast<int32_t>(cores);
}
