#include "app/GdalRegistration.h"

#include "raster/sdk/Mutex.h"

#include <gdal_priv.h>

#include <atomic>

namespace {

std::atomic<int32_t> registrationCount{0};
Orv::CMutex registrationMutex;

} // namespace

void RegisterGdalOnce() {
    if (registrationCount != 0) {
        return;
    }
    Orv::CMutexLock lock(registrationMutex);
    if (registrationCount == 0) {
        GDALDriverManager* manager = GetGDALDriverManager();
        GDALAllRegister();
        manager->AutoLoadDrivers();
        ++registrationCount;
    }
}
