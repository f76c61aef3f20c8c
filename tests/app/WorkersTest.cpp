#include "tests/app/ProgramFixture.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

// Runs with several workers; the ThreadSanitizer build runs these (label
// "tsan") on its instrumented program.

namespace {

// Everything a run leaves behind but its timings: standard output without the
// read times and the elapsed seconds, and every file it wrote.
std::string Outcome(const ProgramRun& run, const std::filesystem::path& folder) {
    std::string outcome = "exit " + std::to_string(run.exitCode) + "\n";
    for (const std::string& line : run.OutputLines()) {
        if (line.find(" ms") == std::string::npos && line.rfind("Completed", 0) != 0) {
            outcome += line + "\n";
        }
    }
    std::set<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder / "out")) {
        files.insert(entry.path());
    }
    for (const auto& file : files) {
        std::ifstream bytes(file, std::ios::binary);
        outcome += file.filename().string() + ": " +
                   std::string(std::istreambuf_iterator<char>(bytes), {}) + "\n";
    }
    return outcome;
}

TEST_F(Program, EveryNumberOfWorkersGivesTheSameOutcome) {
    // Tile 3 lies outside the image: the run fails there, after three tiles.
    // The first tile is the smallest, so buffers kept from tile to tile grow.
    std::ofstream regions(folder.File("failing.bin"), std::ios::binary);
    for (const int32_t corner :
         {0, 0, 31, 15, 64, 0, 127, 63, 0, 64, 63, 127, 290, 190, 310, 199, 0, 0, 9, 9}) {
        regions.write(reinterpret_cast<const char*>(&corner), sizeof corner);
    }
    regions.close();
    const Lines runs[] = {
        {"-ts", "64", "-stat", "all", "-best", "3", "-worst", "2", "-compareStat", "psnr",
         "-saveRegions", "out/tiles.bin"},
        // A lossless copy: every tile ties at MSE 0, and the first ones are kept.
        {"-c", "original.tif", "-u", "-ts", "50", "-stat", "mse", "-best", "2", "-worst", "2"},
        {"-ts", "100", "-yuvy", "-stat", "psnr,ssim", "-bbox", "10,10,290,180"},
        {"-stat", "mse", "-useRegions", "failing.bin"},
    };
    for (const Lines& arguments : runs) {
        SCOPED_TRACE(arguments[1]);
        std::string single;
        // 64 workers under a limit of 24 open files: as many as the limit leaves room for.
        for (const auto& [threads, fileLimit] :
             {std::pair{"1", 0}, {"2", 0}, {"3", 0}, {"8", 0}, {"64", 24}}) {
            std::filesystem::remove_all(folder.Path() / "out");
            std::filesystem::create_directory(folder.Path() / "out");
            Lines withPrefixes = arguments;
            withPrefixes.insert(withPrefixes.end(), {"-bestPrefix", "out/b", "-worstPrefix",
                                                     "out/w", "-threads", threads});
            rlimit unlimited{};
            getrlimit(RLIMIT_NOFILE, &unlimited);
            rlimit limited = unlimited;
            limited.rlim_cur = fileLimit > 0 ? rlim_t(fileLimit) : unlimited.rlim_cur;
            setrlimit(RLIMIT_NOFILE, &limited); // the program inherits it
            const ProgramRun run = Run(withPrefixes);
            setrlimit(RLIMIT_NOFILE, &unlimited);
            // Nothing on standard error: under ThreadSanitizer a race would be.
            EXPECT_EQ(run.errors, "") << threads << " workers";
            const std::string outcome = Outcome(run, folder.Path());
            if (single.empty()) {
                single = outcome;
            } else {
                EXPECT_EQ(outcome, single) << threads << " workers";
            }
        }
    }
}

} // namespace
