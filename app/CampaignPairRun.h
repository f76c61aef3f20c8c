#pragma once

#include "campaign/PairRunner.h"

// A campaign's pair: the program's own run with that pair's options, quiet,
// its files written into `writeFolder`, and its JSON document closed by the
// campaign's record with the gates' verdict. Fits PairRunner.
void RunCampaignPair(const CParsedCommandLine& options, const std::string& writeFolder,
                     const StampWriter& stamp);
