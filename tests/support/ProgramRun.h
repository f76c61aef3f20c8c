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

// Runs `program` with `arguments` in `workingDirectory` through the shell
// and captures its standard output. The environment is the caller's.
ProgramRun RunProgramAndCapture(const std::string& program,
                                const std::vector<std::string>& arguments,
                                const std::string& workingDirectory);
