#include "outputs/JsonReport.h"

#include "outputs/FileIntegrity.h"
#include "outputs/JsonWriter.h"
#include "outputs/ResultFigures.h"

#ifndef ZARNIK_VERSION
#error "ZARNIK_VERSION is set by the build from the project's version"
#endif

namespace {

bool IsSequential(const std::string& requestType) {
    return requestType == "seq" || requestType == "sequential";
}

std::string OrderOf(const CParsedCommandLine& options) {
    if (!options.useRegions.empty()) {
        return "regions";
    }
    return IsSequential(options.requestType) ? "sequential" : "random";
}

void WriteGates(CJsonWriter& json, const CParsedCommandLine& options, bool failBelow) {
    json.BeginArray();
    for (const QualityGate& gate : options.qualityGates) {
        if (gate.failBelow == failBelow) {
            json.BeginObject();
            json.Key("statistic");
            json.String(gate.statistic);
            json.Key("figure");
            json.String(gate.figure);
            json.Key("limit");
            json.Number(gate.limit);
            json.EndObject();
        }
    }
    json.EndArray();
}

void WriteIntegers(CJsonWriter& json, const std::vector<int32_t>& numbers) {
    json.BeginArray();
    for (const int32_t number : numbers) {
        json.Integer(number);
    }
    json.EndArray();
}

// The options beyond the first release's, after its own.
void WriteAddedOptions(CJsonWriter& json, const CParsedCommandLine& options) {
    json.Key("threads");
    json.Integer(options.threadCount);
    json.Key("useMask");
    json.Bool(options.useMask);
    json.Key("dataRange");
    if (options.dataRangeAuto) {
        json.String("auto");
    } else if (options.dataRange > 0.0f) {
        json.Number(options.dataRange);
    } else {
        json.Null();
    }
    json.Key("gateBands");
    WriteIntegers(json, options.gateBands);
    json.Key("requireSameGeoreference");
    json.Bool(options.requireSameGeoreference);
    json.Key("mapRange");
    if (options.mapRange) {
        json.BeginArray();
        json.Number(options.mapRange->low);
        json.Number(options.mapRange->high);
        json.EndArray();
    } else {
        json.Null();
    }
}

void WriteOptions(CJsonWriter& json, const CParsedCommandLine& options) {
    json.BeginObject();
    json.Key("statistics");
    json.String(options.statistics);
    json.Key("requestType");
    json.String(options.requestType);
    json.Key("tileCount");
    json.Integer(options.tileCount);
    json.Key("tileSize");
    json.Integer(options.tileSize);
    json.Key("bbox");
    if (options.bbox) {
        json.BeginArray();
        for (const int32_t corner :
             {options.bbox->x0, options.bbox->y0, options.bbox->x1, options.bbox->y1}) {
            json.Integer(corner);
        }
        json.EndArray();
    } else {
        json.Null();
    }
    json.Key("useGdal");
    json.Bool(options.useGdal);
    json.Key("yuv");
    json.Bool(options.yuv);
    json.Key("yOnly");
    json.Bool(options.yOnly);
    json.Key("best");
    json.Integer(options.bestCount);
    json.Key("worst");
    json.Integer(options.worstCount);
    json.Key("bestPrefix");
    json.String(options.bestPrefix);
    json.Key("worstPrefix");
    json.String(options.worstPrefix);
    json.Key("compareStat");
    json.String(options.compareStat);
    json.Key("compareBand");
    json.Integer(options.compareBand);
    json.Key("wiki");
    json.Bool(options.wiki);
    json.Key("enableDithering");
    json.Bool(options.enableDithering);
    json.Key("saveRegions");
    json.String(options.saveRegions);
    json.Key("useRegions");
    json.String(options.useRegions);
    json.Key("json");
    json.String(options.jsonFile);
    json.Key("tileValues");
    json.String(options.tileValuesFile);
    json.Key("qualityMap");
    json.String(options.qualityMapFile);
    json.Key("html");
    json.String(options.htmlFile);
    json.Key("failBelow");
    WriteGates(json, options, true);
    json.Key("failAbove");
    WriteGates(json, options, false);
    WriteAddedOptions(json, options);
    json.EndObject();
}

void WriteFile(CJsonWriter& json, const std::string& path, uint64_t bytes, const char* reader,
               const EvaluationResult& result, const JsonReportFacts& facts) {
    json.BeginObject();
    json.Key("path");
    json.String(path);
    json.Key("bytes");
    json.Integer(static_cast<int64_t>(bytes));
    json.Key("bitsPerPixel");
    json.Number(BitsPerPixel(bytes, result.region));
    json.Key("reader");
    json.String(reader);
    json.Key("width");
    json.Integer(facts.width);
    json.Key("height");
    json.Integer(facts.height);
    json.Key("bands");
    json.Integer(facts.bandCount);
    json.EndObject();
}

void WriteBand(CJsonWriter& json, int32_t band, const std::string& name,
               const ResultStatistics& statistics, const SeriesSummary& summary) {
    json.BeginObject();
    json.Key("band");
    json.Integer(band);
    json.Key("name");
    json.String(name);
    json.Key("min");
    json.Number(statistics.min);
    json.Key("avg");
    json.Number(AverageOf(statistics));
    json.Key("max");
    json.Number(statistics.max);
    json.Key("count");
    json.Integer(statistics.count);
    // Tiles without a value here: too few of their pixels hold data (-useMask).
    json.Key("skipped");
    json.Integer(statistics.skipped);
    json.Key("finiteCount");
    json.Integer(summary.finiteCount);
    // Mean and spread are computed in double precision and written as floats.
    const auto asFloat = [](const std::optional<double>& value) -> std::optional<double> {
        return value ? std::optional<double>(static_cast<float>(*value)) : std::nullopt;
    };
    json.Key("finiteAvg");
    json.NumberOrNull(asFloat(summary.finiteAvg));
    json.Key("stddev");
    json.NumberOrNull(asFloat(summary.stddev));
    json.Key("p05");
    json.NumberOrNull(summary.p05);
    json.Key("p50");
    json.NumberOrNull(summary.p50);
    json.Key("p95");
    json.NumberOrNull(summary.p95);
    // Over every visited pixel at once, for the statistics that have it.
    if (statistics.pooled) {
        json.Key("pooled");
        json.Number(*statistics.pooled);
    }
    json.EndObject();
}

void WriteStatistics(CJsonWriter& json, const EvaluationResult& result,
                     const CTileValueSeries& series) {
    json.BeginObject();
    for (const auto& [statistic, bands] : result.results) {
        json.Key(statistic);
        json.BeginArray();
        for (const auto& [band, statistics] : bands) {
            const auto name = result.originalBandNames.find(band);
            WriteBand(json, band, name == result.originalBandNames.end() ? "" : name->second,
                      statistics, series.Summarise(statistic, band));
        }
        json.EndArray();
    }
    json.EndObject();
}

void WriteCoverage(CJsonWriter& json, const CoverageFigures& coverage) {
    json.BeginObject();
    json.Key("gridTiles");
    json.Integer(coverage.gridTiles);
    json.Key("distinctTiles");
    json.Integer(coverage.distinctTiles);
    json.Key("areaFraction");
    json.Number(coverage.areaFraction);
    json.EndObject();
}

void WriteReadTimes(CJsonWriter& json, const BandTimings& readTimes, uint64_t pixels) {
    const ReadTimeFigures figures = ReadTimeFiguresOf(readTimes);
    int64_t totalUs = 0;
    for (const auto& [band, timing] : readTimes) {
        totalUs += timing.sum;
    }
    json.BeginObject();
    json.Key("minMs");
    json.Number(figures.minMs);
    json.Key("avgMs");
    json.Number(figures.avgMs);
    json.Key("maxMs");
    json.Number(figures.maxMs);
    // Every band's reads of a megapixel: a file's decode speed.
    json.Key("msPerMegapixel");
    json.NumberOrNull(pixels == 0 ? std::nullopt
                                  : std::optional<double>(static_cast<double>(totalUs) * 1000.0 /
                                                          static_cast<double>(pixels)));
    json.EndObject();
}

void WriteDecoding(CJsonWriter& json, const EvaluationResult& result, uint64_t pixels) {
    json.BeginObject();
    json.Key("pixels");
    json.Integer(static_cast<int64_t>(pixels));
    json.Key("original");
    WriteReadTimes(json, result.originalReadTimes, pixels);
    json.Key("compressed");
    WriteReadTimes(json, result.compressedReadTimes, pixels);
    json.EndObject();
}

} // namespace

std::string JsonReportText(const RunFigures& figures, const CParsedCommandLine& options,
                           const JsonReportFacts& facts, const JsonAppendix& appendix) {
    const EvaluationResult& result = figures.result;
    CJsonWriter json;
    json.BeginObject();
    json.Key("schema");
    json.Integer(1);
    json.Key("tool");
    json.String("zarnik");
    json.Key("version");
    json.String(facts.version);
    json.Key("options");
    WriteOptions(json, options);
    json.Key("original");
    WriteFile(json, options.originalFileName, result.originalFileSize, "gdal", result, facts);
    json.Key("compressed");
    WriteFile(json, options.compressedFileName, result.compressedFileSize,
              options.useGdal ? "gdal" : "sdk", result, facts);
    json.Key("area");
    json.BeginArray();
    for (const int32_t corner :
         {result.region.x0, result.region.y0, result.region.x1, result.region.y1}) {
        json.Integer(corner);
    }
    json.EndArray();
    json.Key("tileCount");
    json.Integer(result.tileCount);
    json.Key("order");
    json.String(OrderOf(options));
    if (options.useRegions.empty()) {
        json.Key("tileSize");
        json.Integer(options.tileSize);
    }
    json.Key("reduction");
    json.Number(ReductionPercent(result));
    json.Key("dataRange");
    json.Number(facts.dataRange);
    json.Key("coverage");
    WriteCoverage(json, facts.coverage);
    json.Key("statistics");
    WriteStatistics(json, result, figures.series);
    json.Key("decoding");
    WriteDecoding(json, result, facts.pixels);
    if (figures.integrity != nullptr) {
        json.Key("integrity");
        WriteIntegrity(json, *figures.integrity);
    }
    json.Key("seconds");
    json.Number(facts.seconds);
    if (appendix) {
        appendix(json, figures);
    }
    json.EndObject();
    return json.Text();
}

CJsonReportOutput::CJsonReportOutput(const CParsedCommandLine& runOptions, const RunLayout& layout,
                                     const std::string& fileName, const CTileValueSeries& values,
                                     const FileIntegrity* identities, JsonAppendix keys)
    : options(runOptions), width(layout.width), height(layout.height),
      bandCount(static_cast<int32_t>(layout.bandNames.size())), dataRange(layout.peakValue),
      series(values), integrity(identities), coverage(layout.area, runOptions.tileSize),
      appendix(std::move(keys)) {
    if (!fileName.empty()) {
        file.emplace(fileName, "JSON report", COutputFile::Kind::Whole);
    }
}

void CJsonReportOutput::OnTile(const TileMeasurement& measurement) {
    coverage.OnTile(measurement);
    pixels += static_cast<uint64_t>(measurement.tile->Width() * measurement.tile->Height());
}

void CJsonReportOutput::Write(const FinishedRun& run) {
    const JsonReportFacts facts{
        .version = ZARNIK_VERSION,
        .width = width,
        .height = height,
        .bandCount = bandCount,
        .seconds = run.elapsedSeconds(),
        .pixels = pixels,
        .dataRange = dataRange,
        .coverage = coverage.Figures(),
    };
    const RunFigures figures{.result = run.result, .series = series, .integrity = integrity};
    text = JsonReportText(figures, options, facts, appendix);
    if (file) {
        file->Write(text);
        file->Close();
    }
}
