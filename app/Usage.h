#pragma once

// Writes the usage text to standard output.
void PrintUsage();
