#pragma once

#include "options/ParsedCommandLine.h"

// Opens both files, evaluates the tiles and prints the report.
void RunComparison(const CParsedCommandLine& options);
