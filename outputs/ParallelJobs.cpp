#include "outputs/ParallelJobs.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>

void RunJobs(const std::vector<std::function<void()>>& jobs, int32_t threads) {
    std::atomic<size_t> next{0};
    std::exception_ptr failure;
    std::mutex failureMutex;
    const auto work = [&] {
        for (size_t job = next++; job < jobs.size(); job = next++) {
            try {
                jobs[job]();
            } catch (...) {
                const std::lock_guard<std::mutex> lock(failureMutex);
                if (!failure) {
                    failure = std::current_exception();
                }
            }
        }
    };
    const size_t workers = std::min(jobs.size(), static_cast<size_t>(std::max(1, threads)));
    std::vector<std::thread> started;
    // The calling thread is one of the workers; a thread the system refuses
    // leaves the jobs to those started.
    try {
        for (size_t i = 1; i < workers; ++i) {
            started.emplace_back(work);
        }
    } catch (const std::system_error&) { // NOLINT(bugprone-empty-catch): fewer workers
    }
    work();
    for (std::thread& thread : started) {
        thread.join();
    }
    if (failure) {
        std::rethrow_exception(failure);
    }
}
