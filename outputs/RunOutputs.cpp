#include "outputs/RunOutputs.h"

bool JsonGoesToStandardOutput(const CParsedCommandLine& options) {
    return options.jsonFile == "-";
}

namespace {

// The files' identities are read only for an output that tells or judges them.
std::optional<FileIntegrity> IntegrityIfNeeded(const CParsedCommandLine& options) {
    if (options.jsonFile.empty() && options.htmlFile.empty() && !options.requireSameGeoreference) {
        return std::nullopt;
    }
    return CompareFileIntegrity(options.originalFileName, options.compressedFileName);
}

} // namespace

CRunOutputs::CRunOutputs(const CParsedCommandLine& options, const RunLayout& layout,
                         std::ostream& verdicts, const OutputPlacement& placement)
    : series(layout.statisticNames),
      valuesRead(!options.jsonFile.empty() || !options.htmlFile.empty() ||
                 !options.qualityGates.empty()),
      integrity(IntegrityIfNeeded(options)),
      gates(GateSettingsOf(options), static_cast<int32_t>(layout.bandNames.size()), series,
            integrity ? &*integrity : nullptr, verdicts) {
    const auto written = [&placement](const std::string& name) {
        return placement.writtenName ? placement.writtenName(name) : name;
    };
    // The page shows the JSON document, so it needs one even without -json.
    if (!options.jsonFile.empty() || !options.htmlFile.empty()) {
        json = std::make_unique<CJsonReportOutput>(
            options, layout, options.jsonFile.empty() ? "" : written(options.jsonFile), series,
            integrity ? &*integrity : nullptr, placement.appendix);
    }
    if (!options.tileValuesFile.empty()) {
        tileValues = std::make_unique<CTileValuesCsv>(written(options.tileValuesFile),
                                                      layout.statisticNames);
    }
    if (!options.qualityMapFile.empty()) {
        qualityMap =
            std::make_unique<CQualityMapOutput>(options, layout, written(options.qualityMapFile));
    }
    if (!options.htmlFile.empty()) {
        html = std::make_unique<CHtmlRunReport>(
            options, layout, written(options.htmlFile), *json,
            RunPageFigures{.series = series, .integrity = integrity ? &*integrity : nullptr});
    }
}

std::vector<ITileListener*> CRunOutputs::TileListeners() {
    std::vector<ITileListener*> listeners;
    for (ITileListener* listener :
         std::initializer_list<ITileListener*>{valuesRead ? &series : nullptr, json.get(),
                                               tileValues.get(), qualityMap.get(), html.get()}) {
        if (listener != nullptr) {
            listeners.push_back(listener);
        }
    }
    return listeners;
}

std::vector<IResultWriter*> CRunOutputs::ResultWriters(IResultWriter* consoleReport) {
    std::vector<IResultWriter*> writers;
    for (IResultWriter* writer : std::initializer_list<IResultWriter*>{
             tileValues.get(), qualityMap.get(), consoleReport, json.get()}) {
        if (writer != nullptr) {
            writers.push_back(writer);
        }
    }
    writers.push_back(&gates);
    // Last: a run whose other outputs failed writes no page.
    if (html) {
        writers.push_back(html.get());
    }
    return writers;
}
