#pragma once

#include <string_view>

// The last record of a regions file, 16 bytes like a tile's: a run writes
// kRunNotFinished past its last tile's record when it creates the file and
// replaces it with kRegionsComplete once every tile was handed out, so a run
// that stopped early leaves a file that says so. Files of earlier versions
// end with a tile's record and are read as they are.
inline constexpr std::string_view kRegionsComplete = "regions complete";
inline constexpr std::string_view kRunNotFinished = "run not finished";
static_assert(kRegionsComplete.size() == 16 && kRunNotFinished.size() == 16);
