#pragma once

#include "tests/support/RasterFixtures.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

// The program is tested as a user meets it: the built binary, run in a
// folder, its standard output, its standard error and its exit code.

using Lines = std::vector<std::string>;

inline Lines operator+(Lines first, const Lines& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

struct ProgramRun {
    std::string output; // standard output
    std::string errors; // standard error
    int exitCode = -1;

    Lines OutputLines() const {
        Lines lines;
        std::istringstream text(output);
        for (std::string line; std::getline(text, line);) {
            lines.push_back(line);
        }
        return lines;
    }
};

// Runs the program in `folder` on "original.tif" and "compressed.jp2" and the
// further arguments; later arguments win. No argument may hold a single quote.
// Standard output goes to `outputFile` when one is named.
inline ProgramRun RunProgram(const std::filesystem::path& folder, const Lines& arguments,
                             const std::string& outputFile = "") {
    char errorsFile[] = "/tmp/zarnik-stderr-XXXXXX";
    close(mkstemp(errorsFile));
    std::string command =
        "cd '" + folder.string() + "' && exec " ZARNIK_BINARY " -i original.tif -c compressed.jp2";
    for (const auto& argument : arguments) {
        command += " '" + argument + "'";
    }
    command += std::string(" 2>'") + errorsFile + "'";
    if (!outputFile.empty()) {
        command += " >'" + outputFile + "'";
    }
    ProgramRun run;
    FILE* const pipe = popen(command.c_str(), "r");
    char chunk[4096];
    for (size_t got; pipe && (got = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;) {
        run.output.append(chunk, got);
    }
    const int status = pipe ? pclose(pipe) : -1;
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream errors(errorsFile, std::ios::binary);
    run.errors.assign(std::istreambuf_iterator<char>(errors), {});
    std::remove(errorsFile);
    return run;
}

// A textured RGB image, the same in every program test.
inline RasterFixture TexturedRgb(int width, int height) {
    RasterFixture raster{width, height, GDT_Byte, {}, {GCI_RedBand, GCI_GreenBand, GCI_BlueBand}};
    for (int band = 0; band < 3; ++band) {
        raster.bands.push_back(MakeBand(width, height, [band](int x, int y) {
            return (x * 7 + y * 13 + band * 50 + (x * y) % 23) % 256;
        }));
    }
    return raster;
}

inline std::string Fixed4(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.4f", value);
    return text;
}
