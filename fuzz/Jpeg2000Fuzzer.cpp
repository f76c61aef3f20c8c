// Opens the input as a JPEG 2000 file through the raster layer and reads
// small windows of it. The first byte picks the container: odd for a .jp2
// file with boxes, even for a raw .j2k codestream; the rest is the file.
#include "fuzz/ScratchFile.h"
#include "fuzz/SmallWindowReader.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static CScratchFile boxesFile(".jp2");
    static CScratchFile codestreamFile(".j2k");
    if (size == 0) {
        return 0;
    }
    CScratchFile& file = (data[0] & 1) != 0 ? boxesFile : codestreamFile;
    file.Write(data + 1, size - 1);
    ReadSmallWindows(file.Name());
    return 0;
}
