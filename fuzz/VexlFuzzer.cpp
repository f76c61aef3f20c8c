// Opens the input as a .vexl file through the raster layer and reads small
// windows of it.
#include "fuzz/ScratchFile.h"
#include "fuzz/SmallWindowReader.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static CScratchFile vexlFile(".vexl");
    vexlFile.Write(data, size);
    ReadSmallWindows(vexlFile.Name());
    return 0;
}
