#pragma once
// Sizes of the MySQL packet framing.

#include <cstdint>

namespace brevant {

/// Packet header: 3-byte payload length, 1-byte sequence number.
constexpr int NET_HEADER_SIZE = 4;
/// Extra header bytes of a compressed packet (the uncompressed length).
constexpr int COMP_HEADER_SIZE = 3;
/// Initial capacity of a row buffer and the write-buffering limit.
constexpr int BUFFER_LENGTH = 8192;
/// Largest packet the client announces in the handshake and accepts.
constexpr std::uint32_t MAX_ALLOWED_PACKET = 0x40000000;
/// Largest payload of one packet; a payload this long continues in the next one.
constexpr std::uint32_t MAX_PACKET_LENGTH = 0xFFFFFF;
/// Value of the length-encoded NULL marker.
constexpr std::int64_t NULL_LENGTH = -1;
/// Chunk size used when skipping unread packets.
constexpr int SKIP_BUFFER_LENGTH = 65536;
/// Chunks up to this size go out uncompressed under the compressed protocol.
constexpr std::size_t MIN_COMPRESS_LENGTH = 50;

}  // namespace brevant
