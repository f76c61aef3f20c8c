#include "tests/app/ProgramFixture.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

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

// Puts this process, and so the programs it starts, in a control group that
// holds at most `processes` processes and threads, as a container's pids
// limit does; does nothing where no such group can be made.
class ProcessCountLimit {
public:
    explicit ProcessCountLimit(int processes) {
        if (processes == 0 || !std::filesystem::create_directory(group) ||
            !Write(group / "pids.max", processes) || !Write(group / "cgroup.procs", getpid())) {
            std::error_code ignored;
            std::filesystem::remove(group, ignored);
            return;
        }
        active = true;
    }
    ~ProcessCountLimit() {
        if (active) {
            Write(group.parent_path() / "cgroup.procs", getpid());
            std::error_code ignored;
            std::filesystem::remove(group, ignored);
        }
    }
    // How often the group refused a new process or thread; -1 without a group.
    int Refusals() const {
        std::ifstream events(group / "pids.events");
        std::string key;
        int count = -1;
        return active && events >> key >> count ? count : -1;
    }
    ProcessCountLimit(const ProcessCountLimit&) = delete;
    ProcessCountLimit& operator=(const ProcessCountLimit&) = delete;

private:
    static bool Write(const std::filesystem::path& file, int value) {
        std::ofstream out(file);
        out << value << std::flush;
        return out.good();
    }

    std::filesystem::path group = "/sys/fs/cgroup/pids/zarnik-test-" + std::to_string(getpid());
    bool active = false;
};

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
        // 64 workers under a limit of 24 open files: as many as the limit
        // leaves room for; 8 under a limit of 3 processes (this one, the
        // program and one thread): as many as can start.
        struct Limits {
            const char* threads;
            int openFiles;
            int processes;
        };
        for (const auto& [threads, fileLimit, processLimit] : {Limits{"1", 0, 0},
                                                               {"2", 0, 0},
                                                               {"3", 0, 0},
                                                               {"8", 0, 0},
                                                               {"64", 24, 0},
                                                               {"8", 0, 3}}) {
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
            const ProgramRun run = [&] {
                const ProcessCountLimit processes(processLimit);
                ProgramRun limited = Run(withPrefixes);
                // Where the limit holds, it must have kept workers from starting.
                EXPECT_NE(processes.Refusals(), 0) << threads << " workers";
                return limited;
            }();
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
