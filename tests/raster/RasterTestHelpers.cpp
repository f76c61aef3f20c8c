#include "tests/raster/RasterTestHelpers.h"

#include <algorithm>
#include <exception>
#include <stdexcept>

std::vector<float> ReadBand(CBand& band, const CRegionPtr& region) {
    const auto count = static_cast<int32_t>(region->Width() * region->Height());
    float* buffer = band.AllocateBuffer(count);
    try {
        band.ReadRegion(region, buffer);
    } catch (...) {
        band.FreeBuffer(buffer);
        throw;
    }
    std::vector<float> samples(buffer, buffer + count);
    band.FreeBuffer(buffer);
    return samples;
}

CRegionPtr MakeRegion(int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    return std::make_shared<CRegion>(x0, y0, x1, y1);
}

std::string PlainMessageOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const char* message) {
        return message;
    } catch (const std::exception& error) {
        return std::string("<exception instead of a plain message: ") + error.what() + ">";
    } catch (...) {
        return "<unexpected exception type>";
    }
    return {};
}

std::string RuntimeErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const std::runtime_error& error) {
        return error.what();
    } catch (const char* message) {
        return std::string("<plain message instead of a runtime error: ") + message + ">";
    } catch (...) {
        return "<unexpected exception type>";
    }
    return {};
}
