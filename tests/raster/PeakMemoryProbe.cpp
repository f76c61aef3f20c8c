// Reads `count` tiles of `size` pixels from a file through the built-in
// reader, in reading order ("seq") or drawn at random with a fixed seed
// ("ran"), every band in one read, and prints the process's peak resident
// set in KiB. A program of its own, so that nothing else counts in its peak.
//
// usage: peak_memory_probe FILE seq|ran SIZE COUNT
#include "raster/VexlJp2SdkImageFileReader.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

long PeakResidentKiB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::atol(line.c_str() + 6);
        }
    }
    return -1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        return 2;
    }
    CVexlJp2SdkImageFileReader reader(argv[1]);
    const bool inOrder = std::string(argv[2]) == "seq";
    const int size = std::atoi(argv[3]);
    const int count = std::atoi(argv[4]);
    reader.SetTileOrder(inOrder ? TileOrder::Sequential : TileOrder::Random);
    const auto columns = static_cast<int>(reader.GetImageSize().width) / size;
    const auto rows = static_cast<int>(reader.GetImageSize().height) / size;
    std::vector<std::vector<float>> planes(reader.GetBandCount(),
                                           std::vector<float>(size_t(size) * size));
    std::mt19937 draw(7);
    for (int tile = 0; tile < count; ++tile) {
        const int place =
            inOrder ? tile % (columns * rows) : static_cast<int>(draw() % unsigned(columns * rows));
        const int x = place % columns * size;
        const int y = place / columns * size;
        std::vector<BandRead> reads;
        for (int band = 0; band < reader.GetBandCount(); ++band) {
            reads.push_back(BandRead{band, planes[size_t(band)].data()});
        }
        reader.ReadBands(std::make_shared<CRegion>(x, y, x + size - 1, y + size - 1), reads);
    }
    std::printf("%ld\n", PeakResidentKiB());
    return 0;
}
