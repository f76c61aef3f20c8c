#pragma once

#include "evaluation/TileMeasurement.h"
#include "outputs/OutputFile.h"
#include "outputs/ResultWriter.h"

#include <string>
#include <vector>

// Writes one CSV row per tile and band while the run goes:
// tile,x0,y0,x1,y1,band,<statistic>...,originalReadUs,compressedReadUs.
// Each tile's rows reach the file before the next tile is measured, so a run
// that dies half-way leaves the rows of the tiles it finished; writing the
// finished run adds the last line "# complete" and closes the file, so a file
// without that line is from a run that did not measure every tile.
class CTileValuesCsv : public ITileListener, public IResultWriter {
public:
    // Creates the file and writes the header; throws when it cannot.
    CTileValuesCsv(const std::string& fileName, const std::vector<std::string>& statisticNames);

    void OnTile(const TileMeasurement& measurement) override;
    // Ends the file with "# complete" and closes it; throws when any row was lost.
    void Write(const FinishedRun&) override;

private:
    COutputFile file;
};
