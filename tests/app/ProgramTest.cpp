#include "tests/support/ProgramRun.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const std::string kProgram = ZARNIK_BINARY;

const std::vector<std::string> kUsageLines = {
    "",
    "Zarnik tool usage: ",
    "Zarnik -i originalFileName -c compressedFileName [-or seq|ran] [-stat statsNames] [-tn "
    "number] [-ts number]",
    "  -i fileName\t\toriginal (uncompressed) file name.",
    "  -c fileName\t\tcompressed file name.",
    "  -or (seq|ran)\t\tsequential or random request type.",
    "  -tn number\t\tnumber of tiles to test. ",
    "  -ts number\t\tsize of tile to test. ",
    "  -stat statsNames\tstats coma separated list of statistics or all.",
    "  \t\t\tStatistics available: ssim, psnr, mse.",
    "  -u\t\t\tuse GDAL library for reading compressed files (if not ",
    "  \t\t\tspecified it will use VexlJP2SDK, only .vexl and .jp2 ",
    "  \t\t\tfiles will be read). If -u is specified any files",
    "  \t\t\tsupported by GDAL can be read (including .vexl and .jp2).",
    "  -yuvy\t\t\tstatistics will be computed for bands: RGB and Y. ",
    "  -yuvY\t\t\tstatistics will be computed for band Y only.",
    "  -best number\t\tbest number of tiles will be outputted.",
    "  -worst number\t\tnumber of worst tiles will be outputted.",
    "  -bestPrefix path\toutput names for best tiles will be prefixed by path.",
    "  -worstPrefix path\toutput names for worst tiles will be prefixed by path.",
    "  -compareBand number\tband number to determine best/worst tile upon.",
    "  -compareStat statName\tstat name number to determine best/worst tile upon.",
    "  -enableDithering \tEnable dithering. Only files read by Vexl/JP2 SDK.",
    "  -bbox x0,y0,x1,y1\tLimit the test to a specified pixel bbox.",
    "  -saveRegions file.bin\tSave the regions to a file.",
    "  -useRegions file.bin\tUse a previously saved regions file.",
};

std::vector<std::string> ParseFailureLines(const std::string& commandLine,
                                           const std::string& message) {
    std::vector<std::string> lines = {"", "Failed to parse command line '" + commandLine + "'", "",
                                      message};
    lines.insert(lines.end(), kUsageLines.begin(), kUsageLines.end());
    return lines;
}

TEST(Program, MalformedCommandLinesPrintTheFailureAndUsageAndExitWith2) {
    struct Case {
        std::vector<std::string> arguments;
        std::string echoedArguments;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{}, "", "Compressed filename cannot be empty"},
        {{"-c", "a.jp2", "-i", "b.tif", "-tn", "12x"},
         "-c a.jp2 -i b.tif -tn 12x ",
         "Failed to parse integer from '12x'. Could not find numbers in string"},
        {{"-c", "a.jp2", "-I", "b.tif"}, "-c a.jp2 -I b.tif ", "Original filename cannot be empty"},
        // The regions file is read while parsing; nothing else is opened.
        {{"-c", "a.jp2", "-i", "b.tif", "-useRegions", "/nonexistent/r.bin"},
         "-c a.jp2 -i b.tif -useRegions /nonexistent/r.bin ",
         "No data in saved regions file /nonexistent/r.bin"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        const ProgramRun run = RunProgramAndCapture(kProgram, c.arguments);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_EQ(run.Lines(), ParseFailureLines(kProgram + " " + c.echoedArguments, c.message));
    }
}

} // namespace
