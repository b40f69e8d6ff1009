#include "mysql/wire/ZlibStream.h"

#include <climits>
#include <zlib.h>

namespace brevant {

struct TZlibDeflater::State {
    z_stream z{};
    bool ready = false;
};

TZlibDeflater::TZlibDeflater() : state_(std::make_unique<State>()) {}

TZlibDeflater::~TZlibDeflater() {
    if (state_->ready) deflateEnd(&state_->z);
}

bool TZlibDeflater::Deflate(const std::uint8_t* in, std::size_t inLen, std::uint8_t* out, std::size_t& outLen) {
    if (inLen > UINT_MAX || outLen > UINT_MAX) return false;
    z_stream& z = state_->z;
    if (!state_->ready) {
        if (deflateInit(&z, Z_DEFAULT_COMPRESSION) != Z_OK) return false;
        state_->ready = true;
    } else if (deflateReset(&z) != Z_OK) {
        return false;
    }
    z.next_in = const_cast<Bytef*>(in);
    z.avail_in = static_cast<uInt>(inLen);
    z.next_out = out;
    z.avail_out = static_cast<uInt>(outLen);
    if (deflate(&z, Z_FINISH) != Z_STREAM_END) return false;
    outLen = z.total_out;
    return true;
}

struct TZlibInflater::State {
    z_stream z{};
    bool ready = false;
};

TZlibInflater::TZlibInflater() : state_(std::make_unique<State>()) {}

TZlibInflater::~TZlibInflater() {
    if (state_->ready) inflateEnd(&state_->z);
}

bool TZlibInflater::Inflate(const std::uint8_t* in, std::size_t inLen, std::uint8_t* out, std::size_t outLen) {
    if (inLen > UINT_MAX || outLen > UINT_MAX) return false;
    z_stream& z = state_->z;
    if (!state_->ready) {
        if (inflateInit(&z) != Z_OK) return false;
        state_->ready = true;
    } else if (inflateReset(&z) != Z_OK) {
        return false;
    }
    z.next_in = const_cast<Bytef*>(in);
    z.avail_in = static_cast<uInt>(inLen);
    z.next_out = out;
    z.avail_out = static_cast<uInt>(outLen);
    // Exactly outLen bytes and the end of the stream; anything else is corrupt.
    return inflate(&z, Z_FINISH) == Z_STREAM_END && z.total_out == outLen;
}

}  // namespace brevant
