#include "app/RunComparison.h"

void RunComparison(const CParsedCommandLine&) {}
