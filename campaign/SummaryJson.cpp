#include "campaign/CampaignSummary.h"
#include "campaign/RateDistortion.h"

#include "outputs/JsonWriter.h"

namespace {

void WriteFigures(CJsonWriter& json, const BandFigures& figures) {
    json.BeginObject();
    json.Key("statistic");
    json.String(figures.statistic);
    json.Key("band");
    json.Integer(figures.band);
    json.Key("avg");
    json.NumberOrNull(figures.avg);
    json.Key("finiteAvg");
    json.NumberOrNull(figures.finiteAvg);
    json.Key("pooled");
    json.NumberOrNull(figures.pooled);
    json.Key("min");
    json.NumberOrNull(figures.min);
    json.Key("p05");
    json.NumberOrNull(figures.p05);
    json.EndObject();
}

void WritePair(CJsonWriter& json, const PairDocument& pair) {
    json.BeginObject();
    json.Key("row");
    json.Integer(pair.stamp.row);
    json.Key("group");
    json.String(pair.stamp.group);
    json.Key("label");
    json.String(pair.stamp.label);
    json.Key("original");
    json.String(pair.stamp.original.path);
    json.Key("compressed");
    json.String(pair.stamp.compressed.path);
    json.Key("document");
    json.String(pair.fileName);
    json.Key("verdict");
    json.String(pair.stamp.verdict);
    if (!pair.error.empty()) {
        json.Key("error");
        json.String(pair.error);
        json.EndObject();
        return;
    }
    json.Key("gateFailures");
    json.BeginArray();
    for (const std::string& failure : pair.stamp.gateFailures) {
        json.String(failure);
    }
    json.EndArray();
    json.Key("bytes");
    json.Integer(pair.bytes);
    json.Key("bitsPerPixel");
    json.Number(pair.bitsPerPixel);
    json.Key("reduction");
    json.Number(pair.reduction);
    json.Key("decodeMsPerMegapixel");
    json.NumberOrNull(pair.decodeMsPerMegapixel);
    json.Key("figures");
    json.BeginArray();
    for (const BandFigures& figures : pair.figures) {
        WriteFigures(json, figures);
    }
    json.EndArray();
    json.EndObject();
}

void WriteCurve(CJsonWriter& json, const RdCurve& curve) {
    json.BeginObject();
    json.Key("label");
    json.String(curve.label);
    json.Key("statistic");
    json.String(curve.statistic);
    json.Key("band");
    json.Integer(curve.band);
    json.Key("figure");
    json.String(curve.figure);
    json.Key("points");
    json.BeginArray();
    for (const RdCurvePoint& point : curve.points) {
        json.BeginObject();
        json.Key("row");
        json.Integer(point.row);
        json.Key("bitsPerPixel");
        json.Number(point.bitsPerPixel);
        json.Key("value");
        json.NumberOrNull(point.value);
        json.EndObject();
    }
    json.EndArray();
    json.EndObject();
}

void WriteBd(CJsonWriter& json, const BdEntry& entry) {
    json.BeginObject();
    json.Key("label");
    json.String(entry.label);
    json.Key("reference");
    json.String(entry.reference);
    json.Key("statistic");
    json.String(entry.statistic);
    json.Key("band");
    json.Integer(entry.band);
    json.Key("qualityScale");
    json.String(entry.qualityScale);
    json.Key("bdRatePercent");
    json.NumberOrNull(entry.figures.ratePercent);
    json.Key("bdQuality");
    json.NumberOrNull(entry.figures.quality);
    json.Key("reason");
    if (entry.figures.reason.empty()) {
        json.Null();
    } else {
        json.String(entry.figures.reason);
    }
    json.Key("leftOut");
    json.BeginArray();
    for (const LeftOutPoint& point : entry.leftOut) {
        json.BeginObject();
        json.Key("label");
        json.String(point.label);
        json.Key("row");
        json.Integer(point.row);
        json.Key("why");
        json.String(point.why);
        json.EndObject();
    }
    json.EndArray();
    json.EndObject();
}

// Megapixels per second over all pairs of each label: their pixels over
// their summed read times.
void WriteDecodeSpeeds(CJsonWriter& json, const std::vector<const PairDocument*>& group) {
    json.BeginArray();
    for (const std::string& label : LabelsOf(group)) {
        double megapixels = 0.0;
        double seconds = 0.0;
        for (const PairDocument* pair : group) {
            if (pair->stamp.label == label && pair->decodeMsPerMegapixel) {
                megapixels += pair->pixels / 1e6;
                seconds += *pair->decodeMsPerMegapixel * pair->pixels / 1e9;
            }
        }
        json.BeginObject();
        json.Key("label");
        json.String(label);
        json.Key("megapixelsPerSecond");
        json.NumberOrNull(seconds > 0.0 ? std::optional<double>(megapixels / seconds)
                                        : std::nullopt);
        json.EndObject();
    }
    json.EndArray();
}

void WriteGroup(CJsonWriter& json, const std::vector<const PairDocument*>& group,
                const std::string& bdReference) {
    const std::vector<std::string> labels = LabelsOf(group);
    const std::string reference = bdReference.empty() ? labels.front() : bdReference;
    const std::vector<RdCurve> curves = RateDistortionCurves(group);
    json.BeginObject();
    json.Key("group");
    json.String(group.front()->stamp.group);
    json.Key("labels");
    json.BeginArray();
    for (const std::string& label : labels) {
        json.String(label);
    }
    json.EndArray();
    json.Key("bdReference");
    json.String(reference);
    json.Key("rateDistortion");
    json.BeginArray();
    for (const RdCurve& curve : curves) {
        WriteCurve(json, curve);
    }
    json.EndArray();
    const std::vector<BdEntry> entries = BdEntries(curves, reference);
    json.Key("bd");
    json.BeginArray();
    for (const BdEntry& entry : entries) {
        WriteBd(json, entry);
    }
    json.EndArray();
    // Says why a group with several labels has no BD figure at all.
    json.Key("bdReason");
    if (entries.empty() && labels.size() > 1) {
        json.String("no pair labelled '" + reference + "' was measured in this group");
    } else {
        json.Null();
    }
    json.Key("decoding");
    WriteDecodeSpeeds(json, group);
    json.EndObject();
}

void WriteCampaign(CJsonWriter& json, const SummaryFacts& facts) {
    json.BeginObject();
    json.Key("manifest");
    json.String(facts.manifest);
    json.Key("options");
    json.String(facts.options);
    json.Key("rows");
    json.Integer(facts.rows);
    json.Key("missingRows");
    json.BeginArray();
    for (const int64_t row : facts.missingRows) {
        json.Integer(row);
    }
    json.EndArray();
    json.EndObject();
}

} // namespace

std::string SummaryJson(const std::vector<PairDocument>& pairs, const SummaryFacts& facts) {
    CJsonWriter json;
    json.BeginObject();
    json.Key("schema");
    json.Integer(1);
    json.Key("tool");
    json.String("zarnik");
    json.Key("version");
    json.String(facts.version);
    json.Key("campaign");
    WriteCampaign(json, facts);
    json.Key("exitCode");
    json.Integer(CampaignExitCode(pairs));
    json.Key("pairs");
    json.BeginArray();
    for (const PairDocument& pair : pairs) {
        WritePair(json, pair);
    }
    json.EndArray();
    json.Key("groups");
    json.BeginArray();
    for (const auto& group : Groups(pairs)) {
        WriteGroup(json, group, facts.bdReference);
    }
    json.EndArray();
    json.EndObject();
    return json.Text();
}
