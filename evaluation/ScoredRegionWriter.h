#pragma once

#include "evaluation/EvaluationResult.h"
#include "evaluation/ImageRegionOutputter.h"

#include <string>
#include <vector>

class CImageFileReader;

// Writes every tile of the list twice, from the original (suffix "o") and
// from the compressed file (suffix "c"), named "<prefix>a_<value>__<x0>_<y0>_<suffix>"
// with the value to four decimals. The prefix is used as given, so a folder
// prefix ends with its separator. When a file of a tile fails, the tile's
// other file is removed too and the failure goes on to the caller.
void WriteScoredRegions(CImageRegionOutputter& outputter, CImageFileReader& originalReader,
                        CImageFileReader& compressedReader, const std::vector<ScoredRegion>& tiles,
                        const std::string& prefix);

// The name of one tile file, without its extension.
std::string ScoredRegionFileName(const std::string& prefix, const ScoredRegion& tile,
                                 const char* suffix);
