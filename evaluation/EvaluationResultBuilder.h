#pragma once

#include "evaluation/AlgorithmResultAssembler.h"
#include "evaluation/EvaluationResult.h"

#include <string>
#include <vector>

class CImageFileReader;

// What a finished run hands over to be turned into its EvaluationResult.
struct CollectedRun {
    int32_t tileCount = 0;
    std::string originalFileName;
    std::string compressedFileName;
    CImageFileReader* originalReader = nullptr;
    CImageFileReader* compressedReader = nullptr;
    int32_t bandCount = 0;
    CRegionPtr area;
    std::vector<ScoredRegion> bestTiles;
    std::vector<ScoredRegion> worstTiles;
    CAlgorithmResultAssembler::AlgorithmResults results;
    CAlgorithmResultAssembler::AreaTerms areaTerms;
    CAlgorithmResultAssembler::Timings originalReadTimes;
    CAlgorithmResultAssembler::Timings compressedReadTimes;
};

// Copies the run's records into value maps, merging statistic objects of the
// same name, and adds file sizes and band names. Throws the bare text
// "Unable to get file size." when either file's size cannot be had, after
// everything else was gathered.
EvaluationResult BuildEvaluationResult(CollectedRun run);
