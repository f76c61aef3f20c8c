#pragma once

// Makes every GDAL driver and plug-in available, once per process, however
// many threads ask. Unless the user set GDAL_NUM_THREADS, GDAL starts no
// threads of its own.
void RegisterGdalOnce();
