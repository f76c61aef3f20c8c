#pragma once

#include <cstdint>
#include <functional>
#include <vector>

// Runs every job, at most `threads` at a time; with one thread (or one job)
// on the calling thread alone. Rethrows the first failure once every job
// has ended. The page's pictures are encoded so, within the run's -threads
// budget, after the run's own workers have finished.
void RunJobs(const std::vector<std::function<void()>>& jobs, int32_t threads);
