#include "raster/sdk/OpjHandles.h"

#include "raster/sdk/Error.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace Orv {

namespace {

void IgnoreMessage(const char*, void*) {}

// OpenJPEG reads through a buffer of this size; windows touch only parts of
// the codestream, so a smaller chunk than its default of 1 MiB copies less.
constexpr OPJ_SIZE_T kStreamChunkSize = 64 * 1024;

constexpr OPJ_SIZE_T kEndOfStream = static_cast<OPJ_SIZE_T>(-1);

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
    : COpjFileStream(file, {StreamPiece{codestream.offset, codestream.length, {}}}) {}

COpjFileStream::COpjFileStream(const CReadOnlyFile& file, std::vector<StreamPiece> pieces)
    : cursor{&file, std::move(pieces)}, stream(opj_stream_create(kStreamChunkSize, OPJ_TRUE)) {
    if (stream == nullptr) {
        throw std::bad_alloc();
    }
    for (const StreamPiece& piece : cursor.pieces) {
        cursor.length += piece.length;
    }
    opj_stream_set_user_data(stream, &cursor, nullptr);
    opj_stream_set_user_data_length(stream, cursor.length);
    opj_stream_set_read_function(stream, Read);
    opj_stream_set_skip_function(stream, Skip);
    opj_stream_set_seek_function(stream, Seek);
}

COpjFileStream::~COpjFileStream() {
    opj_stream_destroy(stream);
}

size_t COpjFileStream::ReadFromPiece(Cursor& cursor, std::byte* buffer, uint64_t byteCount) {
    uint64_t pieceStart = 0;
    for (const StreamPiece& piece : cursor.pieces) {
        if (cursor.offset < pieceStart + piece.length) {
            const uint64_t within = cursor.offset - pieceStart;
            const auto wanted = static_cast<size_t>(std::min(byteCount, piece.length - within));
            if (!piece.memory.empty()) {
                std::memcpy(buffer, piece.memory.data() + within, wanted);
                return wanted;
            }
            return cursor.file->ReadAt(piece.fileOffset + within, {buffer, wanted});
        }
        pieceStart += piece.length;
    }
    return 0;
}

OPJ_SIZE_T COpjFileStream::Read(void* buffer, OPJ_SIZE_T byteCount, void* userData) {
    auto* cursor = static_cast<Cursor*>(userData);
    if (cursor->offset >= cursor->length) {
        return kEndOfStream;
    }
    const uint64_t wanted = std::min<uint64_t>(byteCount, cursor->length - cursor->offset);
    auto* bytes = static_cast<std::byte*>(buffer);
    uint64_t done = 0;
    // A read may cross from one piece into the next.
    while (done < wanted) {
        const size_t read = ReadFromPiece(*cursor, bytes + done, wanted - done);
        if (read == 0) {
            break; // the file shrank or cannot be read
        }
        cursor->offset += read;
        done += read;
    }
    return done == 0 ? kEndOfStream : static_cast<OPJ_SIZE_T>(done);
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
    if (position < 0 || static_cast<uint64_t>(position) > cursor->length) {
        return OPJ_FALSE;
    }
    cursor->offset = static_cast<uint64_t>(position);
    return OPJ_TRUE;
}

OpjHeader ReadOpjHeader(const COpjFileStream& stream, int threadCount) {
    OpjHeader header{CreateQuietCodestreamDecoder(threadCount), nullptr};
    opj_image_t* image = nullptr;
    const bool read = opj_read_header(stream.Get(), header.codec.get(), &image);
    header.image.reset(image);
    if (!read || image == nullptr) {
        throw CError(kErrorCorruptFile);
    }
    return header;
}

} // namespace Orv
