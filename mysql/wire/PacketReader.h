#pragma once
// Bounds-checked little-endian and length-encoded readers over the bytes of one
// packet. Every read checks the bytes left and raises EMySqlException 2027
// "Malformed packet" instead of reading past the end, whatever a peer sends. The
// packet layer reads its current packet with these; decoders of rows and column
// definitions can run them over any byte span.

#include <cstdint>
#include <cstring>
#include <span>
#include <string>

#include "mysql/wire/NetConstants.h"
#include "mysql/wire/WireCodec.h"

namespace brevant {

[[noreturn]] void RaiseMalformedPacket();
/// The argument errors the protocol keeps: an 8-byte read past the end, and a
/// length-encoded integer starting with 0xFF.
[[noreturn]] void RaiseReadPastEnd();
[[noreturn]] void RaiseBadFieldLength();
/// "Invalid record number": a row asked for that is not among those received.
[[noreturn]] void RaiseInvalidRecordNumber();

class TPacketReader {
public:
    TPacketReader() = default;
    TPacketReader(const std::uint8_t* data, std::size_t length, std::size_t position = 0)
        : data_(data), length_(length), position_(position) {}
    explicit TPacketReader(std::span<const std::uint8_t> bytes) : TPacketReader(bytes.data(), bytes.size()) {}

    const std::uint8_t* Data() const { return data_; }
    std::size_t Length() const { return length_; }
    std::size_t Position() const { return position_; }
    void SetPosition(std::size_t position) { position_ = position; }
    /// Bytes left after the position (0 when the position lies beyond the end).
    std::size_t Remaining() const { return position_ < length_ ? length_ - position_ : 0; }

    /// Raises 2027 unless n more bytes are there.
    void Need(std::size_t n) const {
        if (n > Remaining()) RaiseMalformedPacket();
    }
    void Skip(std::size_t n) {
        Need(n);
        position_ += n;
    }

    std::uint8_t ReadByte() {
        Need(1);
        return data_[position_++];
    }
    std::uint16_t ReadUInt16() {
        Need(2);
        position_ += 2;
        return LoadLE16(data_ + position_ - 2);
    }
    std::int16_t ReadInt16() { return static_cast<std::int16_t>(ReadUInt16()); }
    std::int32_t ReadInt24() {
        Need(3);
        position_ += 3;
        return static_cast<std::int32_t>(LoadLE24(data_ + position_ - 3));
    }
    std::int32_t ReadInt32() {
        Need(4);
        position_ += 4;
        return static_cast<std::int32_t>(LoadLE32(data_ + position_ - 4));
    }
    /// Raises an argument error (not 2027) when fewer than 8 bytes remain.
    std::int64_t ReadInt64() {
        if (Remaining() < 8) RaiseReadPastEnd();
        return ReadInt64Unchecked();
    }
    void ReadBytes(std::uint8_t* dest, std::size_t offset, std::size_t count) {
        Need(count);
        if (count) std::memcpy(dest + offset, data_ + position_, count);
        position_ += count;
    }
    /// Exactly len bytes, as 8-bit text.
    std::string ReadString(std::size_t len) {
        Need(len);
        std::string s(reinterpret_cast<const char*>(data_ + position_), len);
        position_ += len;
        return s;
    }
    /// Up to the next 0 byte, which is consumed; without one, the rest of the packet.
    std::string ReadString() {
        std::size_t left = Remaining();
        // Nothing left: an empty packet may not even have memory (a null pointer).
        if (left == 0) return {};
        const std::uint8_t* start = data_ + position_;
        const void* zero = std::memchr(start, 0, left);
        std::size_t n = zero ? static_cast<const std::uint8_t*>(zero) - start : left;
        position_ += n + (zero ? 1 : 0);
        return std::string(reinterpret_cast<const char*>(start), n);
    }
    /// Length-encoded integer: NULL_LENGTH for 0xFB; 0xFC, 0xFD, 0xFE take 2, 3 and 8
    /// more bytes; 0xFF is an argument error.
    std::int64_t ReadFieldLength() {
        std::uint64_t value = 0;
        switch (LoadLengthEncoded(data_, length_, position_, value)) {
            case LengthEncoded::Value: return static_cast<std::int64_t>(value);
            case LengthEncoded::Null: return NULL_LENGTH;
            case LengthEncoded::Short: RaiseMalformedPacket();
            default: RaiseBadFieldLength();
        }
    }
    /// A length-encoded value in place: false for NULL; otherwise offset and length
    /// of its bytes in this packet, which are checked to lie inside it and skipped.
    bool ReadFieldBounds(std::size_t& offset, std::size_t& length) {
        std::int64_t n = ReadFieldLength();
        if (n == NULL_LENGTH) {
            offset = length = 0;
            return false;
        }
        // Values of 2^63 and more read as negative: too long for any packet.
        if (n < 0 || static_cast<std::uint64_t>(n) > Remaining()) RaiseMalformedPacket();
        offset = position_;
        length = static_cast<std::size_t>(n);
        position_ += length;
        return true;
    }

private:
    std::int64_t ReadInt64Unchecked() {
        position_ += 8;
        return static_cast<std::int64_t>(LoadLE64(data_ + position_ - 8));
    }

    const std::uint8_t* data_ = nullptr;
    std::size_t length_ = 0;
    std::size_t position_ = 0;
};

}  // namespace brevant
