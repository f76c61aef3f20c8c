#pragma once

#include <cstdint>

// The number of cores this process may run on: its CPU affinity where the
// system has one, so that `taskset` and container limits are respected.
int32_t AvailableCores();
