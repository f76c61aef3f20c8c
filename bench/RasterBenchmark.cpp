// Time to read one band of one 256 x 256 window of an 8000 x 8000 RGB image,
// over the same 100 random windows, through
//   - the SDK reader on JPEG 2000 (1024 x 1024 tiles, and a single tile),
//   - the GDAL reader on the same JPEG 2000 files, with GDAL's block cache
//     emptied before every window so that each window is decoded anew,
//   - the GDAL reader on the uncompressed tiled GeoTIFF original.
// Each benchmark iteration reads every band of one window, as the evaluator
// does; the counter ms_per_band is the time per window and band.
#include "bench/BenchmarkImages.h"
#include "raster/GdalImageFileReader.h"
#include "raster/VexlJp2SdkImageFileReader.h"

#include <benchmark/benchmark.h>
#include <gdal_priv.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <random>

namespace {

constexpr int32_t kWindowSize = 256;
constexpr int kWindowCount = 100;

std::vector<CRegionPtr> RandomWindows() {
    std::mt19937 random(7);
    std::uniform_int_distribution<int32_t> corner(0, CBenchmarkImages::kSize - kWindowSize);
    std::vector<CRegionPtr> windows;
    for (int i = 0; i < kWindowCount; ++i) {
        const int32_t x0 = corner(random);
        const int32_t y0 = corner(random);
        windows.push_back(
            std::make_shared<CRegion>(x0, y0, x0 + kWindowSize - 1, y0 + kWindowSize - 1));
    }
    return windows;
}

void EmptyGdalBlockCache() {
    while (GDALFlushCacheBlock()) {
    }
}

// Reads every band of each window in turn; only the reads are timed.
void ReadWindows(benchmark::State& state, CImageFileReader& reader,
                 const std::function<void()>& beforeEachWindow) {
    static const std::vector<CRegionPtr> windows = RandomWindows();
    const int32_t bandCount = reader.GetBandCount();
    std::vector<CBand*> bands;
    for (int32_t band = 0; band < bandCount; ++band) {
        bands.push_back(reader.GetBand(band));
    }
    size_t next = 0;
    double readSeconds = 0;
    for (auto _ : state) {
        const CRegionPtr& window = windows[next++ % windows.size()];
        if (beforeEachWindow) {
            beforeEachWindow();
        }
        const auto start = std::chrono::steady_clock::now();
        for (CBand* band : bands) {
            float* buffer = band->AllocateBuffer(kWindowSize * kWindowSize);
            band->ReadRegion(window, buffer);
            benchmark::DoNotOptimize(buffer[0]);
            band->FreeBuffer(buffer);
        }
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        readSeconds += elapsed.count();
        state.SetIterationTime(elapsed.count());
    }
    state.counters["ms_per_band"] =
        1000.0 * readSeconds / (double(state.iterations()) * double(bandCount));
}

void RegisterAll(const CBenchmarkImages& images) {
    const auto sdk = [](std::string fileName) {
        return [fileName](benchmark::State& state) {
            CVexlJp2SdkImageFileReader reader(fileName);
            ReadWindows(state, reader, nullptr);
        };
    };
    const auto gdal = [](std::string fileName, bool emptyCache) {
        return [fileName, emptyCache](benchmark::State& state) {
            CGdalImageFileReader reader(fileName);
            EmptyGdalBlockCache();
            ReadWindows(state, reader, emptyCache ? EmptyGdalBlockCache : std::function<void()>());
        };
    };
    const std::pair<const char*, std::function<void(benchmark::State&)>> benchmarks[] = {
        {"Sdk/Jpeg2000Tiled1024", sdk(images.TiledJpeg2000())},
        {"Gdal/Jpeg2000Tiled1024", gdal(images.TiledJpeg2000(), true)},
        {"Gdal/GeoTiffUncompressed", gdal(images.GeoTiff(), false)},
        {"Sdk/Jpeg2000SingleTile", sdk(images.SingleTileJpeg2000())},
        {"Gdal/Jpeg2000SingleTile", gdal(images.SingleTileJpeg2000(), true)},
    };
    for (const auto& [name, function] : benchmarks) {
        benchmark::RegisterBenchmark(name, function)
            ->Iterations(kWindowCount)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    }
}

void PrintSizes(const CBenchmarkImages& images) {
    const double original = double(std::filesystem::file_size(images.GeoTiff()));
    for (const std::string& file : {images.TiledJpeg2000(), images.SingleTileJpeg2000()}) {
        const double size = double(std::filesystem::file_size(file));
        std::printf("%s: %.1f MB, 1:%.1f of the GeoTIFF\n", file.c_str(), size / 1e6,
                    original / size);
    }
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    const CBenchmarkImages images(ZARNIK_BENCHMARK_CACHE);
    PrintSizes(images);
    RegisterAll(images);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
