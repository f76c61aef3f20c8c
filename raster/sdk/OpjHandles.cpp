#include "raster/sdk/OpjHandles.h"

#include <algorithm>
#include <cstring>
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
    opj_codec_set_threads(codec.get(), threadCount);
    return codec;
}

COpjMemoryStream::COpjMemoryStream(std::span<const std::byte> bytes)
    : cursor{bytes, 0}, stream(opj_stream_create(kStreamChunkSize, OPJ_TRUE)) {
    if (stream == nullptr) {
        throw std::bad_alloc();
    }
    opj_stream_set_user_data(stream, &cursor, nullptr);
    opj_stream_set_user_data_length(stream, bytes.size());
    opj_stream_set_read_function(stream, Read);
    opj_stream_set_skip_function(stream, Skip);
    opj_stream_set_seek_function(stream, Seek);
}

COpjMemoryStream::~COpjMemoryStream() {
    opj_stream_destroy(stream);
}

OPJ_SIZE_T COpjMemoryStream::Read(void* buffer, OPJ_SIZE_T byteCount, void* userData) {
    auto* cursor = static_cast<Cursor*>(userData);
    if (cursor->offset >= cursor->bytes.size()) {
        return static_cast<OPJ_SIZE_T>(-1); // end of stream
    }
    const OPJ_SIZE_T available = cursor->bytes.size() - cursor->offset;
    const OPJ_SIZE_T copied = std::min(byteCount, available);
    std::memcpy(buffer, cursor->bytes.data() + cursor->offset, copied);
    cursor->offset += copied;
    return copied;
}

OPJ_OFF_T COpjMemoryStream::Skip(OPJ_OFF_T byteCount, void* userData) {
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

OPJ_BOOL COpjMemoryStream::Seek(OPJ_OFF_T position, void* userData) {
    auto* cursor = static_cast<Cursor*>(userData);
    if (position < 0 || static_cast<uint64_t>(position) > cursor->bytes.size()) {
        return OPJ_FALSE;
    }
    cursor->offset = static_cast<uint64_t>(position);
    return OPJ_TRUE;
}

} // namespace Orv
