#pragma once

#include "raster/sdk/Jpeg2000Codestream.h"
#include "raster/sdk/ReadOnlyFile.h"

#include <openjpeg.h>

#include <cstddef>
#include <memory>
#include <span>
#include <vector>

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

// One piece of the codestream a stream hands to OpenJPEG: bytes held in
// memory, or `length` bytes of the file from `fileOffset` on.
struct StreamPiece {
    uint64_t fileOffset = 0;
    uint64_t length = 0;
    std::span<const std::byte> memory; // used instead of the file when not empty
};

// An OpenJPEG input stream over a codestream in an open file, so that each
// window can have a fresh stream and only the parts of the codestream it
// touches are read. The stream may also join pieces, so that the decoder sees
// a codestream made of a main header kept in memory and only the tile-parts
// a window needs. The file, and memory a piece points to, must outlive the
// stream.
class COpjFileStream {
public:
    COpjFileStream(const CReadOnlyFile& file, const CodestreamExtent& codestream);
    COpjFileStream(const CReadOnlyFile& file, std::vector<StreamPiece> pieces);
    ~COpjFileStream();
    COpjFileStream(const COpjFileStream&) = delete;
    COpjFileStream& operator=(const COpjFileStream&) = delete;

    opj_stream_t* Get() const { return stream; }

private:
    struct Cursor {
        const CReadOnlyFile* file;
        std::vector<StreamPiece> pieces;
        uint64_t length = 0; // of all pieces together
        uint64_t offset = 0;
    };

    static OPJ_SIZE_T Read(void* buffer, OPJ_SIZE_T byteCount, void* cursor);
    static OPJ_OFF_T Skip(OPJ_OFF_T byteCount, void* cursor);
    static OPJ_BOOL Seek(OPJ_OFF_T position, void* cursor);
    // Reads up to `byteCount` bytes at the cursor from the one piece holding
    // it; 0 when the file cannot be read.
    static size_t ReadFromPiece(Cursor& cursor, std::byte* buffer, uint64_t byteCount);

    Cursor cursor;
    opj_stream_t* stream;
};

// A codec that has read a main header, and the image it describes.
struct OpjHeader {
    OpjCodecPtr codec;
    OpjImagePtr image;
};

// Reads the main header from `stream`; throws CError(kErrorCorruptFile) when
// it is broken.
OpjHeader ReadOpjHeader(const COpjFileStream& stream, int threadCount = 0);

} // namespace Orv
