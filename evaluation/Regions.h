#pragma once

#include "evaluation/EvaluationResult.h"
#include "platform/Mutex.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <vector>

// Keeps the `capacity` tiles whose values come first by `Compare`:
// std::greater<float> keeps the highest values, std::less<float> the lowest.
// The heap's top is the entry to drop next, so it never holds more than
// capacity + 1 entries whatever the number of tiles offered.
template <typename Compare> class CRegions {
public:
    explicit CRegions(int32_t kept) : capacity(kept) {}
    virtual ~CRegions() {
        CMutexLock lock(mutex);
        while (!heap.empty()) {
            PopTop();
        }
    }

    void Add(float value, CRegionPtr region) {
        CMutexLock lock(mutex);
        heap.push_back(Entry{value, std::move(region)});
        std::push_heap(heap.begin(), heap.end(), ByValue());
        if (static_cast<int64_t>(heap.size()) > capacity) {
            PopTop();
        }
    }

    // The kept tiles, best first (highest for greater, lowest for less). The
    // container keeps them: they are offered to it again after being taken.
    std::vector<ScoredRegion> GetAll() {
        std::vector<ScoredRegion> all;
        {
            CMutexLock lock(mutex);
            while (!heap.empty()) {
                all.insert(all.begin(), ScoredRegion{heap.front().region, heap.front().value});
                PopTop();
            }
        }
        for (const auto& scored : all) {
            Add(scored.value, scored.region);
        }
        return all;
    }

private:
    struct Entry {
        float value;
        CRegionPtr region;
    };

    auto ByValue() const {
        return [this](const Entry& a, const Entry& b) { return compare(a.value, b.value); };
    }

    void PopTop() {
        std::pop_heap(heap.begin(), heap.end(), ByValue());
        heap.pop_back();
    }

    int64_t capacity;
    CMutex mutex;
    std::vector<Entry> heap;
    Compare compare;
};
