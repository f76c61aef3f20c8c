#pragma once

#include "platform/ZarnikError.h"
#include "raster/ImageFileReader.h"
#include "raster/sdk/View.h"

#include <cstdint>
#include <string>

// One band of a file read through the raster layer's view. All bands of a
// reader share its view: each read sets the view anew and reads its lines
// while holding the reader's mutex, so no other band can interleave.
class CVexlJp2SdkBand : public CBand {
public:
    // `fileName` names the file in failures.
    CVexlJp2SdkBand(CMutex* sharedMutex, Orv::CView* sharedView, uint32_t fileCellType,
                    uint32_t index, std::string fileName);

    // Throws "Unknown cell type <code>" for a code without a read path;
    // when the view fails, "Error setting view" or "Unable to read line"
    // followed by the band, the file and the view's reason.
    void ReadRegion(const CRegionPtr& region, float* buffer) override;
    std::string GetName() override { return "JP2SDK"; }
    float* AllocateBuffer(int32_t sampleCount) override;
    void FreeBuffer(float* buffer) override;

private:
    template <typename Sample> void ReadAs(const CRegion& region, float* buffer);
    FailurePlace Place() const;

    CMutex* readerMutex;
    Orv::CView* view;
    uint32_t sdkCellType;
    uint32_t bandIndex;
    std::string file;
};
