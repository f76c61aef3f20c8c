#include "outputs/TileValuesCsv.h"

#include "outputs/NumberText.h"

CTileValuesCsv::CTileValuesCsv(const std::string& fileName,
                               const std::vector<std::string>& statisticNames)
    : file(fileName, "tile values file") {
    std::string header = "tile,x0,y0,x1,y1,band";
    for (const std::string& name : statisticNames) {
        header += ',';
        header += name;
    }
    file.Write(header + ",originalReadUs,compressedReadUs\n");
}

void CTileValuesCsv::OnTile(const TileMeasurement& measurement) {
    const CRegion& tile = *measurement.tile;
    const std::string corners = std::to_string(measurement.index) + "," + std::to_string(tile.x0) +
                                "," + std::to_string(tile.y0) + "," + std::to_string(tile.x1) +
                                "," + std::to_string(tile.y1) + ",";
    std::string rows;
    for (size_t b = 0; b < measurement.bands.size(); ++b) {
        const BandMeasurement& band = measurement.bands[b];
        rows += corners + std::to_string(b);
        // A value the run did not measure leaves its field empty.
        for (const auto& value : band.values) {
            rows += ',';
            if (value) {
                rows += RoundTripText(*value);
            }
        }
        rows += ',';
        rows += std::to_string(band.originalReadUs);
        rows += ',';
        rows += std::to_string(band.compressedReadUs);
        rows += '\n';
    }
    file.Write(rows);
    file.Flush();
}

void CTileValuesCsv::Write(const FinishedRun&) {
    file.Write("# complete\n");
    file.Close();
}
