#pragma once

#include <gdal_priv.h>

#include <string>

// Opens a raster through GDAL for reading, quietly; null when GDAL cannot.
//
// GDAL would wait on a FIFO for a writer, or read a device without end, and a
// VRT opens the files it names only when it reads them. So a name that is a
// pipe, device or socket is refused before GDAL sees it, and once the
// dataset is open every file of its file list (the sources a VRT names, a
// mask or auxiliary file beside it) is checked the same way, the file lists of
// the VRTs among them too, up to eight levels deep. Names under GDAL's virtual
// file systems ("/vsi...") are GDAL's own and pass.
GDALDatasetUniquePtr OpenGdalRaster(const std::string& path);
