#pragma once

#include "options/ParsedCommandLine.h"

#include <string>
#include <utility>

// The values of the options that choose the range figures are measured
// against, the figures the gates judge and the quality map's ramp. Each
// throws a detail naming the option and the text when the value is
// malformed.

// -dataRange: "auto" or a positive, finite number.
void ParseDataRange(const std::string& value, CParsedCommandLine& options);
// -gateBands: band numbers from 0, separated by commas.
void ParseGateBands(const std::string& value, CParsedCommandLine& options);
// -mapRange: "low,high" with low below high.
void ParseMapRange(const std::string& value, CParsedCommandLine& options);

// A gate's "stat" or "stat.figure" as the statistic and the figure (empty
// when none is given). `option` names -failBelow or -failAbove in the
// failure for a figure that does not exist.
std::pair<std::string, std::string> SplitGateFigure(const std::string& text, const char* option);

// Gives every gate without a figure its statistic's default, "pooled" where
// the statistic has a whole-area figure and "avg" elsewhere, and refuses
// "pooled" for a statistic without one. Every gate's statistic is known.
void SettleGateFigures(CParsedCommandLine& options);
