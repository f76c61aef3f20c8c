#include "outputs/HtmlRunReport.h"

#include "outputs/ParallelJobs.h"
#include "outputs/QualityGates.h"
#include "outputs/QualityMapOutput.h"
#include "platform/ZarnikError.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <sstream>

namespace {

// The quick look of the scene: its longer side at most this many pixels.
// Imagery hardly compresses losslessly, so every doubling of the side costs
// four times the time and size of the page's largest picture.
constexpr int32_t kSceneLongerSide = 768;
// Tiles shown when neither -best nor -worst keeps any.
constexpr int32_t kLowestShown = 4;

size_t IndexOf(const std::vector<std::string>& names, const std::string& name) {
    return size_t(std::find(names.begin(), names.end(), name) - names.begin());
}

// Checked before anything is made: the page ranks the tiles and shows the
// map of -compareBand first.
size_t RankedBand(const CParsedCommandLine& options, const RunLayout& layout) {
    if (options.compareBand < 0 ||
        static_cast<size_t>(options.compareBand) >= layout.bandNames.size()) {
        throw CZarnikError::Detail("The HTML report ranks tiles by -compareBand " +
                                   std::to_string(options.compareBand) +
                                   ", which is no band of the " +
                                   std::to_string(layout.bandNames.size()) + "-band images");
    }
    return static_cast<size_t>(options.compareBand);
}

std::string ShortestText(float value) {
    char text[32];
    const auto written = std::to_chars(text, text + sizeof text, value);
    return std::string(text, written.ptr);
}

// A gate as typed: "-failBelow ssim.avg=0.8".
std::string GateText(const QualityGate& gate, const std::vector<int32_t>& bands) {
    std::string text = std::string(gate.failBelow ? "-failBelow " : "-failAbove ") +
                       gate.statistic + "." + gate.figure + "=" + ShortestText(gate.limit);
    for (size_t i = 0; i < bands.size(); ++i) {
        text += (i == 0 ? " on bands " : ",") + std::to_string(bands[i]);
    }
    return text;
}

GateOutcome Judged(const RunFigures& figures, const GateSettings& settings, std::string text) {
    std::ostringstream lines;
    GateOutcome outcome;
    outcome.gate = std::move(text);
    outcome.passed = PassesQualityGates(figures, settings, lines);
    std::istringstream written(lines.str());
    for (std::string line; std::getline(written, line);) {
        outcome.lines.push_back(line);
    }
    return outcome;
}

// Each gate judged alone by the gates' own check, with the lines it prints.
std::vector<GateOutcome> GateOutcomes(const RunFigures& figures, const GateSettings& settings) {
    std::vector<GateOutcome> outcomes;
    for (const QualityGate& limit : settings.limits) {
        outcomes.push_back(Judged(figures, {.limits = {limit}, .bands = settings.bands},
                                  GateText(limit, settings.bands)));
    }
    if (settings.sameGeoreference) {
        outcomes.push_back(Judged(figures, {.limits = {}, .bands = {}, .sameGeoreference = true},
                                  "-requireSameGeoreference"));
    }
    return outcomes;
}

std::string PageTitle(const CParsedCommandLine& options) {
    return "Zarnik: " + std::filesystem::path(options.compressedFileName).filename().string() +
           " against " + std::filesystem::path(options.originalFileName).filename().string();
}

} // namespace

CHtmlRunReport::CHtmlRunReport(const CParsedCommandLine& runOptions, const RunLayout& runLayout,
                               const std::string& fileName, const CJsonReportOutput& document,
                               RunPageFigures runFigures)
    : options(runOptions), json(document), figures(runFigures), layout(runLayout),
      libraries(ReadPageLibraries()), file(fileName, "HTML report"),
      map(QualityMapGridFor(options, layout), layout.statisticNames.size(),
          layout.bandNames.size()),
      tiles(layout.statisticNames.size()),
      rankedStatistic(IndexOf(layout.statisticNames,
                              ShownStatistic(options.compareStat, layout.statisticNames))),
      rankedBand(RankedBand(options, layout)), lowest(kLowestShown) {}

void CHtmlRunReport::OnTile(const TileMeasurement& measurement) {
    map.OnTile(measurement);
    tiles.Add(measurement);
    // Ranked as the run ranks its worst tiles: the lowest values first.
    if (rankedBand < measurement.bands.size()) {
        const auto& value = measurement.bands[rankedBand].values[rankedStatistic];
        if (value) {
            lowest.Add(*value, measurement.tile);
        }
    }
}

// The tiles -worst and -best keep, worst first; else the lowest four.
std::vector<ShownTile> CHtmlRunReport::ShownTiles(const FinishedRun& run) {
    const bool kept = options.bestCount > 0 || options.worstCount > 0;
    std::vector<std::pair<std::string, std::vector<ScoredRegion>>> lists;
    lists.emplace_back("worst", kept ? run.result.worstTiles : lowest.GetAll());
    lists.emplace_back("best", kept ? run.result.bestTiles : std::vector<ScoredRegion>{});
    std::vector<ShownTile> shown;
    for (const auto& [kind, scored] : lists) {
        for (size_t i = 0; i < scored.size(); ++i) {
            shown.push_back(ShownTile{.kind = kind,
                                      .rank = static_cast<int32_t>(i + 1),
                                      .scored = scored[i],
                                      .pictures = {}});
        }
    }
    return shown;
}

void CHtmlRunReport::Write(const FinishedRun& run) {
    RunPageContent content{
        .layout = layout,
        .tiles = tiles,
        .map = map,
        .shownStatistic = rankedStatistic,
        .shownBand = rankedBand,
        .gates = GateOutcomes(
            {.result = run.result, .series = figures.series, .integrity = figures.integrity},
            GateSettingsOf(options)),
        .scene = ReadScenePicture(options.originalFileName, kSceneLongerSide),
        .shown = ShownTiles(run),
    };
    // The pictures are encoded on the run's threads, whose workers are done.
    std::vector<std::function<void()>> jobs;
    jobs.emplace_back([&scene = content.scene] { scene.dataUri = PngDataUri(scene.picture); });
    if (run.originalReader != nullptr && run.compressedReader != nullptr) {
        for (ShownTile& tile : content.shown) {
            jobs.emplace_back([&tile, &run, &levels = content.scene.levels] {
                tile.pictures = ReadTilePictures(*run.originalReader, *run.compressedReader,
                                                 tile.scored.region, levels);
            });
        }
    } else {
        content.shown.clear();
    }
    RunJobs(jobs, options.threadCount);
    const std::string page = RunPageJson(content);
    file.Commit(AssemblePage(PageKind::Run, PageTitle(options), libraries,
                             {{"document", json.Text()}, {"page", page}}));
}
