#include "raster/SdkFailure.h"

#include "raster/sdk/Error.h"

void ThrowViewFailure(const char* fixedText, int32_t errorNumber, const FailurePlace& place,
                      const CRegion& tile) {
    throw CZarnikError::Complete(std::string(fixedText) + " for " + place.Text() + " at tile " +
                                     TileText(tile) + " with error " +
                                     ViewFailureReason(errorNumber),
                                 place);
}

std::string ViewFailureReason(int32_t errorNumber) {
    switch (errorNumber) {
    case Orv::kErrorCannotReadFile:
        return "the file cannot be read";
    case Orv::kErrorUnknownFormat:
        return "the file's format is unknown";
    case Orv::kErrorCorruptFile:
        return "the file is corrupt";
    case Orv::kErrorUnsupportedLayout:
        return "the file's layout is not supported";
    case Orv::kErrorNotOpen:
        return "no file is open";
    case Orv::kErrorInvalidView:
        return "the window does not lie inside the image";
    case Orv::kErrorDecodeFailed:
        return "the data cannot be decoded";
    case Orv::kErrorOutOfMemory:
        return "out of memory";
    default:
        return "error number " + std::to_string(errorNumber);
    }
}
