#include "tests/support/ProgramRun.h"

#include <cstdio>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>

namespace {

// The text in single quotes for the shell, so that it reaches the program as
// one argument, unchanged.
std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

} // namespace

std::vector<std::string> ProgramRun::Lines() const {
    std::vector<std::string> lines;
    std::istringstream text(output);
    for (std::string line; std::getline(text, line);) {
        lines.push_back(line);
    }
    return lines;
}

ProgramRun RunProgramAndCapture(const std::string& program,
                                const std::vector<std::string>& arguments,
                                const std::string& workingDirectory) {
    std::string command = "cd " + Quoted(workingDirectory) + " && exec " + Quoted(program);
    for (const auto& argument : arguments) {
        command += " " + Quoted(argument);
    }
    FILE* const pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        throw std::runtime_error("cannot run " + program);
    }
    ProgramRun run;
    char chunk[4096];
    for (size_t got; (got = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;) {
        run.output.append(chunk, got);
    }
    const int status = pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return run;
}
