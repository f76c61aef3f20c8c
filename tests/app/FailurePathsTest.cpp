#include "tests/app/ProgramFixture.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace {

// Every file of `folder` with its bytes.
std::map<std::string, std::string> FolderContents(const std::filesystem::path& folder) {
    std::map<std::string, std::string> contents;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        std::ifstream file(entry.path(), std::ios::binary);
        contents[entry.path().filename().string()].assign(std::istreambuf_iterator<char>(file), {});
    }
    return contents;
}

// When a failing run stops.
enum class Stop { Parse, BeforeFirstTile, Late };

struct FailureRow {
    Lines arguments;
    std::string message;
    Stop stop;
};

using FailurePaths = Program;

// A failed run names the reason, exits with 2, leaves every file of its folder
// as it was (no output left behind, no input changed) and, when it fails before
// the first tile, shows no progress.
TEST_F(FailurePaths, BadOutputsAndGatesFailWithExitCode2AndLeaveTheFolderAsItWas) {
    ASSERT_EQ(Run({"-ts", "128", "-tn", "2", "-saveRegions", "r.bin"}).exitCode, 0);
    std::filesystem::create_hard_link(original, folder.File("link.png"));
    const std::vector<FailureRow> rows = {
        {{"-failBelow", "ssim"}, "-failBelow expects stat=value, not 'ssim'", Stop::Parse},
        {{"-failBelow", "ssim="}, "-failBelow expects stat=value, not 'ssim='", Stop::Parse},
        {{"-failAbove", "ssim=abc"}, "-failAbove expects stat=value, not 'ssim=abc'", Stop::Parse},
        {{"-failBelow", "ssim=0.5x"},
         "-failBelow expects stat=value, not 'ssim=0.5x'",
         Stop::Parse},
        {{"-failBelow", "=0.9"}, "-failBelow expects stat=value, not '=0.9'", Stop::Parse},
        {{"-failBelow", "psnr=30"},
         "-failBelow statistic 'psnr' must be one of the values provided in -stat.",
         Stop::Parse},
        {{"-json", "nowhere/r.json"},
         "Unable to create JSON report nowhere/r.json",
         Stop::BeforeFirstTile},
        {{"-tileValues", "nowhere/t.csv"},
         "Unable to create tile values file nowhere/t.csv",
         Stop::BeforeFirstTile},
        {{"-qualityMap", "nowhere/m.tif"},
         "Unable to create quality map nowhere/m.tif",
         Stop::BeforeFirstTile},
        {{"-qualityMap", "m.tif", "-compareBand", "3"},
         "The quality map's quick look shows -compareBand 3, which is no band of the 3-band "
         "images",
         Stop::BeforeFirstTile},
        // An output never replaces an input or another output.
        {{"-json", "original.tif"},
         "-json and -i name the same file original.tif",
         Stop::BeforeFirstTile},
        {{"-qualityMap", "./compressed.jp2"},
         "-qualityMap and -c name the same file ./compressed.jp2",
         Stop::BeforeFirstTile},
        {{"-qualityMap", "link.tif"},
         "-qualityMap's quick look and -i name the same file link.png",
         Stop::BeforeFirstTile},
        {{"-qualityMap", "m.tif", "-html", "m.pgw"},
         "-qualityMap's world file and -html name the same file m.pgw",
         Stop::BeforeFirstTile},
        {{"-json", "x", "-tileValues", "x"},
         "-tileValues and -json name the same file x",
         Stop::BeforeFirstTile},
        {{"-saveRegions", "original.tif.msk"},
         "-saveRegions and the mask of -i name the same file original.tif.msk",
         Stop::BeforeFirstTile},
        {{"-useRegions", "r.bin", "-ts", "0", "-tn", "0", "-json", "r.bin"},
         "-json and -useRegions name the same file r.bin",
         Stop::BeforeFirstTile},
        {{"-best", "1", "-bestPrefix", "t_", "-json", "t_a_0.5__0_0_o.tiff"},
         "-bestPrefix and -json may name the same file t_a_0.5__0_0_o.tiff",
         Stop::BeforeFirstTile},
        {{"-tileValues", "/dev/full"}, "Unable to write tile values file /dev/full", Stop::Late},
        {{"-json", "/dev/full"}, "Unable to write JSON report /dev/full", Stop::Late},
    };
    const auto before = FolderContents(folder.Path());
    for (const auto& [arguments, message, stop] : rows) {
        SCOPED_TRACE(message);
        const ProgramRun run = Run(Lines{"-ts", "128", "-tn", "2"} + arguments);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_EQ(run.errors, "");
        const bool parse = stop == Stop::Parse;
        EXPECT_NE(run.output.find((parse ? "\n\n" : "Error occured. Details: ") + message + "\n"),
                  std::string::npos)
            << run.output;
        EXPECT_EQ(parse, run.output.find("Failed to parse command line") != std::string::npos);
        EXPECT_TRUE(stop == Stop::Late || run.output.find(" of 2 [") == std::string::npos);
        EXPECT_EQ(FolderContents(folder.Path()), before);
    }
    // When standard output cannot take the report, standard error says so.
    const ProgramRun full = RunProgram(folder.Path(), {"-ts", "128", "-tn", "2"}, "/dev/full");
    EXPECT_EQ(full.exitCode, 2);
    EXPECT_EQ(full.errors, "Error occured. Details: Unable to write to standard output\n");
}

} // namespace
