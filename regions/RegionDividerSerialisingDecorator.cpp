#include "regions/RegionDividerSerialisingDecorator.h"

#include "regions/RegionsFileTrailer.h"

#include <cstdint>
#include <filesystem>
#include <stdexcept>

CRegionDividerSerialisingDecorator::CRegionDividerSerialisingDecorator(
    std::shared_ptr<IRegionDivider> innerDivider, std::string fileNameToWrite)
    : inner(std::move(innerDivider)), fileName(std::move(fileNameToWrite)) {
    stream.open(fileName, std::ios::binary | std::ios::trunc);
    if (!stream) {
        throw std::runtime_error("Unable to open output regions file " + fileName);
    }
    WriteTrailer(kRunNotFinished);
}

void CRegionDividerSerialisingDecorator::WriteTrailer(std::string_view trailer) {
    stream.seekp(int64_t{16} * inner->GetRegionCount());
    stream.write(trailer.data(), static_cast<std::streamsize>(trailer.size()));
    stream.flush();
    if (!stream) {
        throw WriteFailure();
    }
}

CRegionPtr CRegionDividerSerialisingDecorator::GetRegion(int32_t regionNumber) {
    CRegionPtr region = inner->GetRegion(regionNumber);
    Record(regionNumber, *region);
    return region;
}

void CRegionDividerSerialisingDecorator::Record(int32_t regionNumber, const CRegion& region) {
    const auto record = converter.ToBytes(region);
    std::lock_guard lock(mutex);
    stream.seekp(int64_t{16} * regionNumber);
    stream.write(reinterpret_cast<const char*>(record.data()), record.size());
    if (!stream) {
        throw WriteFailure();
    }
}

void CRegionDividerSerialisingDecorator::Close() {
    std::lock_guard lock(mutex);
    WriteTrailer(kRegionsComplete);
    stream.close();
    // A file whose folder was removed mid-run took the records with it.
    if (!stream || !std::filesystem::exists(fileName)) {
        throw WriteFailure();
    }
}

std::runtime_error CRegionDividerSerialisingDecorator::WriteFailure() const {
    return std::runtime_error("Unable to write output regions file " + fileName);
}
