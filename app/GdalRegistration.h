#pragma once

// Makes every GDAL driver and plug-in available, once per process, however
// many threads ask. Unless the user set them, GDAL's block cache is bounded to
// 32 MB and GDAL starts no threads of its own.
void RegisterGdalOnce();
