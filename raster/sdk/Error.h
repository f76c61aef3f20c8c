#pragma once

#include <cstdint>

namespace Orv {

// Error numbers of the layer. Callers rely only on 0 meaning success; the
// others tell a person debugging a file what went wrong.
enum ErrorNumber : int32_t {
    kErrorNone = 0,
    kErrorCannotReadFile = 1,
    kErrorUnknownFormat = 2,
    kErrorCorruptFile = 3,
    kErrorUnsupportedLayout = 4,
    kErrorNotOpen = 5,
    kErrorInvalidView = 6,
    kErrorDecodeFailed = 7,
    kErrorOutOfMemory = 8,
};

// Outcome of a view operation. Inside the layer it is also thrown, so that a
// failure deep in a decoder reaches the view with its number.
class CError {
public:
    CError() = default;
    explicit CError(ErrorNumber errorNumber) : number(errorNumber) {}

    int32_t GetErrorNumber() const { return number; }

private:
    int32_t number = kErrorNone;
};

} // namespace Orv
