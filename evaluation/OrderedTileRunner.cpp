#include "evaluation/OrderedTileRunner.h"

#include <condition_variable>
#include <deque>
#include <exception>
#include <map>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace {

constexpr int32_t kTilesInFlightPerWorker = 2;

// One tile's outcome: its measurement, or what went wrong with it.
struct Outcome {
    CRegionPtr tile;
    TileMeasurement measurement;
    std::exception_ptr failure;
};

struct Job {
    int32_t index;
    CRegionPtr tile;
};

// What the calling thread and the workers share, under one lock.
class CSharedQueue {
public:
    // Called by a worker: the next job, or none when the run is over.
    bool Take(Job& job) {
        std::unique_lock lock(mutex);
        jobsReady.wait(lock, [this] { return closed || !jobs.empty(); });
        if (jobs.empty()) {
            return false;
        }
        job = std::move(jobs.front());
        jobs.pop_front();
        return true;
    }

    void Put(Job job) {
        {
            std::lock_guard lock(mutex);
            jobs.push_back(std::move(job));
        }
        jobsReady.notify_one();
    }

    void Finish(int32_t index, Outcome outcome) {
        {
            std::lock_guard lock(mutex);
            outcomes[index] = std::move(outcome);
        }
        outcomeReady.notify_all();
    }

    // Called by the calling thread: waits for the outcome of tile `index`.
    Outcome Await(int32_t index) {
        std::unique_lock lock(mutex);
        outcomeReady.wait(lock, [&] { return outcomes.count(index) != 0; });
        Outcome outcome = std::move(outcomes[index]);
        outcomes.erase(index);
        return outcome;
    }

    // Workers finish the job in hand and take no other.
    void Close() {
        {
            std::lock_guard lock(mutex);
            closed = true;
            jobs.clear();
        }
        jobsReady.notify_all();
    }

private:
    std::mutex mutex;
    std::condition_variable jobsReady;
    std::condition_variable outcomeReady;
    std::deque<Job> jobs;
    std::map<int32_t, Outcome> outcomes;
    bool closed = false;
};

// Joins the workers on every way out of the run, also when it fails.
class CWorkers {
public:
    // A thread the system refuses (a limit on processes in a container)
    // leaves the run to the workers started before it.
    CWorkers(CSharedQueue& sharedQueue, int32_t count, const TileWork& work) : queue(sharedQueue) {
        try {
            for (int32_t worker = 0; worker < count; ++worker) {
                threads.emplace_back([this, worker, &work] { Serve(worker, work); });
            }
        } catch (const std::system_error&) { // NOLINT(bugprone-empty-catch): fewer workers
        }
    }
    ~CWorkers() {
        queue.Close();
        for (std::thread& thread : threads) {
            thread.join();
        }
    }
    CWorkers(const CWorkers&) = delete;
    int32_t Count() const { return static_cast<int32_t>(threads.size()); }
    CWorkers& operator=(const CWorkers&) = delete;

private:
    void Serve(int32_t worker, const TileWork& work) {
        Job job;
        while (queue.Take(job)) {
            Outcome outcome{job.tile, {}, nullptr};
            try {
                outcome.measurement = work.measure(worker, job.index, job.tile);
            } catch (...) {
                outcome.failure = std::current_exception();
            }
            queue.Finish(job.index, std::move(outcome));
        }
    }

    CSharedQueue& queue;
    std::vector<std::thread> threads;
};

} // namespace

COrderedTileRunner::COrderedTileRunner(int32_t workers) : workerCount(workers < 1 ? 1 : workers) {}

void COrderedTileRunner::Run(int32_t tileCount, const TileWork& work) const {
    if (workerCount == 1) {
        RunOnCallingThread(tileCount, work);
    } else {
        RunOnWorkers(tileCount, work);
    }
}

void COrderedTileRunner::RunOnCallingThread(int32_t tileCount, const TileWork& work) const {
    for (int32_t index = 0; index < tileCount; ++index) {
        const CRegionPtr tile = work.fetch(index);
        std::exception_ptr failure;
        TileMeasurement measurement;
        try {
            measurement = work.measure(0, index, tile);
        } catch (...) {
            failure = std::current_exception();
        }
        work.settle(index, tile);
        if (failure) {
            std::rethrow_exception(failure);
        }
        work.deliver(measurement);
    }
}

void COrderedTileRunner::RunOnWorkers(int32_t tileCount, const TileWork& work) const {
    CSharedQueue queue;
    CWorkers workers(queue, workerCount, work);
    if (workers.Count() == 0) { // not even one thread: the calling thread is worker 0
        RunOnCallingThread(tileCount, work);
        return;
    }
    const int32_t inFlight = kTilesInFlightPerWorker * workers.Count();
    int32_t fetched = 0;
    std::exception_ptr fetchFailure;
    for (int32_t index = 0; index < tileCount; ++index) {
        // A tile that cannot be fetched fails in its turn, as it would have
        // on one thread; nothing after it is fetched.
        while (!fetchFailure && fetched < tileCount && fetched - index < inFlight) {
            try {
                queue.Put(Job{fetched, work.fetch(fetched)});
                ++fetched;
            } catch (...) {
                fetchFailure = std::current_exception();
            }
        }
        if (index == fetched) {
            std::rethrow_exception(fetchFailure);
        }
        const Outcome outcome = queue.Await(index);
        work.settle(index, outcome.tile);
        if (outcome.failure) {
            std::rethrow_exception(outcome.failure);
        }
        work.deliver(outcome.measurement);
    }
}
