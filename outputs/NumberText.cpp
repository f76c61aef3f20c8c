#include "outputs/NumberText.h"

#include <charconv>
#include <cmath>

std::string RoundTripText(double value) {
    if (std::isnan(value)) {
        return "nan";
    }
    if (std::isinf(value)) {
        return value > 0 ? "inf" : "-inf";
    }
    char text[32];
    const auto written =
        std::to_chars(text, text + sizeof text, value, std::chars_format::general, 9);
    return std::string(text, written.ptr);
}
