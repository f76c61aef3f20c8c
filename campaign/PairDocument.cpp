#include "campaign/PairDocument.h"

#include "platform/ZarnikError.h"

#include "campaign/JsonReader.h"

namespace {

const CJsonValue& Required(const CJsonValue& object, const std::string& key) {
    const CJsonValue* const value = object.Find(key);
    if (value == nullptr) {
        throw CZarnikError::Detail("it lacks \"" + key + "\"");
    }
    return *value;
}

double Number(const CJsonValue& object, const std::string& key) {
    const auto number = Required(object, key).AsNumber();
    if (!number) {
        throw CZarnikError::Detail("its \"" + key + "\" is no number");
    }
    return *number;
}

std::optional<double> Optional(const CJsonValue& object, const std::string& key) {
    const CJsonValue* const value = object.Find(key);
    return value == nullptr ? std::nullopt : value->AsNumber();
}

void ReadFigures(const CJsonValue& statistics, PairDocument& document) {
    for (const auto& [statistic, bands] : statistics.Members()) {
        for (const CJsonValue& band : bands.Items()) {
            document.figures.push_back(BandFigures{
                .statistic = statistic,
                .band = static_cast<int64_t>(Number(band, "band")),
                .avg = Optional(band, "avg"),
                .finiteAvg = Optional(band, "finiteAvg"),
                .pooled = Optional(band, "pooled"),
                .min = Optional(band, "min"),
                .p05 = Optional(band, "p05"),
            });
        }
    }
}

void ReadDecoding(const CJsonValue& decoding, PairDocument& document) {
    document.pixels = Optional(decoding, "pixels").value_or(0.0);
    if (const CJsonValue* const compressed = decoding.Find("compressed")) {
        document.decodeMsPerMegapixel = Optional(*compressed, "msPerMegapixel");
    }
}

} // namespace

PairDocument ParsePairDocument(const std::string& text) {
    const CJsonValue root = ReadJson(text);
    if (!root.IsObject() || Number(root, "schema") != 1.0) {
        throw CZarnikError::Detail("it is no JSON report of schema 1");
    }
    PairDocument document;
    document.stamp = ReadPairStamp(Required(root, "campaign"));
    if (const CJsonValue* const error = root.Find("error")) {
        document.error = error->AsString().value_or("");
        return document;
    }
    const CJsonValue& compressed = Required(root, "compressed");
    document.bytes = static_cast<int64_t>(Number(compressed, "bytes"));
    document.bitsPerPixel = Number(compressed, "bitsPerPixel");
    document.reduction = Number(root, "reduction");
    ReadFigures(Required(root, "statistics"), document);
    ReadDecoding(Required(root, "decoding"), document);
    return document;
}
