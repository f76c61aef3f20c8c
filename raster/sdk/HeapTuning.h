#pragma once

namespace Orv {

// Asks the C library to keep freed memory for reuse instead of handing it
// back to the system at once. OpenJPEG allocates and frees several
// window-sized buffers for every window it decodes; with the C library's
// defaults each of them costs fresh pages from the system, which took longer
// than the decoding itself. Applies to the whole process, once; does
// nothing where the C library has no such settings.
void KeepFreedMemoryForReuse();

} // namespace Orv
