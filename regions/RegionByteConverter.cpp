#include "regions/RegionByteConverter.h"

namespace {

void PutInt32(int32_t value, unsigned char* bytes) {
    const auto bits = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i) {
        bytes[i] = static_cast<unsigned char>(bits >> (8 * i));
    }
}

int32_t GetInt32(const unsigned char* bytes) {
    uint32_t bits = 0;
    for (int i = 0; i < 4; ++i) {
        bits |= uint32_t{bytes[i]} << (8 * i);
    }
    return static_cast<int32_t>(bits);
}

} // namespace

CRegionByteConverter::Record CRegionByteConverter::ToBytes(const CRegion& region) const {
    Record record{};
    PutInt32(region.x0, &record[0]);
    PutInt32(region.y0, &record[4]);
    PutInt32(region.x1, &record[8]);
    PutInt32(region.y1, &record[12]);
    return record;
}

CRegion CRegionByteConverter::FromBytes(const Record& record) const {
    return CRegion(GetInt32(&record[0]), GetInt32(&record[4]), GetInt32(&record[8]),
                   GetInt32(&record[12]));
}
