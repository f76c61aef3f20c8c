#include "raster/sdk/OpjHandles.h"

#include <algorithm>
#include <new>

namespace Orv {

namespace {

void IgnoreMessage(const char*, void*) {}

// OpenJPEG reads through a buffer of this size; windows touch only parts of
// the codestream, so a smaller chunk than its default of 1 MiB copies less.
constexpr OPJ_SIZE_T kStreamChunkSize = 64 * 1024;

} // namespace

OpjCodecPtr CreateQuietCodestreamDecoder(int threadCount) {
    OpjCodecPtr codec(opj_create_decompress(OPJ_CODEC_J2K));
    if (!codec) {
        throw std::bad_alloc();
    }
    opj_set_info_handler(codec.get(), IgnoreMessage, nullptr);
    opj_set_warning_handler(codec.get(), IgnoreMessage, nullptr);
    opj_set_error_handler(codec.get(), IgnoreMessage, nullptr);
    opj_dparameters_t parameters;
    opj_set_default_decoder_parameters(&parameters);
    opj_setup_decoder(codec.get(), &parameters);
    // Zero, not one, decodes on the caller's thread: OpenJPEG gives a pool of
    // one thread a worker of its own, and without this call it takes a thread
    // count from the environment.
    opj_codec_set_threads(codec.get(), threadCount);
    return codec;
}

COpjFileStream::COpjFileStream(const CReadOnlyFile& file, const CodestreamExtent& codestream)
    : cursor{&file, codestream, 0}, stream(opj_stream_create(kStreamChunkSize, OPJ_TRUE)) {
    if (stream == nullptr) {
        throw std::bad_alloc();
    }
    opj_stream_set_user_data(stream, &cursor, nullptr);
    opj_stream_set_user_data_length(stream, codestream.length);
    opj_stream_set_read_function(stream, Read);
    opj_stream_set_skip_function(stream, Skip);
    opj_stream_set_seek_function(stream, Seek);
}

COpjFileStream::~COpjFileStream() {
    opj_stream_destroy(stream);
}

OPJ_SIZE_T COpjFileStream::Read(void* buffer, OPJ_SIZE_T byteCount, void* userData) {
    auto* cursor = static_cast<Cursor*>(userData);
    const uint64_t length = cursor->codestream.length;
    if (cursor->offset >= length) {
        return static_cast<OPJ_SIZE_T>(-1); // end of stream
    }
    const OPJ_SIZE_T wanted = std::min<uint64_t>(byteCount, length - cursor->offset);
    const size_t read = cursor->file->ReadAt(cursor->codestream.offset + cursor->offset,
                                             {static_cast<std::byte*>(buffer), wanted});
    if (read == 0) {
        return static_cast<OPJ_SIZE_T>(-1); // the file shrank or cannot be read
    }
    cursor->offset += read;
    return read;
}

OPJ_OFF_T COpjFileStream::Skip(OPJ_OFF_T byteCount, void* userData) {
    auto* cursor = static_cast<Cursor*>(userData);
    // Like a file, the position may move past the end; the next read fails.
    if (byteCount >= 0) {
        cursor->offset += static_cast<uint64_t>(byteCount);
        return byteCount;
    }
    const auto back = static_cast<uint64_t>(-byteCount);
    if (back > cursor->offset) {
        return -1;
    }
    cursor->offset -= back;
    return byteCount;
}

OPJ_BOOL COpjFileStream::Seek(OPJ_OFF_T position, void* userData) {
    auto* cursor = static_cast<Cursor*>(userData);
    if (position < 0 || static_cast<uint64_t>(position) > cursor->codestream.length) {
        return OPJ_FALSE;
    }
    cursor->offset = static_cast<uint64_t>(position);
    return OPJ_TRUE;
}

} // namespace Orv
