#include "outputs/RunPageData.h"

#include "outputs/JsonWriter.h"
#include "outputs/Viridis.h"

#include <cmath>
#include <limits>

namespace {

void WriteNumberOrNull(CJsonWriter& json, float value) {
    if (std::isnan(value)) {
        json.Null();
    } else {
        json.Number(value);
    }
}

void WriteRectangle(CJsonWriter& json, const CRegion& region) {
    json.BeginArray();
    for (const int32_t corner : {region.x0, region.y0, region.x1, region.y1}) {
        json.Integer(corner);
    }
    json.EndArray();
}

void WriteNames(CJsonWriter& json, const std::vector<std::string>& names) {
    json.BeginArray();
    for (const std::string& name : names) {
        json.String(name);
    }
    json.EndArray();
}

void WriteGates(CJsonWriter& json, const std::vector<GateOutcome>& gates) {
    json.BeginArray();
    for (const GateOutcome& gate : gates) {
        json.BeginObject();
        json.Key("gate");
        json.String(gate.gate);
        json.Key("passed");
        json.Bool(gate.passed);
        json.Key("lines");
        WriteNames(json, gate.lines);
        json.EndObject();
    }
    json.EndArray();
}

// Per statistic, per band, every tile's value in visiting order.
void WriteTiles(CJsonWriter& json, const RunPageContent& content) {
    const RunTileValues& tiles = content.tiles;
    json.BeginObject();
    json.Key("rectangles");
    json.BeginArray();
    for (const CRegion& tile : tiles.tiles) {
        WriteRectangle(json, tile);
    }
    json.EndArray();
    json.Key("values");
    json.BeginObject();
    for (size_t s = 0; s < tiles.statistics; ++s) {
        json.Key(content.layout.statisticNames[s]);
        json.BeginArray();
        for (size_t b = 0; b < tiles.bands; ++b) {
            json.BeginArray();
            for (size_t t = 0; t < tiles.tiles.size(); ++t) {
                WriteNumberOrNull(json, tiles.values[(t * tiles.bands + b) * tiles.statistics + s]);
            }
            json.EndArray();
        }
        json.EndArray();
    }
    json.EndObject();
    json.EndObject();
}

void WriteMap(CJsonWriter& json, const RunPageContent& content) {
    const QualityMapGrid& grid = content.map.Grid();
    json.BeginObject();
    for (const auto& [key, value] : {std::pair<const char*, int32_t>{"x0", grid.x0},
                                     {"y0", grid.y0},
                                     {"cellSize", grid.cellSize},
                                     {"columns", grid.columns},
                                     {"rows", grid.rows}}) {
        json.Key(key);
        json.Integer(value);
    }
    json.Key("shown");
    json.BeginObject();
    json.Key("statistic");
    json.String(content.layout.statisticNames[content.shownStatistic]);
    json.Key("band");
    json.Integer(static_cast<int64_t>(content.shownBand));
    json.EndObject();
    // Per statistic, per band, the cells row by row (null: no tile there).
    json.Key("layers");
    json.BeginObject();
    for (size_t s = 0; s < content.layout.statisticNames.size(); ++s) {
        json.Key(content.layout.statisticNames[s]);
        json.BeginArray();
        for (size_t b = 0; b < content.layout.bandNames.size(); ++b) {
            json.BeginArray();
            for (const float cell : content.map.Layer(s, b)) {
                WriteNumberOrNull(json, cell);
            }
            json.EndArray();
        }
        json.EndArray();
    }
    json.EndObject();
    // The quality map's ramp, as its PNG quick look paints it.
    json.Key("ramp");
    json.BeginArray();
    for (int step = 0; step <= 10; ++step) {
        json.BeginArray();
        for (const uint8_t channel : ViridisColour(step / 10.0)) {
            json.Integer(channel);
        }
        json.EndArray();
    }
    json.EndArray();
    json.EndObject();
}

void WriteShownTiles(CJsonWriter& json, const std::vector<ShownTile>& shown) {
    json.BeginArray();
    for (const ShownTile& tile : shown) {
        json.BeginObject();
        json.Key("kind");
        json.String(tile.kind);
        json.Key("rank");
        json.Integer(tile.rank);
        json.Key("value");
        json.Number(tile.scored.value);
        json.Key("rectangle");
        WriteRectangle(json, *tile.scored.region);
        json.Key("factor");
        json.Integer(tile.pictures.factor);
        for (const auto& [key, uri] :
             {std::pair<const char*, const std::string&>{"original", tile.pictures.original},
              {"compressed", tile.pictures.compressed},
              {"difference", tile.pictures.difference}}) {
            json.Key(key);
            json.String(uri);
        }
        json.EndObject();
    }
    json.EndArray();
}

} // namespace

void RunTileValues::Add(const TileMeasurement& measurement) {
    bands = std::max(bands, measurement.bands.size());
    tiles.push_back(*measurement.tile);
    values.resize(tiles.size() * bands * statistics, std::numeric_limits<float>::quiet_NaN());
    const size_t first = (tiles.size() - 1) * bands * statistics;
    for (size_t b = 0; b < measurement.bands.size(); ++b) {
        const auto& measured = measurement.bands[b].values;
        for (size_t s = 0; s < measured.size() && s < statistics; ++s) {
            if (measured[s]) {
                values[first + b * statistics + s] = *measured[s];
            }
        }
    }
}

std::string RunPageJson(const RunPageContent& content) {
    CJsonWriter json;
    json.BeginObject();
    json.Key("statistics");
    WriteNames(json, content.layout.statisticNames);
    json.Key("bands");
    WriteNames(json, content.layout.bandNames);
    json.Key("gates");
    WriteGates(json, content.gates);
    json.Key("tiles");
    WriteTiles(json, content);
    json.Key("map");
    WriteMap(json, content);
    json.Key("scene");
    json.BeginObject();
    json.Key("width");
    json.Integer(content.scene.width);
    json.Key("height");
    json.Integer(content.scene.height);
    json.Key("picture");
    json.String(content.scene.dataUri);
    json.EndObject();
    json.Key("shownTiles");
    WriteShownTiles(json, content.shown);
    json.EndObject();
    return json.Text();
}
