#pragma once

#include <string>

// Opens a raster file through the raster layer's view, as the comparison
// does, and, when it opens, reads two small windows (the top-left and the
// bottom-right corner, at most 64 x 64 pixels each) of each of its first
// four bands line by line. A refusal by the layer is a normal outcome; only
// crashes, leaks and hangs matter to the fuzzer. Never asks for more than a
// small window, so that a header claiming a huge image costs nothing.
void ReadSmallWindows(const std::string& fileName);
