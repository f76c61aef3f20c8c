#pragma once

#include <string>

// A number as machines read it back: the classic notation whatever the user's
// locale, nine significant digits (enough to round-trip a float), and "inf",
// "-inf" or "nan" for values that are not finite.
std::string RoundTripText(double value);
