#include "tests/app/ProgramFixture.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
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

// The program on the test pair with `arguments`, its standard output a pipe of
// one page that the test leaves unread until Finish: a run whose progress
// lines fill it cannot end before, however fast the machine.
class HeldRun {
public:
    HeldRun(const std::filesystem::path& folder, const Lines& arguments) {
        int ends[2];
        EXPECT_EQ(pipe(ends), 0);
        fcntl(ends[1], F_SETPIPE_SZ, 4096);
        process = fork();
        if (process == 0) {
            dup2(ends[1], STDOUT_FILENO);
            close(ends[0]);
            if (chdir(folder.c_str()) != 0) {
                _exit(99);
            }
            std::vector<const char*> argv = {ZARNIK_BINARY, "-i", "original.tif", "-c",
                                             "compressed.jp2"};
            for (const std::string& argument : arguments) {
                argv.push_back(argument.c_str());
            }
            argv.push_back(nullptr);
            execv(ZARNIK_BINARY, const_cast<char* const*>(argv.data()));
            _exit(98);
        }
        close(ends[1]);
        output = ends[0];
    }

    // Waits until `fileName` holds a row after its header, or the program ended.
    void WaitForRows(const std::string& fileName) {
        for (;;) {
            std::ifstream file(fileName);
            std::string line;
            if ((std::getline(file, line) && std::getline(file, line)) ||
                waitpid(process, &status, WNOHANG) == process) {
                return;
            }
            usleep(1000);
        }
    }

    void Signal(int number) const { kill(process, number); }

    // Reads standard output to its end; the exit code, or -signal.
    ProgramRun Finish() {
        ProgramRun run;
        char chunk[4096];
        for (ssize_t got; (got = read(output, chunk, sizeof chunk)) > 0;) {
            run.output.append(chunk, static_cast<size_t>(got));
        }
        close(output);
        waitpid(process, &status, 0);
        run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
        return run;
    }

private:
    pid_t process;
    int output;
    int status = 0;
};

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
    RasterFixture empty = rgb;
    for (BandValues& band : empty.bands) {
        std::fill(band.begin(), band.end(), 0);
    }
    WriteGeoTiff(folder.File("empty.tif"), empty);
    WriteGeoTiff(folder.File("nodata300.tif"), rgb);
    // Every pixel nodata; a nodata value a Byte band cannot hold, which GDAL ignores.
    for (const auto& [name, value] : {std::pair{"empty.tif", 0}, {"nodata300.tif", 300}}) {
        const GDALDatasetUniquePtr nodata(
            GDALDataset::Open(folder.File(name).c_str(), GDAL_OF_UPDATE));
        for (int band = 1; band <= 3; ++band) {
            ASSERT_EQ(nodata->GetRasterBand(band)->SetNoDataValue(value), CE_None);
        }
    }
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
        {{"-failBelow", "ssim=nan"},
         "-failBelow limit 'nan' in 'ssim=nan' is not a number",
         Stop::Parse},
        {{"-failBelow", "ssim=1e999"},
         "-failBelow limit '1e999' in 'ssim=1e999' is too large for a 32-bit float",
         Stop::Parse},
        {{"-failAbove", "mse=1e-60"},
         "-failAbove limit '1e-60' in 'mse=1e-60' is too small for a 32-bit float: it would be 0",
         Stop::Parse},
        {{"-json", "nowhere/r.json"},
         "Unable to create JSON report nowhere/r.json: No such file or directory",
         Stop::BeforeFirstTile},
        {{"-tileValues", "nowhere/t.csv"},
         "Unable to create tile values file nowhere/t.csv: No such file or directory",
         Stop::BeforeFirstTile},
        {{"-qualityMap", "nowhere/m.tif"},
         "Unable to create quality map nowhere/m.tif",
         Stop::BeforeFirstTile},
        {{"-qualityMap", "m.tif", "-compareBand", "3"},
         "The quality map's quick look shows -compareBand 3, which is no band of the 3-band "
         "images",
         Stop::BeforeFirstTile},
        // What would stop the best and worst tiles after the last tile stops the run before the
        // first.
        {{"-worst", "1", "-worstPrefix", "nowhere/w_"},
         "Unable to create tile files in the folder of -worstPrefix nowhere/w_",
         Stop::BeforeFirstTile},
        {{"-best", "1", "-compareBand", "3"},
         "-best and -worst rank the tiles by -compareBand 3, which is no band of the 3-band images",
         Stop::BeforeFirstTile},
        {{"-i", "empty.tif", "-c", "empty.tif", "-u", "-useMask"},
         "The mask of empty.tif leaves no tile with pixels to measure",
         Stop::Late},
        {{"-i", "nodata300.tif", "-c", "nodata300.tif", "-u", "-useMask"},
         "the nodata value 300 of band 0 of nodata300.tif lies outside the range of its data type "
         "Byte, so GDAL ignores it",
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
        // A run that fails after completing some outputs leaves none of them.
        {{"-tileValues", "/dev/full", "-json", "r.json", "-qualityMap", "m.tif"},
         "Unable to write tile values file /dev/full: No space left on device",
         Stop::Late},
        {{"-json", "/dev/full", "-qualityMap", "m.tif", "-best", "1", "-html", "p.html"},
         "Unable to write JSON report /dev/full: No space left on device",
         Stop::Late},
        {{"-json", "/dev/full"},
         "Unable to write JSON report /dev/full: No space left on device",
         Stop::Late},
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

// An interrupted run removes what would look finished and exits as shells
// expect; the streamed tile values and regions file say that it did not
// finish, and a replay of such a regions file is refused. An output whose
// folder vanishes mid-run is lost: exit 2.
TEST_F(FailurePaths, InterruptedRunsAndVanishedFoldersLeaveNothingThatLooksFinished) {
    const Lines arguments = {"-ts",         "8",     "-tileValues", "t.csv", "-saveRegions",
                             "r.bin",       "-json", "r.json",      "-html", "p.html",
                             "-qualityMap", "m.tif", "-best",       "1"};
    const auto before = FolderContents(folder.Path());
    for (const auto& [signal, exitCode] : {std::pair{SIGINT, 130}, {SIGTERM, 143}, {SIGHUP, 129}}) {
        SCOPED_TRACE(exitCode);
        std::filesystem::remove(folder.File("t.csv")); // the rows of the run before
        HeldRun run(folder.Path(), arguments);
        run.WaitForRows(folder.File("t.csv"));
        run.Signal(signal);
        EXPECT_EQ(run.Finish().exitCode, exitCode);
        auto after = FolderContents(folder.Path());
        const std::string rows = after["t.csv"], regions = after["r.bin"];
        EXPECT_EQ(rows.substr(0, 5), "tile,");
        EXPECT_EQ(rows.find("# complete"), std::string::npos);
        EXPECT_EQ(regions.substr(regions.size() - 16), "run not finished");
        after.erase("t.csv");
        after.erase("r.bin");
        EXPECT_EQ(after, before);
        const ProgramRun replay = Run({"-useRegions", "r.bin"});
        EXPECT_EQ(replay.exitCode, 2);
        EXPECT_NE(replay.output.find("Saved regions file r.bin is from a run that did not finish"),
                  std::string::npos)
            << replay.output;
    }
    std::filesystem::create_directory(folder.File("out"));
    HeldRun vanishing(folder.Path(), {"-ts", "8", "-tileValues", "out/t.csv"});
    vanishing.WaitForRows(folder.File("out/t.csv"));
    std::filesystem::remove_all(folder.File("out"));
    const ProgramRun lost = vanishing.Finish();
    EXPECT_EQ(lost.exitCode, 2);
    EXPECT_NE(
        lost.output.find(
            "Error occured. Details: Unable to write tile values file out/t.csv: its folder was "
            "removed or replaced\n"),
        std::string::npos);
}

} // namespace
