#pragma once

#include "options/ParsedCommandLine.h"

#include <optional>
#include <string>

// Refuses a file whose bands differ in data type, naming each band's type,
// and a file of floating-point samples unless -dataRange gives the peak
// value to measure them against, naming the file and the option. A file GDAL
// cannot open passes: its reader tells why.
void CheckMeasurable(const std::string& fileName, const CParsedCommandLine& options);

// The peak value PSNR and SSIM measure against when -dataRange is given: its
// value, or for "auto" 2^bits - 1 of the bit depth the original declares,
// else the largest value of its data type. None without -dataRange.
std::optional<float> ChosenPeakValue(const CParsedCommandLine& options);
