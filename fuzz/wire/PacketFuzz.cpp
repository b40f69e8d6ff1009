// Arbitrary bytes from the "server" through the packet layer and its readers.
// Layout of an input: byte 0 holds options (compression, ring size, how the
// bytes arrive in pieces), bytes 1..8 choose what is done with each packet, the
// rest is the stream the transport delivers.

#include <cstddef>
#include <cstdint>
#include <memory>

#include "core/Errors.h"
#include "mysql/wire/EMySqlException.h"
#include "mysql/wire/TCRVioMemory.h"
#include "mysql/wire/TMySqlNet.h"

using namespace brevant;

namespace {

constexpr std::size_t kOps = 8;

void ReadPacket(TMySqlNet& net, std::uint8_t op) {
    net.GetPacketType();
    switch (op % 5) {
        case 0: {  // a text row: length-encoded values to the end
            std::size_t offset, length;
            while (net.Remaining() > 0) net.ReadFieldBounds(offset, length);
            break;
        }
        case 1:  // a greeting-like walk
            net.ReadByte();
            net.ReadString();
            net.ReadInt32();
            net.ReadString(8);
            net.ReadByte();
            net.ReadUInt16();
            net.ReadByte();
            net.ReadInt16();
            net.ReadInt24();
            net.ReadString();
            break;
        case 2:  // an OK-like walk
            net.ReadByte();
            net.ReadFieldLength();
            net.ReadFieldLength();
            net.ReadUInt16();
            net.ReadUInt16();
            net.ReadString();
            break;
        case 3: {
            std::uint8_t buf[64];
            std::size_t n = net.Remaining() < sizeof buf ? net.Remaining() : sizeof buf;
            net.ReadBytes(buf, 0, n);
            net.ReadInt64();
            break;
        }
        default:
            net.SetPosition(0);
            net.ReadError();
            net.SetPosition(op);
            net.ReadString();
            break;
    }
    for (int i = 0; i < net.GetRowCount(); ++i) {
        try {
            auto row = net.GetRows(i);
            if (!row.empty()) (void)row[row.size() - 1];
        } catch (const EArgumentError&) {
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1 + kOps) return 0;
    std::uint8_t options = data[0];
    const std::uint8_t* ops = data + 1;
    const std::uint8_t* stream = data + 1 + kOps;
    std::size_t streamSize = size - 1 - kOps;

    auto vio = std::make_unique<TCRVioMemory>();
    // Pieces of varying size, so that packets straddle what one receive delivers.
    std::size_t piece = 1 + (options >> 3) * 7;
    for (std::size_t pos = 0; pos < streamSize; pos += piece)
        vio->Feed(stream + pos, streamSize - pos < piece ? streamSize - pos : piece);

    TMySqlNet net;
    net.SetVio(std::move(vio));
    net.SetMaxAllowedPacket(1 << 20);
    net.NewCommand();
    net.SetCompress(options & 1);
    net.SetRowCount(1 + ((options >> 1) & 3));

    for (std::size_t i = 0; i < 64; ++i) {
        std::uint8_t op = ops[i % kOps];
        try {
            if (op >= 0xE0) {
                std::uint8_t first;
                net.SkipRow(first);
            } else {
                net.ReceiveRow();
                ReadPacket(net, op);
            }
        } catch (const EMySqlException& e) {
            // A bad value inside a packet or a server error leaves the stream in
            // step; anything else (end of stream, sequence, inflate, size) ends it.
            if (!e.IsServerError() && e.ErrorCode() != CR_MALFORMED_PACKET) break;
        } catch (const EArgumentError&) {
        }
    }
    return 0;
}
