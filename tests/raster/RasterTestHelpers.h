#pragma once

#include "platform/ZarnikError.h"
#include "raster/ImageFileReader.h"

#include <cmath>
#include <iomanip>
#include <sstream>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

// Reads `region` from `band` the way every caller does: allocate with the
// band, read, and free with the band also when the read fails.
inline std::vector<float> ReadBand(CBand& band, const CRegionPtr& region) {
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

inline CRegionPtr MakeRegion(int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    return std::make_shared<CRegion>(x0, y0, x1, y1);
}

// Whole numbers print in full (4294967296, not 4.29497e+09), others with as
// many digits as it takes to tell two floats apart.
inline std::string Text(float value) {
    std::ostringstream text;
    if (std::isfinite(value) && value == std::trunc(value) && std::fabs(value) < 1e15f) {
        text << static_cast<long long>(value);
    } else {
        text << std::setprecision(9) << value;
    }
    return text.str();
}

inline std::string Text(const std::vector<float>& samples) {
    std::string text;
    for (const float sample : samples) {
        text.append(text.empty() ? "" : " ").append(Text(sample));
    }
    return text;
}

inline std::string Text(std::string text) {
    return text;
}

inline std::string Text(CellType type) {
    const char* const names[] = {"UInt8", "Int16",   "UInt16", "UInt32",
                                 "Int32", "Float32", "Float64"};
    const auto index = static_cast<size_t>(type) - 1;
    return index < 7 ? names[index] : "CellType " + std::to_string(index + 1);
}

// What `action` returns, as text, or what it throws with its kind:
// "complete: " and the text of a message that layers above pass on as it is,
// "detail: " and the text of one they wrap in their own. A void action that
// throws nothing yields "".
template <typename Action> std::string Outcome(Action action) {
    try {
        if constexpr (std::is_void_v<decltype(action())>) {
            action();
            return "";
        } else {
            return Text(action());
        }
    } catch (const CZarnikError& error) {
        return std::string(error.IsComplete() ? "complete: " : "detail: ") + error.what();
    } catch (...) {
        return "<another kind of exception>";
    }
}
