#pragma once

#include "raster/ImageFileReader.h"

#include <initializer_list>

// Unless the user set GDAL_CACHEMAX, bounds GDAL's block cache to two rows of
// blocks of every file the readers read through GDAL, within 8 MiB and 1 GiB.
// Tiles read in order come back to a row of blocks for their next line, so
// each block is still read once; random tiles seldom meet a block twice, so
// a larger cache would only grow with their count.
void BoundGdalBlockCache(std::initializer_list<CImageFileReader*> readers);
