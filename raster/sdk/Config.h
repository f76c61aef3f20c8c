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
    // On by default. No format the layer reads today dithers (docs/vexl.md),
    // so the switch changes nothing for them; the comparison turns it off so
    // that decoded samples stay the codec's own whatever format comes later.
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
