#pragma once

#include "campaign/PairDocument.h"
#include "campaign/PairRunner.h"
#include "options/ParsedCommandLine.h"

#include <ostream>
#include <string>
#include <vector>

// Runs the rows of -manifest that belong to this -shard, one pair after
// another with `runPair`, into -outDir: a JSON document per row (an error
// document for a pair that fails), kept from an earlier run where it records
// the same inputs and options. Unsharded, writes the summary after the last
// pair. Returns the exit code: 2 when a pair failed, 3 when one failed a
// gate, 0 otherwise. An unusable manifest or output folder throws before
// any pair runs.
int RunCampaign(const CParsedCommandLine& options, const PairRunner& runPair,
                std::ostream& console);

// Writes the summary of the campaign documents in -merge's folder and
// returns the exit code the campaign would have had. Documents of another
// campaign, a row with two documents, and missing rows (unless
// -allowPartial) throw.
int MergeCampaign(const CParsedCommandLine& options, std::ostream& console);

// summary.csv and summary.json in `folder`, from `pairs` in row order;
// returns the text of summary.json.
std::string WriteSummaryFiles(const std::string& folder, const std::vector<PairDocument>& pairs,
                              const std::string& bdReference,
                              const std::vector<int64_t>& missingRows);

// "39 passed, 2 failed a gate, 1 failed to run".
std::string VerdictCounts(const std::vector<PairDocument>& pairs);
