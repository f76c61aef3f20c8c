#include "app/GdalRegistration.h"

#include "raster/sdk/Mutex.h"

#include <gdal_priv.h>

#include <atomic>

namespace {

std::atomic<int32_t> registrationCount{0};
Orv::CMutex registrationMutex;

// GDAL's block cache defaults to a share of the machine's memory and, filled
// by the original's blocks, grows with the tile count; tiles are read once
// each, so a small cache serves as well. Our workers are the run's threads,
// so GDAL starts none of its own. A user's own setting wins in both.
constexpr const char* kDefaultBlockCacheMegabytes = "32";

void SetDefault(const char* key, const char* value) {
    if (CPLGetConfigOption(key, nullptr) == nullptr) {
        CPLSetConfigOption(key, value);
    }
}

} // namespace

void RegisterGdalOnce() {
    if (registrationCount != 0) {
        return;
    }
    Orv::CMutexLock lock(registrationMutex);
    if (registrationCount == 0) {
        SetDefault("GDAL_CACHEMAX", kDefaultBlockCacheMegabytes);
        SetDefault("GDAL_NUM_THREADS", "1");
        GDALDriverManager* manager = GetGDALDriverManager();
        GDALAllRegister();
        manager->AutoLoadDrivers();
        ++registrationCount;
    }
}
