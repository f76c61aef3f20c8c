#include "campaign/CampaignFolder.h"
#include "campaign/JsonReader.h"
#include "tests/app/ProgramRunner.h"
#include "tests/support/TemporaryDirectory.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

namespace fs = std::filesystem;

namespace {

// Runs the program in `folder` with `arguments` only; standard error joins
// standard output.
ProgramRun Zarnik(const fs::path& folder, const std::string& arguments) {
    const std::string command =
        "cd '" + folder.string() + "' && exec " ZARNIK_BINARY " " + arguments + " 2>&1";
    ProgramRun run;
    FILE* const pipe = popen(command.c_str(), "r");
    char chunk[4096];
    for (size_t got; pipe && (got = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;) {
        run.output.append(chunk, got);
    }
    const int status = pipe ? pclose(pipe) : -1;
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

// A summary without the measured times: the decode columns and keys.
std::string WithoutTimes(const fs::path& file) {
    std::istringstream lines(ReadWholeFile(file.string()));
    std::string kept;
    for (std::string line; std::getline(lines, line);) {
        if (file.extension() == ".csv") {
            const Lines fields = [&] {
                Lines pieces;
                std::istringstream row(line);
                for (std::string piece; std::getline(row, piece, ',');) {
                    pieces.push_back(piece);
                }
                return pieces;
            }();
            for (size_t i = 0; i < fields.size(); ++i) {
                kept += i == 15 ? std::string() : fields[i] + ',';
            }
        } else if (line.find("decodeMsPerMegapixel") == std::string::npos &&
                   line.find("megapixelsPerSecond") == std::string::npos) {
            kept += line;
        }
        kept += '\n';
    }
    return kept;
}

// A document without what differs between runs of the same pair: times,
// output names and the campaign's record.
CJsonValue Comparable(const CJsonValue& value) {
    static const Lines kDropped = {"seconds",    "decoding",    "campaign",  "json",
                                   "bestPrefix", "worstPrefix", "tileValues"};
    std::vector<CJsonValue::Member> members;
    for (const auto& [key, member] : value.Members()) {
        if (std::find(kDropped.begin(), kDropped.end(), key) == kDropped.end()) {
            members.emplace_back(key, member.IsObject() ? Comparable(member) : member);
        }
    }
    return CJsonValue::MakeObject(members);
}

CJsonValue ReadDocument(const fs::path& path) {
    return ReadJson(ReadWholeFile(path.string()));
}

// One original at five ratios through two encoder settings, the second
// read through GDAL, and a broken file: 11 rows, the last one failing.
class Campaign : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder = new TemporaryDirectory;
        const RasterFixture rgb = TexturedRgb(256, 192);
        WriteGeoTiff(folder->File("scene.tif"), rgb);
        std::ofstream manifest(folder->File("pairs.csv"));
        manifest << "# five ratios, two settings\noriginal,compressed,label,reader\n";
        for (const int quality : {4, 8, 15, 30, 60}) {
            const std::string q = std::to_string(quality);
            WriteJpeg2000(folder->File("a" + q + ".jp2"), rgb, {"QUALITY=" + q, "REVERSIBLE=NO"});
            WriteJpeg2000(folder->File("b" + q + ".jp2"), rgb,
                          {"QUALITY=" + q, "REVERSIBLE=NO", "BLOCKXSIZE=64", "BLOCKYSIZE=64"});
            manifest << "scene.tif,a" << q << ".jp2,plain,sdk\nscene.tif,b" << q
                     << ".jp2,tiled,gdal\n";
        }
        std::ofstream(folder->File("broken.jp2")) << "not a JPEG 2000 file";
        manifest << "scene.tif,broken.jp2,tiled,\n";
        manifest.close();
        unsharded = Zarnik(folder->Path(), "-manifest pairs.csv -outDir all " + kOptions);
    }
    static void TearDownTestSuite() { delete folder; }

    static const std::string kOptions;
    static TemporaryDirectory* folder;
    static ProgramRun unsharded;
};
const std::string Campaign::kOptions = "-stat psnr,ssim -ts 64 -failBelow psnr=13";
TemporaryDirectory* Campaign::folder = nullptr;
ProgramRun Campaign::unsharded;

TEST_F(Campaign, WritesEachPairAsASingleRunWouldAndSummarisesThem) {
    ASSERT_EQ(unsharded.exitCode, 2) << unsharded.output;
    EXPECT_NE(
        unsharded.output.find("Row 3 [tiled]: psnr 12.8102, ssim 0.4266 (worst band), failed"),
        std::string::npos);
    EXPECT_NE(unsharded.output.find("Row 10 [tiled]: error: "), std::string::npos);
    EXPECT_NE(unsharded.output.find("11 pairs: 8 passed, 2 failed a gate, 1 failed to run"),
              std::string::npos);
    const fs::path all = folder->Path() / "all";
    for (const auto& [row, reader] : {std::pair{"0002-scene_a8", ""}, {"0005-scene_b15", " -u"}}) {
        const std::string compressed = std::string(row).substr(11) + ".jp2";
        const ProgramRun single = Zarnik(folder->Path(), "-i scene.tif -c " + compressed + reader +
                                                             " -json single.json " + kOptions);
        ASSERT_EQ(single.exitCode, 0) << single.output;
        EXPECT_EQ(Comparable(ReadDocument(all / (std::string(row) + ".json"))),
                  Comparable(ReadDocument(folder->Path() / "single.json")))
            << row;
    }
    const CJsonValue broken = ReadDocument(all / "0010-scene_broken.json");
    EXPECT_TRUE(broken.Find("error")->AsString());
    EXPECT_EQ(broken.Find("campaign")->Find("row")->AsInteger(), 10);
    EXPECT_EQ(broken.Find("campaign")->Find("verdict")->AsString(), "error");

    // Every figure of summary.csv is the document's own.
    std::ifstream csv(all / "summary.csv");
    std::string line;
    std::getline(csv, line);
    size_t figures = 0;
    while (std::getline(csv, line)) {
        std::istringstream row(line);
        Lines fields;
        for (std::string field; std::getline(row, field, ',');) {
            fields.push_back(field);
        }
        const std::string name = fs::path(fields[4]).stem().string();
        const std::string number = std::string(4 - fields[0].size(), '0') + fields[0];
        const CJsonValue document = ReadDocument(all / (number + "-scene_" + name + ".json"));
        if (fields.back() == "error") {
            EXPECT_EQ(fields[0], "10");
            continue;
        }
        EXPECT_EQ(std::stod(fields[5]), document.Find("compressed")->Find("bytes")->AsNumber());
        EXPECT_EQ(std::stod(fields[6]),
                  document.Find("compressed")->Find("bitsPerPixel")->AsNumber());
        const CJsonValue& band =
            document.Find("statistics")->Find(fields[8])->Items().at(std::stoul(fields[9]));
        EXPECT_EQ(std::stod(fields[10]), band.Find("avg")->AsNumber()) << line;
        EXPECT_EQ(std::stod(fields[11]), band.Find("finiteAvg")->AsNumber()) << line;
        EXPECT_EQ(std::stod(fields[13]), band.Find("min")->AsNumber()) << line;
        EXPECT_EQ(std::stod(fields[14]), band.Find("p05")->AsNumber()) << line;
        EXPECT_EQ(fields[16], document.Find("campaign")->Find("verdict")->AsString());
        ++figures;
    }
    EXPECT_EQ(figures, 10u * 2u * 3u);

    const CJsonValue summary = ReadDocument(all / "summary.json");
    const CJsonValue& group = summary.Find("groups")->Items().at(0);
    EXPECT_EQ(group.Find("bdReference")->AsString(), "plain");
    EXPECT_EQ(group.Find("rateDistortion")->Items().size(), 2u * 2u * 3u);
    ASSERT_EQ(group.Find("bd")->Items().size(), 2u * 3u);
    // A figure, or the reason there is none.
    size_t rates = 0;
    for (const CJsonValue& bd : group.Find("bd")->Items()) {
        const bool rated = bd.Find("bdRatePercent")->AsNumber().has_value();
        EXPECT_NE(rated, bd.Find("reason")->AsString().has_value());
        rates += rated ? 1 : 0;
    }
    EXPECT_GE(rates, 3u);
}

TEST_F(Campaign, ShardsMergedGiveTheUnshardedSummary) {
    for (const char* shard : {"0/3", "1/3", "2/3"}) {
        const ProgramRun run = Zarnik(folder->Path(), "-manifest pairs.csv -outDir shards -shard " +
                                                          std::string(shard) + " " + kOptions);
        EXPECT_EQ(run.exitCode, "320"[shard[0] - '0'] - '0') << run.output;
        EXPECT_FALSE(fs::exists(folder->Path() / "shards" / "summary.json"));
    }
    const ProgramRun merged = Zarnik(folder->Path(), "-merge shards");
    EXPECT_EQ(merged.exitCode, 2) << merged.output;
    const std::string first = ReadWholeFile(folder->File("shards/summary.json"));
    for (const char* name : {"summary.csv", "summary.json"}) {
        EXPECT_EQ(WithoutTimes(folder->Path() / "shards" / name),
                  WithoutTimes(folder->Path() / "all" / name));
    }
    EXPECT_EQ(Zarnik(folder->Path(), "-merge shards").exitCode, 2);
    EXPECT_EQ(ReadWholeFile(folder->File("shards/summary.json")), first);
}

TEST_F(Campaign, AKilledCampaignIsResumedWhereItStopped) {
    const fs::path out = folder->Path() / "killed";
    const pid_t child = fork();
    if (child == 0) {
        execl("/bin/sh", "sh", "-c",
              ("cd '" + folder->Path().string() +
               "' && exec " ZARNIK_BINARY " -manifest pairs.csv -outDir killed -threads 1 " +
               kOptions + " >/dev/null")
                  .c_str(),
              nullptr);
        _exit(127);
    }
    const auto documents = [&] { return fs::exists(out) ? PairDocumentNames(out) : Lines{}; };
    for (int wait = 0; wait < 20000 && documents().size() < 2; ++wait) {
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    const Lines finished = documents();
    std::map<std::string, std::string> before;
    for (const std::string& name : finished) {
        before[name] = ReadWholeFile((out / name).string());
        EXPECT_NO_THROW(ReadJson(before[name])) << name;
    }
    const ProgramRun rerun =
        Zarnik(folder->Path(), "-manifest pairs.csv -outDir killed " + kOptions);
    EXPECT_EQ(rerun.exitCode, 2);
    const size_t kept = finished.size() - (before.count("0010-scene_broken.json") ? 1 : 0);
    EXPECT_NE(rerun.output.find(std::to_string(kept) + " kept from an earlier run"),
              std::string::npos)
        << rerun.output;
    for (const auto& [name, text] : before) {
        if (name != "0010-scene_broken.json") {
            EXPECT_EQ(ReadWholeFile((out / name).string()), text) << name;
        }
    }
    for (const auto& entry : fs::directory_iterator(out)) {
        EXPECT_NE(entry.path().filename().string()[0], '.') << entry.path();
    }
    EXPECT_EQ(WithoutTimes(out / "summary.csv"), WithoutTimes(folder->Path() / "all/summary.csv"));
}

TEST_F(Campaign, BadInputsStopBeforeAnyPair) {
    std::ofstream(folder->File("noheader.csv")) << "# nothing\n";
    std::ofstream(folder->File("nocolumn.csv")) << "original,label\nscene.tif,x\n";
    std::ofstream(folder->File("twice.csv")) << "original,compressed\nscene.tif,a4.jp2\n"
                                             << "scene.tif,a8.jp2\nscene.tif,a4.jp2\n";
    struct Case {
        std::string arguments;
        int exitCode;
        std::string message;
    };
    const Case cases[] = {
        {"-manifest none.csv -outDir bad", 2, "Unable to open manifest none.csv"},
        {"-manifest noheader.csv -outDir bad", 2, "Manifest noheader.csv has no header line"},
        {"-manifest nocolumn.csv -outDir bad", 2,
         "line 1: the header lacks the column 'compressed'"},
        {"-manifest twice.csv -outDir bad", 2, "line 4: repeats the pair of line 2"},
        {"-manifest pairs.csv -outDir pairs.csv/x", 2, "Unable to create output folder"},
        {"-manifest pairs.csv -outDir bad -shard 3/3", 2, "-shard expects k/n with 0 <= k < n"},
        {"-manifest pairs.csv -outDir bad -shard -1/3", 2, "Failed to parse command line"},
        {"-manifest pairs.csv", 2, "-manifest needs -outDir"},
        {"-manifest pairs.csv -outDir bad -json x.json", 2, "Cannot specify manifest and json"},
        {"-merge all -i scene.tif", 2, "Cannot specify merge and i"},
        {"-merge nothing", 2, "Unable to read the folder nothing"},
        {"-manifest pairs.csv -outDir all -html /nonexistent-folder/index.html", 2,
         "Unable to create campaign page /nonexistent-folder/index.html"},
        {"-manifest pairs.csv -outDir bad -html 0003-scene_b8.html", 2,
         "-html 0003-scene_b8.html is the name of the page of manifest row 3"},
    };
    for (const Case& c : cases) {
        const ProgramRun run = Zarnik(folder->Path(), c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.arguments;
        EXPECT_NE(run.output.find(c.message), std::string::npos) << c.arguments << run.output;
        EXPECT_FALSE(fs::exists(folder->Path() / "bad")) << c.arguments;
    }
}

TEST_F(Campaign, MergeNamesMissingRowsAndForeignDocuments) {
    const fs::path partial = folder->Path() / "partial";
    fs::copy(folder->Path() / "all", partial);
    fs::remove(partial / "summary.json");
    for (const char* failed :
         {"0001-scene_b4.json", "0003-scene_b8.json", "0010-scene_broken.json"}) {
        fs::remove(partial / failed);
    }
    const ProgramRun missing = Zarnik(folder->Path(), "-merge partial");
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_NE(missing.output.find("Rows missing in partial: 1, 3, 10"), std::string::npos);
    EXPECT_FALSE(fs::exists(partial / "summary.json"));
    // What is there passed its gates.
    const ProgramRun allowed = Zarnik(folder->Path(), "-merge partial -allowPartial");
    EXPECT_EQ(allowed.exitCode, 0) << allowed.output;
    EXPECT_EQ(ReadDocument(partial / "summary.json").Find("campaign")->Find("missingRows")->Items(),
              (std::vector{CJsonValue::MakeNumber(1), CJsonValue::MakeNumber(3),
                           CJsonValue::MakeNumber(10)}));

    std::ofstream(folder->File("one.csv")) << "original,compressed\nscene.tif,a8.jp2\n";
    EXPECT_EQ(Zarnik(folder->Path(), "-manifest one.csv -outDir one -stat psnr -failAbove psnr=15")
                  .exitCode,
              3);
    fs::copy(folder->Path() / "one/0000-scene_a8.json", partial / "0003-scene_b8.json");
    const ProgramRun foreign = Zarnik(folder->Path(), "-merge partial -allowPartial");
    EXPECT_EQ(foreign.exitCode, 2);
    EXPECT_NE(foreign.output.find("Documents of another campaign in partial: 0003-scene_b8.json"),
              std::string::npos)
        << foreign.output;
}

} // namespace
