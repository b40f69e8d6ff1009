#pragma once
// Whole-buffer deflate and inflate in the zlib format, keeping one zlib stream of
// each kind for the life of the packet layer so that compressing a packet does not
// allocate the compressor's state again.

#include <cstdint>
#include <memory>

namespace brevant {

class TZlibDeflater {
public:
    TZlibDeflater();
    ~TZlibDeflater();
    /// Deflates at the default level into out (capacity outLen); false when the
    /// result does not fit or zlib fails. outLen receives the compressed size.
    bool Deflate(const std::uint8_t* in, std::size_t inLen, std::uint8_t* out, std::size_t& outLen);

private:
    struct State;
    std::unique_ptr<State> state_;
};

class TZlibInflater {
public:
    TZlibInflater();
    ~TZlibInflater();
    /// Inflates one complete zlib stream that must give exactly outLen bytes.
    bool Inflate(const std::uint8_t* in, std::size_t inLen, std::uint8_t* out, std::size_t outLen);

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace brevant
