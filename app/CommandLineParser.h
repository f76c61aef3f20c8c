#pragma once

#include "options/ParsedCommandLine.h"

#include <cstdint>

// Fills `options` from the joined command line: every argument, the program
// name first, each followed by one space. The text is cut at every " -", so an
// option is recognised only at the start of an argument and a value that
// begins with a hyphen is cut off as if it were a new option. Throws
// std::runtime_error on any malformed or contradictory option.
void ParseCommandLine(const char* commandLine, CParsedCommandLine& options);

// Whether the command line asks for the JSON report on standard output
// ("-json -", the last -json deciding), also when it cannot be parsed.
bool AsksForJsonOnStandardOutput(const char* commandLine);

// Strict decimal conversion to a signed 32-bit integer; throws
// std::runtime_error "Failed to parse integer from '<text>'. <reason>".
int32_t ParseInt(const char* text);
