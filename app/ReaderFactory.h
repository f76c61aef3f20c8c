#pragma once

#include "raster/ImageFileReader.h"

#include <memory>
#include <string>

// Opens the compressed file through GDAL (`useGdal`) or our own SDK reader,
// optionally converted to luma. A reader's complete message passes
// unchanged, any other failure becomes "Error opening compressed file.".
// GDAL reads floating-point samples only when they are accepted (-dataRange).
std::unique_ptr<CImageFileReader> OpenCompressedReader(const std::string& fileName, bool useGdal,
                                                       bool yuv, bool yOnly,
                                                       bool floatingPointAccepted = false);

// Opens the original file, always through GDAL, optionally converted to
// luma. Every failure becomes "Error opening original file.".
std::unique_ptr<CImageFileReader> OpenOriginalReader(const std::string& fileName, bool yuv,
                                                     bool yOnly,
                                                     bool floatingPointAccepted = false);
