#pragma once

#include "raster/sdk/Jpeg2000Codestream.h"
#include "raster/sdk/ReadOnlyFile.h"

#include <openjpeg.h>

#include <cstddef>
#include <memory>

namespace Orv {

struct OpjCodecDeleter {
    void operator()(opj_codec_t* codec) const { opj_destroy_codec(codec); }
};
struct OpjImageDeleter {
    void operator()(opj_image_t* image) const { opj_image_destroy(image); }
};

using OpjCodecPtr = std::unique_ptr<opj_codec_t, OpjCodecDeleter>;
using OpjImagePtr = std::unique_ptr<opj_image_t, OpjImageDeleter>;

// A codestream decompressor that says nothing: the layer reports failures by
// error number only, and the program writes nothing to standard error. By
// default it decodes on the calling thread: the evaluator's workers, each with
// its own reader, are the parallelism, and helper threads per window would
// compete with them. A codec kept for many windows may get `threadCount`
// threads of its own when there are fewer workers than cores.
OpjCodecPtr CreateQuietCodestreamDecoder(int threadCount = 0);

// An OpenJPEG input stream over a codestream in an open file, so that each
// window can have a fresh stream and only the parts of the codestream it
// touches are read. The file must outlive the stream.
class COpjFileStream {
public:
    COpjFileStream(const CReadOnlyFile& file, const CodestreamExtent& codestream);
    ~COpjFileStream();
    COpjFileStream(const COpjFileStream&) = delete;
    COpjFileStream& operator=(const COpjFileStream&) = delete;

    opj_stream_t* Get() const { return stream; }

private:
    struct Cursor {
        const CReadOnlyFile* file;
        CodestreamExtent codestream;
        uint64_t offset = 0;
    };

    static OPJ_SIZE_T Read(void* buffer, OPJ_SIZE_T byteCount, void* cursor);
    static OPJ_OFF_T Skip(OPJ_OFF_T byteCount, void* cursor);
    static OPJ_BOOL Seek(OPJ_OFF_T position, void* cursor);

    Cursor cursor;
    opj_stream_t* stream;
};

} // namespace Orv
