#pragma once

#include <atomic>

namespace Orv::SDK {

// Process-wide settings of the raster layer that apply to every file it
// opens afterwards.
class CConfig {
public:
    void SetTextureDitherEnabled(bool enabled) { textureDitherEnabled = enabled; }
    bool IsTextureDitherEnabled() const { return textureDitherEnabled; }

private:
    // The layer dithers by default; the comparison switches it off so that
    // decoded samples are the codec's own.
    std::atomic<bool> textureDitherEnabled{true};
};

class CFileFactory {
public:
    CConfig& GetConfig() { return config; }

private:
    CConfig config;
};

class CFileBase {
public:
    class CFileFactoryHelper {
    public:
        CFileFactory* Get();
    };

    static CFileFactoryHelper sFilesHelper;
};

} // namespace Orv::SDK
