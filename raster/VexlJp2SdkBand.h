#pragma once

#include "raster/ImageFileReader.h"
#include "raster/sdk/View.h"

#include <cstdint>
#include <string>

// One band of a file read through the raster layer's view. All bands of a
// reader share its view: each read sets the view anew and reads its lines
// while holding the reader's mutex, so no other band can interleave.
class CVexlJp2SdkBand : public CBand {
public:
    CVexlJp2SdkBand(Orv::CMutex* sharedMutex, Orv::CView* sharedView, uint32_t fileCellType,
                    uint32_t index);

    // Throws "Unknown cell type <code>" for a code without a read path, the
    // plain messages "Error setting view" and "Unable to read line" when the
    // view fails.
    void ReadRegion(const CRegionPtr& region, float* buffer) override;
    std::string GetName() override { return "JP2SDK"; }
    float* AllocateBuffer(int32_t sampleCount) override;
    void FreeBuffer(float* buffer) override;

private:
    template <typename Sample> void ReadAs(const CRegion& region, float* buffer);

    Orv::CMutex* readerMutex;
    Orv::CView* view;
    uint32_t sdkCellType;
    uint32_t bandIndex;
};
