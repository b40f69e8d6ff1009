#include "mysql/wire/TMySqlNet.h"

#include <algorithm>
#include <cstring>

#include "core/Errors.h"
#include "core/Format.h"
#include "mysql/wire/EMySqlException.h"

namespace brevant {

namespace {

constexpr std::size_t kMaxInflateRatio = 1032;

[[noreturn]] void RaisePacketTooLarge() { throw EMySqlException(CR_NET_PACKET_TOO_LARGE); }

}  // namespace

TMyPacketType ClassifyPacket(std::span<const std::uint8_t> payload) {
    if (payload.empty()) return ptUnknown;
    switch (payload[0]) {
        case 0x00: return ptOK;
        case 0x01: return ptAuthMoreData;
        case 0xFF: return ptERR;
        case 0xFE:
            if (payload.size() == 1) return ptOldAuthSwitchRequest;
            return payload.size() > 8 ? ptAuthSwitchResponse : ptEOF;
        default: return ptUnknown;
    }
}

TMySqlNet::TMySqlNet() {
    FRows.emplace_back(BUFFER_LENGTH);
    FCur = &FRows[0];
    FCompressBuffer.Reserve(100);
}

TMySqlNet::~TMySqlNet() = default;

void TMySqlNet::SetVio(std::unique_ptr<TCRVio> vio) {
    // A packet shown in place lives in the old transport's buffer.
    for (auto& row : FRows) row.Own();
    Fvio = std::move(vio);
}

void TMySqlNet::Close() {
    for (auto& row : FRows) {
        row.SetLength(0);
        row.SetPosition(0);
    }
    FCompressBuffer.SetLength(0);
    FCompressBuffer.SetPosition(0);
    FRowNo = 0;
    FCur = &FRows[0];
    FReceivedRowCount = 0;
    FFirstPacket = true;
    Fvio.reset();
}

// ---------------------------------------------------------------- the ring

void TMySqlNet::SetRowCount(int n) {
    if (n <= 0) throw EArgumentError(u"Invalid row count");
    FRows.resize(static_cast<std::size_t>(n));
    FRowNo = 0;
    FCur = &FRows[0];
    FReceivedRowCount = 0;
    FFirstPacket = true;
}

std::span<const std::uint8_t> TMySqlNet::GetRows(int index) const {
    if (index < 0 || index >= FReceivedRowCount || index >= GetRowCount())
        RaiseInvalidRecordNumber();
    return FRows[static_cast<std::size_t>(index)].Bytes();
}

// ---------------------------------------------------------------- sending

void TMySqlNet::NewCommand() {
    FPacketNumber = 0;
    FComprPacketNumber = 0;
    Clear();
}

void TMySqlNet::Clear() {
    SetRowCount(1);
    FCur->SetLength(NET_HEADER_SIZE);
    FCur->SetPosition(NET_HEADER_SIZE);
    FEmptyPacketPending = false;
}

void TMySqlNet::WriteBytes(const std::uint8_t* buffer, std::size_t offset, std::size_t count) {
    if (count) std::memcpy(FCur->WriteSpace(count), buffer + offset, count);
}

void TMySqlNet::Fill(std::uint8_t value, std::size_t count) {
    if (count) std::memset(FCur->WriteSpace(count), value, count);
}

void TMySqlNet::WriteString(UStringView text) {
    std::string bytes = Utf16ToAnsi(text);
    WriteBytes(reinterpret_cast<const std::uint8_t*>(bytes.data()), 0, bytes.size());
    WriteByte(0);
}

void TMySqlNet::WriteFieldLength(std::uint64_t value) {
    StoreLengthEncoded(FCur->WriteSpace(LengthEncodedSize(value)), value);
}

void TMySqlNet::WriteHeader(std::uint8_t* at, std::size_t payloadLength) {
    StoreLE(at, payloadLength, 3);
    at[3] = FPacketNumber++;
}

void TMySqlNet::WriteOrSendBytes(const std::uint8_t* buffer, std::size_t offset, std::size_t count) {
    std::size_t payload = FCur->Length() - NET_HEADER_SIZE;
    std::size_t total = payload + count;
    bool flushed = false;
    while (total >= MAX_PACKET_LENGTH) {
        std::size_t n = MAX_PACKET_LENGTH - payload;
        WriteBuff(buffer, offset, n, MAX_PACKET_LENGTH);
        offset += n;
        total -= MAX_PACKET_LENGTH;
        payload = 0;
        flushed = true;
    }
    if (total > 0)
        WriteBuff(buffer, offset, total - payload, total);
    else if (flushed)
        FEmptyPacketPending = true;
}

void TMySqlNet::WriteBuff(const std::uint8_t* buffer, std::size_t offset, std::size_t n, std::size_t announced) {
    std::size_t length = FCur->Length();
    std::size_t room = length < BUFFER_LENGTH ? BUFFER_LENGTH - length : 0;
    std::size_t k = std::min(room, n);
    WriteBytes(buffer, offset, k);
    if (k == n) return;
    // The header announces the whole packet; its bytes leave in two writes, the
    // second straight from the caller's memory.
    WriteHeader(FCur->Data(), announced);
    NetWrite(FCur->Data(), FCur->Length());
    Clear();
    NetWrite(buffer + offset + k, n - k);
}

void TMySqlNet::Send() {
    std::size_t length = FCur->Length();
    if (length > static_cast<std::size_t>(NET_HEADER_SIZE)) {
        std::size_t payload = length - NET_HEADER_SIZE;
        std::uint8_t* data = FCur->Data();
        if (payload < MAX_PACKET_LENGTH) {
            WriteHeader(data, payload);
            NetWrite(data, length);
        } else {
            // Written with the plain writers past one packet's size: split it as
            // WriteOrSendBytes would, since a 3-byte length cannot say more.
            std::size_t pos = NET_HEADER_SIZE;
            std::uint8_t header[NET_HEADER_SIZE];
            for (;;) {
                std::size_t n = std::min<std::size_t>(length - pos, MAX_PACKET_LENGTH);
                WriteHeader(header, n);
                NetWrite(header, NET_HEADER_SIZE);
                NetWrite(data + pos, n);
                pos += n;
                if (n < MAX_PACKET_LENGTH) break;
            }
        }
        Clear();
    } else if (FEmptyPacketPending) {
        WriteHeader(FCur->Data(), 0);
        NetWrite(FCur->Data(), NET_HEADER_SIZE);
        FEmptyPacketPending = false;
    }
    if (FCompress) FPacketNumber = FComprPacketNumber;
}

void TMySqlNet::SendEmpty() {
    if (FCur->Length() == static_cast<std::size_t>(NET_HEADER_SIZE)) {
        WriteHeader(FCur->Data(), 0);
        NetWrite(FCur->Data(), NET_HEADER_SIZE);
        FEmptyPacketPending = false;
    }
    if (FCompress) FPacketNumber = FComprPacketNumber;
}

void TMySqlNet::NetWrite(const std::uint8_t* data, std::size_t n) {
    if (!FCompress) {
        VioWrite(data, n);
        return;
    }
    // One compressed packet per write; its 3-byte lengths bound each piece.
    do {
        std::size_t piece = std::min<std::size_t>(n, MAX_PACKET_LENGTH);
        WriteCompressedPacket(data, piece);
        data += piece;
        n -= piece;
    } while (n > 0);
}

void TMySqlNet::WriteCompressedPacket(const std::uint8_t* data, std::size_t n) {
    constexpr std::size_t header = NET_HEADER_SIZE + COMP_HEADER_SIZE;
    std::size_t bound = n + n / 5 + 12;
    FCompressOut.SetLength(0);
    FCompressOut.Reserve(header + bound);
    std::uint8_t* out = FCompressOut.Data();
    std::size_t body = bound;
    // Only a body smaller than its input is worth sending compressed; this also
    // keeps the body length within the header's three bytes.
    bool compressed = n > MIN_COMPRESS_LENGTH && FDeflater.Deflate(data, n, out + header, body) && body < n;
    if (!compressed) {
        body = n;
        std::memcpy(out + header, data, n);
    }
    StoreLE(out, body, 3);
    out[3] = FComprPacketNumber++;
    StoreLE(out + NET_HEADER_SIZE, compressed ? n : 0, 3);
    VioWrite(out, header + body);
}

void TMySqlNet::VioWrite(const std::uint8_t* data, std::size_t n) {
    if (!Fvio) throw EMySqlException(CR_SERVER_GONE_ERROR);
    int sent;
    try {
        sent = Fvio->Write(data, 0, static_cast<int>(n));
    } catch (const SocketException& e) {
        // A transport that has lost its socket is a lost connection to the session.
        throw EMySqlException(CR_SERVER_LOST, e.Message());
    }
    if (sent != static_cast<int>(n)) throw EMySqlException(CR_SERVER_LOST, Fvio->LastError());
}

// ---------------------------------------------------------------- receiving

void TMySqlNet::VioRead(std::uint8_t* dest, std::size_t n) {
    if (!Fvio) throw EMySqlException(CR_SERVER_GONE_ERROR);
    int got;
    try {
        got = Fvio->Read(dest, 0, static_cast<int>(n));
    } catch (const SocketException& e) {
        throw EMySqlException(CR_SERVER_LOST, e.Message());
    }
    if (got != static_cast<int>(n)) throw EMySqlException(CR_SERVER_LOST, Fvio->LastError());
}

void TMySqlNet::NetRead(std::uint8_t* dest, std::size_t n) {
    if (!FCompress) {
        VioRead(dest, n);
        return;
    }
    while (n > 0) {
        std::size_t left = FCompressBuffer.Length() - FCompressBuffer.Position();
        if (left == 0) {
            RefillCompressBuffer();
            continue;
        }
        std::size_t k = std::min(n, left);
        std::memcpy(dest, FCompressBuffer.Data() + FCompressBuffer.Position(), k);
        FCompressBuffer.SetPosition(FCompressBuffer.Position() + k);
        dest += k;
        n -= k;
    }
}

void TMySqlNet::RefillCompressBuffer() {
    FCompressBuffer.SetLength(0);
    FCompressBuffer.SetPosition(0);
    std::size_t bodyLength;
    do {
        VioRead(FCompressHeader, sizeof FCompressHeader);
        if (FCompressHeader[3] != FPacketNumber)
            throw EMySqlException(ER_NET_PACKETS_OUT_OF_ORDER,
                                  Format(u"ReceiveCompHeader: Net packets out of order: received[%d], expected[%d]",
                                         {int(FCompressHeader[3]), int(FPacketNumber)}));
        ++FPacketNumber;
        FComprPacketNumber = FPacketNumber;
        bodyLength = LoadLE24(FCompressHeader);
        std::size_t plainLength = LoadLE24(FCompressHeader + NET_HEADER_SIZE);
        // Deflate cannot expand data more than about 1032 times: a larger claim is
        // broken data, refused before any memory is set aside for it.
        if (plainLength > bodyLength * kMaxInflateRatio + 64) throw EMySqlException(ER_NET_UNCOMPRESS_ERROR);
        std::size_t have = FCompressBuffer.Length();
        std::size_t grown = have + (plainLength ? plainLength : bodyLength);
        if (grown > FMaxAllowedPacket + MAX_PACKET_LENGTH) RaisePacketTooLarge();
        if (plainLength == 0) {
            FCompressBuffer.SetLength(grown);
            VioRead(FCompressBuffer.Data() + have, bodyLength);
        } else {
            FCompressIn.SetLength(bodyLength);
            VioRead(FCompressIn.Data(), bodyLength);
            FCompressBuffer.SetLength(grown);
            if (!FInflater.Inflate(FCompressIn.Data(), bodyLength, FCompressBuffer.Data() + have, plainLength))
                throw EMySqlException(ER_NET_UNCOMPRESS_ERROR);
        }
    } while (bodyLength == MAX_PACKET_LENGTH);
}

std::size_t TMySqlNet::ReceiveHeader() {
    NetRead(FHeader, NET_HEADER_SIZE);
    if (!FCompress) {
        if (FHeader[3] != FPacketNumber)
            throw EMySqlException(ER_NET_PACKETS_OUT_OF_ORDER,
                                  Format(u"ReceiveHeader: Net packets out of order: received[%d], expected[%d]",
                                         {int(FHeader[3]), int(FPacketNumber)}));
        ++FPacketNumber;
        FComprPacketNumber = FPacketNumber;
    }
    return LoadLE24(FHeader);
}

inline bool TMySqlNet::ReceiveBuffered() {
    TCRVio& vio = *Fvio;
    const std::span<const std::uint8_t> buffered = vio.Buffered();
    if (buffered.size() < static_cast<std::size_t>(NET_HEADER_SIZE)) return false;
    const std::uint8_t* p = buffered.data();
    const std::size_t length = LoadLE24(p);
    TRowBuffer& row = *FCur;
    // Anything out of the ordinary (a packet not all here or split, a buffer to
    // grow, a wrong sequence number, a packet too large) takes the general path,
    // which deals with it.
    const bool inPlace = FRows.size() == 1;
    if (length > buffered.size() - NET_HEADER_SIZE || (!inPlace && length > row.Capacity()) ||
        p[3] != FPacketNumber || length >= MAX_PACKET_LENGTH || length > FMaxAllowedPacket)
        return false;
    if (inPlace) {
        row.View(p + NET_HEADER_SIZE, length);
    } else {
        row.SetLength(length);  // within the capacity: nothing moves
        if (length) std::memcpy(row.Data(), p + NET_HEADER_SIZE, length);
    }
    vio.Consume(static_cast<int>(NET_HEADER_SIZE + length));
    FComprPacketNumber = ++FPacketNumber;
    return true;
}

void TMySqlNet::ReceivePieces() {
    std::size_t total = 0;
    std::size_t length;
    do {
        length = ReceiveHeader();
        if (total + length > FMaxAllowedPacket) RaisePacketTooLarge();
        FCur->SetLength(total + length);
        NetRead(FCur->Data() + total, length);
        total += length;
    } while (length == MAX_PACKET_LENGTH);
}

void TMySqlNet::ReceiveRow() {
    if (FFirstPacket) {
        FFirstPacket = false;
    } else if (++FRowNo >= GetRowCount()) {
        FRowNo = 0;
        FReceivedRowCount = 0;
    }
    FCur = &FRows[static_cast<std::size_t>(FRowNo)];
    FCur->SetLength(0);
    FCur->SetPosition(0);
    if (FCompress || !Fvio || !ReceiveBuffered()) ReceivePieces();
    const TRowBuffer& row = *FCur;
    if (row.Length() > 0 && row.Data()[0] == 0xFF) ReadError();
    ++FReceivedRowCount;
}

void TMySqlNet::ReadError() {
    TPacketReader r = Reader();
    if (r.Remaining() == 0 || r.Data()[r.Position()] != 0xFF) return;
    r.Skip(1);
    int code = r.ReadInt16();
    std::string message = r.ReadString();
    FCur->SetPosition(r.Position());
    // The 8-bit text is widened through the system code page, which gives every
    // byte back unchanged to a caller that converts it back.
    throw EMySqlException(code, AnsiToUtf16(message), true);
}

std::size_t TMySqlNet::SkipRow(std::uint8_t& firstByte) {
    if (!FSkipBuffer) FSkipBuffer = std::make_unique<std::uint8_t[]>(SKIP_BUFFER_LENGTH);
    firstByte = 0;
    bool first = true;
    std::size_t length;
    do {
        length = ReceiveHeader();
        std::size_t left = length;
        while (left > 0) {
            std::size_t n = std::min<std::size_t>(left, SKIP_BUFFER_LENGTH);
            NetRead(FSkipBuffer.get(), n);
            left -= n;
            if (first) {
                first = false;
                firstByte = FSkipBuffer[0];
                if (firstByte == 0xFF) {
                    FCur->SetLength(n);
                    std::memcpy(FCur->Data(), FSkipBuffer.get(), n);
                    FCur->SetPosition(0);
                    ReadError();
                }
            }
        }
        first = false;
    } while (length == MAX_PACKET_LENGTH);
    return length;
}

}  // namespace brevant
