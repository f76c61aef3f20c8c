#pragma once

#include "options/ParsedCommandLine.h"

#include <string>
#include <vector>

// The command line of a campaign (-manifest, -outDir, -shard, -bdReference)
// and of a merge (-merge, -allowPartial, -bdReference).

// -shard k/n; throws unless 0 <= k < n.
void ParseShard(const std::string& text, CParsedCommandLine& options);

// True for a campaign or a merge: no -i and -c then.
bool IsCampaignCommand(const CParsedCommandLine& options);

// Refuses what a campaign or merge cannot do, such as one JSON file for
// every pair, and what only they can (-shard without -manifest).
void CheckCampaignOptions(const CParsedCommandLine& options);

// The options that shape every pair, as typed: every segment of the command
// line but the campaign's own options and -threads, which changes no
// figure. Campaign records compare it to tell campaigns apart.
std::string PairOptionsText(const std::vector<std::string>& segments);
