#pragma once
// The MySQL packet layer over one transport: builds outgoing packets with the
// 4-byte header, splits payloads of 16 MB and more, receives packets (joining split
// ones) into a ring of row buffers, checks sequence numbers, classifies packets,
// raises server errors, optionally runs the compressed protocol, and reads and
// writes the protocol's little-endian and length-encoded values.
//
/// Every reader is bounds-checked against the current packet (EMySqlException 2027
/// "Malformed packet"; ReadInt64 and a 0xFF length prefix raise argument errors).
/// One thread at a time; no locks of its own.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "core/Text.h"
#include "mysql/wire/NetConstants.h"
#include "mysql/wire/PacketReader.h"
#include "mysql/wire/TCRVio.h"
#include "mysql/wire/TRowBuffer.h"
#include "mysql/wire/WireCodec.h"
#include "mysql/wire/ZlibStream.h"

namespace brevant {

enum TMyPacketType { ptOK, ptAuthMoreData, ptOldAuthSwitchRequest, ptAuthSwitchResponse, ptEOF, ptERR, ptUnknown };

/// Classification by the first payload byte and the payload length.
TMyPacketType ClassifyPacket(std::span<const std::uint8_t> payload);

class TMySqlNet {
public:
    TMySqlNet();
    ~TMySqlNet();
    TMySqlNet(const TMySqlNet&) = delete;
    TMySqlNet& operator=(const TMySqlNet&) = delete;

    // --- transport and state ---
    /// Replaces (and frees) the transport.
    void SetVio(std::unique_ptr<TCRVio> vio);
    TCRVio* GetVio() const { return Fvio.get(); }
    /// Empties every buffer, resets the ring and frees the transport.
    void Close();
    bool GetCompress() const { return FCompress; }
    void SetCompress(bool compress) { FCompress = compress; }
    std::uint8_t GetPacketNumber() const { return FPacketNumber; }
    std::uint8_t GetComprPacketNumber() const { return FComprPacketNumber; }
    /// Largest logical packet accepted (error 2020 beyond); MAX_ALLOWED_PACKET by default.
    void SetMaxAllowedPacket(std::size_t bytes) { FMaxAllowedPacket = bytes; }

    // --- sending ---
    /// Both sequence numbers to 0, then Clear.
    void NewCommand();
    /// One row buffer, holding room for the header only.
    void Clear();
    void WriteByte(std::uint8_t value) { *FCur->WriteSpace(1) = value; }
    void WriteBool(bool value) { WriteByte(value ? 1 : 0); }
    void WriteInt16(std::uint16_t value) { StoreLE(FCur->WriteSpace(2), value, 2); }
    void WriteInt24(std::uint32_t value) { StoreLE(FCur->WriteSpace(3), value, 3); }
    void WriteInt32(std::uint32_t value) { StoreLE(FCur->WriteSpace(4), value, 4); }
    void WriteInt64(std::uint64_t value) { StoreLE(FCur->WriteSpace(8), value, 8); }
    void WriteBytes(std::span<const std::uint8_t> bytes) { WriteBytes(bytes.data(), 0, bytes.size()); }
    void WriteBytes(const std::uint8_t* buffer, std::size_t offset, std::size_t count);
    /// `value` repeated count times.
    void Fill(std::uint8_t value, std::size_t count);
    /// The text in the system code page, then a 0 byte.
    void WriteString(UStringView text);
    /// Length-encoded integer: up to 250 one byte; 0xFC + 2, 0xFD + 3 or 0xFE + 8 bytes.
    void WriteFieldLength(std::uint64_t value);
    /// Appends a payload of any size, sending full packets as they fill; a payload
    /// that ends exactly on a packet boundary gets its empty packet from Send.
    void WriteOrSendBytes(const std::uint8_t* buffer, std::size_t offset, std::size_t count);
    /// Sends the packet being built (nothing when it is empty), then Clear.
    void Send();
    /// Sends an empty packet when nothing has been written.
    void SendEmpty();

    // --- receiving ---
    /// Receives one logical packet into the next row buffer; an error packet raises
    /// the server's error (and stays in the current buffer).
    void ReceiveRow();
    /// Reads one logical packet without keeping it; returns the length of its last
    /// piece and the first byte of the payload (0 for an empty one) in firstByte.
    std::size_t SkipRow(std::uint8_t& firstByte);
    TMyPacketType GetPacketType() const { return ClassifyPacket(FCur->Bytes()); }
    /// If the next byte is 0xFF, raises the error packet's code and message.
    void ReadError();

    // The current packet.
    const std::uint8_t* GetRow() const { return std::as_const(*FCur).Data(); }
    std::span<const std::uint8_t> GetRowBytes() const { return FCur->Bytes(); }
    std::size_t GetLength() const { return FCur->Length(); }
    void SetLength(std::size_t length) { FCur->SetLength(length); }
    std::size_t GetPosition() const { return FCur->Position(); }
    void SetPosition(std::size_t position) { FCur->SetPosition(position); }
    std::size_t Remaining() const { return Reader().Remaining(); }
    /// A reader over the current packet from the current position.
    TPacketReader Reader() const {
        const TRowBuffer& row = *FCur;
        return TPacketReader(row.Data(), row.Length(), row.Position());
    }

    std::uint8_t ReadByte() { return Read([](TPacketReader& r) { return r.ReadByte(); }); }
    std::int16_t ReadInt16() { return Read([](TPacketReader& r) { return r.ReadInt16(); }); }
    std::uint16_t ReadUInt16() { return Read([](TPacketReader& r) { return r.ReadUInt16(); }); }
    std::int32_t ReadInt24() { return Read([](TPacketReader& r) { return r.ReadInt24(); }); }
    std::int32_t ReadInt32() { return Read([](TPacketReader& r) { return r.ReadInt32(); }); }
    std::int64_t ReadInt64() { return Read([](TPacketReader& r) { return r.ReadInt64(); }); }
    void ReadBytes(std::uint8_t* dest, std::size_t offset, std::size_t count) {
        Read([&](TPacketReader& r) { r.ReadBytes(dest, offset, count); return 0; });
    }
    std::string ReadString(std::size_t len) { return Read([&](TPacketReader& r) { return r.ReadString(len); }); }
    std::string ReadString() { return Read([](TPacketReader& r) { return r.ReadString(); }); }
    std::int64_t ReadFieldLength() { return Read([](TPacketReader& r) { return r.ReadFieldLength(); }); }
    bool ReadFieldBounds(std::size_t& offset, std::size_t& length) {
        return Read([&](TPacketReader& r) { return r.ReadFieldBounds(offset, length); });
    }
    void Skip(std::size_t count) {
        Read([&](TPacketReader& r) { r.Skip(count); return 0; });
    }

    // --- the ring of row buffers ---
    /// Exactly n buffers (n >= 1), ring restarted: the next packet lands in buffer 0.
    void SetRowCount(int n);
    int GetRowCount() const { return static_cast<int>(FRows.size()); }
    int GetReceivedRowCount() const { return FReceivedRowCount; }
    int GetRowNo() const { return FRowNo; }
    /// Bytes of a received buffer of the current block; "Invalid record number" otherwise.
    std::span<const std::uint8_t> GetRows(int index) const;
    /// The end-of-data packet does not count as a row.
    void SetEof() { --FReceivedRowCount; }

private:
    template <class F>
    std::invoke_result_t<F, TPacketReader&> Read(F f) {
        TPacketReader r = Reader();
        auto value = f(r);
        FCur->SetPosition(r.Position());
        return value;
    }

    void WriteHeader(std::uint8_t* at, std::size_t payloadLength);
    /// Appends n bytes; when they do not fit in BUFFER_LENGTH, flushes a packet
    /// announcing `announced` bytes and sends the rest from the caller's memory.
    void WriteBuff(const std::uint8_t* buffer, std::size_t offset, std::size_t n, std::size_t announced);
    /// One transport write (one compressed packet under compression).
    void NetWrite(const std::uint8_t* data, std::size_t n);
    void WriteCompressedPacket(const std::uint8_t* data, std::size_t n);
    void VioWrite(const std::uint8_t* data, std::size_t n);

    /// Exactly n bytes of the (decompressed) stream.
    void NetRead(std::uint8_t* dest, std::size_t n);
    void VioRead(std::uint8_t* dest, std::size_t n);
    void RefillCompressBuffer();
    /// Reads a packet header and returns the payload length.
    std::size_t ReceiveHeader();
    /// Takes the next packet from the transport's read-ahead buffer when it holds
    /// all of it (uncompressed only): in place when the ring has one buffer (the
    /// packet is then valid until the next receive, as it would be anyway), else
    /// with one copy. False, with nothing read, otherwise.
    bool ReceiveBuffered();
    /// Receives the next logical packet into the current buffer, header by header,
    /// joining the pieces of a split one.
    void ReceivePieces();

    std::unique_ptr<TCRVio> Fvio;
    std::vector<TRowBuffer> FRows;
    TRowBuffer* FCur = nullptr;
    int FRowNo = 0;
    int FReceivedRowCount = 0;
    bool FFirstPacket = true;
    bool FEmptyPacketPending = false;  // the last flushed packet was full
    TRowBuffer FCompressBuffer;        // decompressed bytes; Position() is the next unread
    TRowBuffer FCompressIn;            // a compressed body while it is inflated
    TRowBuffer FCompressOut;           // an outgoing compressed packet
    std::unique_ptr<std::uint8_t[]> FSkipBuffer;
    std::uint8_t FPacketNumber = 0;
    std::uint8_t FComprPacketNumber = 0;
    std::uint8_t FHeader[NET_HEADER_SIZE] = {};
    std::uint8_t FCompressHeader[NET_HEADER_SIZE + COMP_HEADER_SIZE] = {};
    bool FCompress = false;
    std::size_t FMaxAllowedPacket = MAX_ALLOWED_PACKET;
    TZlibDeflater FDeflater;
    TZlibInflater FInflater;
};

}  // namespace brevant
