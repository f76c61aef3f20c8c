#include "app/GdalRegistration.h"

#include "platform/Mutex.h"

#include <gdal_priv.h>

#include <atomic>

namespace {

std::atomic<int32_t> registrationCount{0};
CMutex registrationMutex;

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
    CMutexLock lock(registrationMutex);
    if (registrationCount == 0) {
        // Our workers are the run's threads, so GDAL starts none of its own,
        // unless the user asks for them.
        SetDefault("GDAL_NUM_THREADS", "1");
        GDALDriverManager* manager = GetGDALDriverManager();
        GDALAllRegister();
        manager->AutoLoadDrivers();
        ++registrationCount;
    }
}
