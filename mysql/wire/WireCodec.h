#pragma once
// The protocol's byte rules, written once: little-endian integers of 2, 3, 4 and
// 8 bytes, length-encoded integers, the 16-bit fields the server sign-extends,
// the widths of the fixed-size binary values, and the end-of-data packet.
// Loads take a pointer the caller has checked; LoadLengthEncoded checks its own
// bounds.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "mysql/wire/MySqlTypes.h"

namespace brevant {

// --- little-endian integers ---

inline std::uint16_t LoadLE16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
inline std::uint32_t LoadLE24(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16);
}
inline std::uint32_t LoadLE32(const std::uint8_t* p) {
    return LoadLE24(p) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline std::uint64_t LoadLE64(const std::uint8_t* p) {
    return LoadLE32(p) | (static_cast<std::uint64_t>(LoadLE32(p + 4)) << 32);
}
/// The low `bytes` bytes of value, lowest first.
inline void StoreLE(std::uint8_t* p, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) p[i] = static_cast<std::uint8_t>(value >> (8 * i));
}
inline void AppendLE(std::vector<std::uint8_t>& out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

/// Status, flags, character set and decimals travel as 16 bits that the
/// server widens with their sign.
constexpr std::int32_t SignExtend16(std::uint16_t v) { return static_cast<std::int16_t>(v); }

// --- length-encoded integers ---

/// Bytes of the encoded form: up to 250 one byte; 0xFC + 2, 0xFD + 3 or 0xFE + 8.
constexpr std::size_t LengthEncodedSize(std::uint64_t value) {
    return value <= 250 ? 1 : value <= 0xFFFF ? 3 : value <= 0xFFFFFF ? 4 : 9;
}
/// Writes the encoded form (LengthEncodedSize(value) bytes) at p.
inline void StoreLengthEncoded(std::uint8_t* p, std::uint64_t value) {
    switch (LengthEncodedSize(value)) {
        case 1: p[0] = static_cast<std::uint8_t>(value); break;
        case 3: p[0] = 0xFC; StoreLE(p + 1, value, 2); break;
        case 4: p[0] = 0xFD; StoreLE(p + 1, value, 3); break;
        default: p[0] = 0xFE; StoreLE(p + 1, value, 8); break;
    }
}
inline void AppendLengthEncoded(std::vector<std::uint8_t>& out, std::uint64_t value) {
    std::uint8_t bytes[9];
    StoreLengthEncoded(bytes, value);
    out.insert(out.end(), bytes, bytes + LengthEncodedSize(value));
}

enum class LengthEncoded {
    Value,    // a number
    Null,     // 0xFB
    Short,    // the bytes end inside the number
    BadByte,  // 0xFF, which starts no number
};
/// Reads the length-encoded integer at p[pos] of a span of `size` bytes and
/// moves pos behind it; pos is left alone unless a Value or Null was read.
inline LengthEncoded LoadLengthEncoded(const std::uint8_t* p, std::size_t size, std::size_t& pos,
                                       std::uint64_t& value) {
    if (pos >= size) return LengthEncoded::Short;
    const std::uint8_t b = p[pos];
    if (b < 0xFB) {
        value = b;
        ++pos;
        return LengthEncoded::Value;
    }
    const std::size_t left = size - pos - 1;
    switch (b) {
        case 0xFB: value = 0; ++pos; return LengthEncoded::Null;
        case 0xFC:
            if (left < 2) return LengthEncoded::Short;
            value = LoadLE16(p + pos + 1);
            pos += 3;
            return LengthEncoded::Value;
        case 0xFD:
            if (left < 3) return LengthEncoded::Short;
            value = LoadLE24(p + pos + 1);
            pos += 4;
            return LengthEncoded::Value;
        case 0xFE:
            if (left < 8) return LengthEncoded::Short;
            value = LoadLE64(p + pos + 1);
            pos += 9;
            return LengthEncoded::Value;
        default: return LengthEncoded::BadByte;
    }
}

// --- binary rows ---

/// Width of a fixed-size value of the binary protocol; 0 for the types sent
/// length-encoded.
constexpr std::size_t BinaryTypeWidth(std::uint8_t type) {
    switch (type) {
        case MYSQL_TYPE_TINY: return 1;
        case MYSQL_TYPE_SHORT:
        case MYSQL_TYPE_YEAR: return 2;
        case MYSQL_TYPE_LONG:
        case MYSQL_TYPE_INT24:
        case MYSQL_TYPE_FLOAT: return 4;
        case MYSQL_TYPE_LONGLONG:
        case MYSQL_TYPE_DOUBLE: return 8;
        default: return 0;
    }
}

// --- the end-of-data packet ---

/// Whether a packet that starts with `first` and is `length` bytes long ends
/// rows or column definitions. Servers of protocol 4.1 send 0xFE with the
/// warning count and the status (5 bytes); older ones send the one byte alone,
/// which only they may. A packet longer than 8 bytes that starts with 0xFE is
/// a row whose first value has an 8-byte length.
constexpr bool IsEndOfData(std::uint8_t first, std::size_t length, bool protocol41) {
    return first == 0xFE && length <= 8 && length >= (protocol41 ? 2u : 1u);
}
inline bool IsEndOfData(std::span<const std::uint8_t> packet, bool protocol41) {
    return !packet.empty() && IsEndOfData(packet[0], packet.size(), protocol41);
}
/// The warning count and status an end-of-data packet carries, where it has them.
inline void ReadEndOfData(std::span<const std::uint8_t> packet, std::uint32_t& warningCount,
                          std::uint32_t& serverStatus) {
    if (packet.size() >= 3) warningCount = LoadLE16(packet.data() + 1);
    if (packet.size() >= 5) serverStatus = static_cast<std::uint32_t>(SignExtend16(LoadLE16(packet.data() + 3)));
}

}  // namespace brevant
