#pragma once

// Runs one comparison from the process arguments and returns the exit code:
// 0 after a complete run, 2 after any failure. Everything, failures included,
// is written to standard output.
int RunProgram(int argc, const char* const* argv);
