#pragma once
// Packet builders for the packet-layer tests: plain and compressed frames, and a
// decoder for what the client wrote under compression.

#include <cstdint>
#include <string>
#include <vector>

namespace brevant::test {

using WireBytes = std::vector<std::uint8_t>;

inline WireBytes Text(const std::string& s) { return WireBytes(s.begin(), s.end()); }

inline void Append(WireBytes& out, const WireBytes& more) { out.insert(out.end(), more.begin(), more.end()); }

/// A packet: 3-byte length, sequence number, payload.
inline WireBytes Frame(std::uint8_t seq, const WireBytes& payload) {
    std::size_t n = payload.size();
    WireBytes out{static_cast<std::uint8_t>(n), static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(n >> 16), seq};
    Append(out, payload);
    return out;
}

/// A compressed packet: body length, sequence, uncompressed length (0 = stored).
inline WireBytes CompFrame(std::uint8_t seq, const WireBytes& body, std::size_t plainLength) {
    std::size_t n = body.size();
    WireBytes out{static_cast<std::uint8_t>(n),           static_cast<std::uint8_t>(n >> 8),
                  static_cast<std::uint8_t>(n >> 16),     seq,
                  static_cast<std::uint8_t>(plainLength), static_cast<std::uint8_t>(plainLength >> 8),
                  static_cast<std::uint8_t>(plainLength >> 16)};
    Append(out, body);
    return out;
}

WireBytes Deflate(const WireBytes& plain);

struct CompPacket {
    std::uint8_t seq = 0;
    std::size_t plainLength = 0;  // 0: stored as is
    WireBytes body;
    WireBytes plain;  // the body inflated (or as is)
};

/// Splits a compressed stream into its packets; fails the test on a broken one.
std::vector<CompPacket> SplitCompressed(const WireBytes& stream);

}  // namespace brevant::test
