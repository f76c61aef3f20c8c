#pragma once

// Makes every GDAL driver and plug-in available, once per process, however
// many threads ask.
void RegisterGdalOnce();
