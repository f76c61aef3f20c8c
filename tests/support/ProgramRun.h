#pragma once

#include <string>
#include <vector>

// What a user sees of one run of a program: its standard output, split into
// lines, and its exit code.
struct ProgramRun {
    std::string output;
    int exitCode = -1;

    std::vector<std::string> Lines() const;
};

// Runs `program` with `arguments` (no shell involved) in `workingDirectory`,
// or the current one when empty, and captures its standard output.
ProgramRun RunProgramAndCapture(const std::string& program,
                                const std::vector<std::string>& arguments,
                                const std::string& workingDirectory = {},
                                const std::vector<std::string>& environment = {});
