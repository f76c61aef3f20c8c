#include "regions/SavedFileRegionDivider.h"

#include "regions/RegionsFileTrailer.h"

#include <algorithm>
#include <filesystem>
#include <limits>
#include <stdexcept>
#include <system_error>

namespace {

constexpr int64_t kRecordSize = 16;

// The file's size in bytes, or -1 when it cannot be had (a missing file among
// others), which then counts as a file without data.
int64_t FileSizeOrMinusOne(const std::string& fileName) {
    std::error_code error;
    const auto size = std::filesystem::file_size(fileName, error);
    return error ? -1 : static_cast<int64_t>(size);
}

// A named pipe or a device would block the run or never end, so only a
// regular file is opened; a missing file counts as one without data.
bool IsSomethingButARegularFile(const std::string& fileName) {
    std::error_code error;
    const auto status = std::filesystem::status(fileName, error);
    return std::filesystem::exists(status) && !std::filesystem::is_regular_file(status);
}

} // namespace

CSavedFileRegionDivider::CSavedFileRegionDivider(std::string fileNameToRead)
    : fileName(std::move(fileNameToRead)) {
    if (IsSomethingButARegularFile(fileName)) {
        throw std::runtime_error("Unable to open saved regions file " + fileName);
    }
    const int64_t size = FileSizeOrMinusOne(fileName);
    if (size < 1) {
        throw std::runtime_error("No data in saved regions file " + fileName);
    }
    if (size % kRecordSize != 0) {
        throw std::runtime_error("Saved regions file " + fileName + " is corrupt");
    }
    stream.open(fileName, std::ios::binary);
    if (!stream) {
        throw std::runtime_error("Unable to open saved regions file " + fileName);
    }
    regionCount = size / kRecordSize - (EndsWith(kRegionsComplete) ? 1 : 0);
    if (EndsWith(kRunNotFinished)) {
        throw std::runtime_error("Saved regions file " + fileName +
                                 " is from a run that did not finish");
    }
    if (regionCount < 1) {
        throw std::runtime_error("No data in saved regions file " + fileName);
    }
    if (regionCount > std::numeric_limits<int32_t>::max()) {
        throw std::runtime_error("Too many regions in regions file " + fileName);
    }
    const CRegionPtr first = GetRegion(0);
    if (!first) {
        throw std::runtime_error("Unable to read region 0 from saved regions file " + fileName);
    }
    // A record's width may exceed the 32-bit range (0 to 2147483647 spans
    // 2^31 columns); the tile size is then the largest one, and the tile is
    // refused as outside the image when its turn comes.
    tileSize = static_cast<int32_t>(
        std::min<int64_t>(first->Width(), std::numeric_limits<int32_t>::max()));
}

CRegionPtr CSavedFileRegionDivider::GetRegion(int32_t regionNumber) {
    CRegionByteConverter::Record record{};
    {
        std::lock_guard lock(mutex);
        stream.clear();
        stream.seekg(kRecordSize * int64_t{regionNumber});
        stream.read(reinterpret_cast<char*>(record.data()), kRecordSize);
    }
    return std::make_shared<CRegion>(converter.FromBytes(record));
}

bool CSavedFileRegionDivider::EndsWith(std::string_view trailer) {
    std::string last(kRecordSize, '\0');
    stream.clear();
    stream.seekg(-kRecordSize, std::ios::end);
    stream.read(last.data(), kRecordSize);
    return stream && last == trailer;
}
