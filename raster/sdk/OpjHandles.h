#pragma once

#include <openjpeg.h>

#include <cstddef>
#include <memory>
#include <span>

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
// error number only, and the program writes nothing to standard error.
OpjCodecPtr CreateQuietCodestreamDecoder(int threadCount);

// An OpenJPEG input stream over bytes held in memory, so that each window can
// have a fresh stream without touching the disk. The bytes must outlive it.
class COpjMemoryStream {
public:
    explicit COpjMemoryStream(std::span<const std::byte> bytes);
    ~COpjMemoryStream();
    COpjMemoryStream(const COpjMemoryStream&) = delete;
    COpjMemoryStream& operator=(const COpjMemoryStream&) = delete;

    opj_stream_t* Get() const { return stream; }

private:
    struct Cursor {
        std::span<const std::byte> bytes;
        uint64_t offset = 0;
    };

    static OPJ_SIZE_T Read(void* buffer, OPJ_SIZE_T byteCount, void* cursor);
    static OPJ_OFF_T Skip(OPJ_OFF_T byteCount, void* cursor);
    static OPJ_BOOL Seek(OPJ_OFF_T position, void* cursor);

    Cursor cursor;
    opj_stream_t* stream;
};

} // namespace Orv
