// The packet layer over an in-memory transport: framing, the 16 MB split and
// join, sequence numbers, compression, classification, error packets and the
// bounds-checked readers.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <optional>

#include "ExpectRaises.h"
#include "WireBytes.h"
#include "core/Errors.h"
#include "mysql/wire/EMySqlException.h"
#include "mysql/wire/TCRVioMemory.h"
#include "mysql/wire/TMySqlNet.h"

namespace brevant {
namespace {

using test::Append;
using test::CompFrame;
using test::ExpectRaises;
using test::Frame;
using test::Text;
using test::WireBytes;

constexpr std::size_t kMax = MAX_PACKET_LENGTH;

struct NetOverMemory {
    TMySqlNet net;
    TCRVioMemory* vio;
    NetOverMemory() {
        auto v = std::make_unique<TCRVioMemory>();
        vio = v.get();
        net.SetVio(std::move(v));
        net.NewCommand();
    }
    void Feed(const WireBytes& bytes) { vio->Feed(bytes); }
    WireBytes Row() const { return WireBytes(net.GetRowBytes().begin(), net.GetRowBytes().end()); }
};

WireBytes Pattern(std::size_t n, std::uint8_t seed = 1) {
    WireBytes b(n);
    for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<std::uint8_t>(i * 31 + seed);
    return b;
}

// ---------------------------------------------------------------- sending

TEST(TMySqlNet, SmallCommandLeavesAsOnePacketInOneWrite) {
    NetOverMemory t;
    t.net.WriteByte(3);
    t.net.WriteBytes(Text("SELECT 1"));
    t.net.Send();
    EXPECT_EQ(t.vio->Output(), Frame(0, Text("\x03SELECT 1")));
    EXPECT_EQ(t.vio->Writes().size(), 1u);
    EXPECT_EQ(t.net.GetPacketNumber(), 1);

    t.net.Send();  // nothing written since: nothing sent
    EXPECT_EQ(t.vio->Writes().size(), 1u);
    t.net.SendEmpty();
    EXPECT_EQ(WireBytes(t.vio->Output().end() - 4, t.vio->Output().end()), (WireBytes{0, 0, 0, 1}));
}

TEST(TMySqlNet, WritersAreLittleEndian) {
    NetOverMemory t;
    t.net.WriteBool(true);
    t.net.WriteInt16(0x0102);
    t.net.WriteInt24(0x030405);
    t.net.WriteInt32(0x06070809);
    t.net.WriteInt64(0x0A0B0C0D0E0F1011ull);
    t.net.Fill(0xAA, 3);
    t.net.WriteString(u"ab\u00e9");  // é is 0xE9 in the default code page
    t.net.Send();
    EXPECT_EQ(t.vio->Output(), Frame(0, {1,    0x02, 0x01, 0x05, 0x04, 0x03, 0x09, 0x08, 0x07, 0x06, 0x11, 0x10,
                                         0x0F, 0x0E, 0x0D, 0x0C, 0x0B, 0x0A, 0xAA, 0xAA, 0xAA, 'a',  'b',  0xE9, 0}));
}

TEST(TMySqlNet, WriteFieldLengthBoundaries) {
    struct Case {
        std::uint64_t value;
        WireBytes bytes;
    } cases[] = {
        {0, {0x00}},
        {250, {0xFA}},
        {251, {0xFC, 0xFB, 0x00}},
        {0xFFFF, {0xFC, 0xFF, 0xFF}},
        {0x10000, {0xFD, 0x00, 0x00, 0x01}},
        {0xFFFFFF, {0xFD, 0xFF, 0xFF, 0xFF}},
        {0x1000000, {0xFE, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00}},
        {0x0102030405060708ull, {0xFE, 0x08, 0x07, 0x06, 0x05, 0x04, 0x03, 0x02, 0x01}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        NetOverMemory t;
        t.net.WriteFieldLength(c.value);
        t.net.Send();
        EXPECT_EQ(t.vio->Output(), Frame(0, c.bytes));

        // And back through the reader.
        t.Feed(Frame(1, c.bytes));
        t.net.ReceiveRow();
        EXPECT_EQ(static_cast<std::uint64_t>(t.net.ReadFieldLength()), c.value);
        EXPECT_EQ(t.net.Remaining(), 0u);
    }
}

// A statement of exactly 16777215 payload bytes is one full packet and an empty
// one; one byte more is a full packet and a 1-byte packet.
TEST(TMySqlNet, LargePayloadSplitsAtSixteenMegabytes) {
    struct Case {
        std::size_t payload;
        std::vector<std::size_t> packets;
    } cases[] = {
        {kMax, {kMax, 0}},
        {kMax + 1, {kMax, 1}},
        {kMax - 1, {kMax - 1}},
        {2 * kMax, {kMax, kMax, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.payload);
        NetOverMemory t;
        WireBytes text = Pattern(c.payload - 1);
        t.net.WriteByte(3);  // the command byte goes through the plain writer
        t.net.WriteOrSendBytes(text.data(), 0, text.size());
        t.net.Send();

        const WireBytes& out = t.vio->Output();
        std::size_t pos = 0, textPos = 0;
        for (std::size_t i = 0; i < c.packets.size(); ++i) {
            SCOPED_TRACE(i);
            ASSERT_GE(out.size(), pos + 4);
            std::size_t len = out[pos] | (out[pos + 1] << 8) | (out[pos + 2] << 16);
            EXPECT_EQ(len, c.packets[i]);
            EXPECT_EQ(out[pos + 3], i);
            pos += 4;
            ASSERT_GE(out.size(), pos + len);
            std::size_t skip = 0;
            if (i == 0) {
                EXPECT_EQ(out[pos], 3);
                skip = 1;
            }
            EXPECT_EQ(std::memcmp(out.data() + pos + skip, text.data() + textPos, len - skip), 0);
            textPos += len - skip;
            pos += len;
        }
        EXPECT_EQ(pos, out.size());
        EXPECT_EQ(textPos, text.size());
    }
}

TEST(TMySqlNet, LargePayloadLeavesFromCallersMemoryAfterFirstBuffer) {
    NetOverMemory t;
    WireBytes text = Pattern(100000);
    t.net.WriteByte(3);
    t.net.WriteOrSendBytes(text.data(), 0, text.size());
    t.net.Send();
    // The header and the first bytes fill one 8192-byte write; the rest is a
    // second write straight from the caller's buffer.
    ASSERT_EQ(t.vio->Writes().size(), 2u);
    EXPECT_EQ(t.vio->Writes()[0], static_cast<std::size_t>(BUFFER_LENGTH));
    EXPECT_EQ(t.vio->Writes()[1], 100001u + 4 - BUFFER_LENGTH);
    EXPECT_EQ(WireBytes(t.vio->Output().begin(), t.vio->Output().begin() + 4), (WireBytes{0xA1, 0x86, 0x01, 0}));
}

TEST(TMySqlNet, PlainWritersPastOnePacketAreSplitToo) {
    NetOverMemory t;
    WireBytes big = Pattern(kMax + 10);
    t.net.WriteBytes(big);
    t.net.Send();
    const WireBytes& out = t.vio->Output();
    ASSERT_EQ(out.size(), big.size() + 8);
    EXPECT_EQ(WireBytes(out.begin(), out.begin() + 4), (WireBytes{0xFF, 0xFF, 0xFF, 0}));
    EXPECT_EQ(WireBytes(out.begin() + 4 + kMax, out.begin() + 8 + kMax), (WireBytes{10, 0, 0, 1}));
}

// ---------------------------------------------------------------- receiving

TEST(TMySqlNet, SplitPacketsJoinIntoOneRow) {
    struct Case {
        const char* name;
        std::vector<std::size_t> pieces;
    } cases[] = {
        {"exact 16777215 then empty", {kMax, 0}},
        {"16777215 then 5", {kMax, 5}},
        {"two full then empty", {kMax, kMax, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        NetOverMemory t;
        WireBytes expected, stream;
        std::uint8_t seq = 0;
        for (std::size_t n : c.pieces) {
            WireBytes piece = Pattern(n, seq);
            Append(expected, piece);
            Append(stream, Frame(seq++, piece));
        }
        Append(stream, Frame(seq, Text(std::string("\x00next", 5))));
        t.Feed(stream);
        t.net.ReceiveRow();
        EXPECT_EQ(t.net.GetLength(), expected.size());
        EXPECT_TRUE(t.Row() == expected);
        t.net.ReceiveRow();
        EXPECT_EQ(t.Row(), Text(std::string("\x00next", 5)));
    }
}

TEST(TMySqlNet, OutOfOrderPacketNamesBothNumbers) {
    NetOverMemory t;
    t.net.WriteByte(1);
    t.net.Send();                          // sequence 0 out
    t.Feed(Frame(1, {0x00, 0x00, 0x00}));  // answer 1: fine
    t.net.ReceiveRow();
    t.Feed(Frame(3, {0x00}));  // 2 expected
    const auto e = ExpectRaises<EMySqlException>([&] { t.net.ReceiveRow(); }, 1156,
                                                 u"ReceiveHeader: Net packets out of order: received[3], expected[2]");
    EXPECT_FALSE(e && e->IsServerError());
}

TEST(TMySqlNet, SequenceWrapsAfter255) {
    NetOverMemory t;
    WireBytes stream;
    for (int i = 0; i < 258; ++i) Append(stream, Frame(static_cast<std::uint8_t>(i), {0x00}));
    t.Feed(stream);
    for (int i = 0; i < 258; ++i) t.net.ReceiveRow();
    EXPECT_EQ(t.net.GetPacketNumber(), 2);
}

TEST(TMySqlNet, ErrorPacketRaisesServerCodeMessageAndFlag) {
    NetOverMemory t;
    WireBytes err{0xFF, 0x15, 0x04};  // 1045
    Append(err, Text("#28000Access denied for user 'x'@'localhost' (using password: YES)"));
    t.Feed(Frame(0, err));
    const auto e = ExpectRaises<EMySqlException>([&] { t.net.ReceiveRow(); }, 1045,
                                                 u"#28000Access denied for user 'x'@'localhost' (using password: YES)");
    EXPECT_TRUE(e && e->IsServerError());
    // The packet stays in the current buffer.
    EXPECT_EQ(t.net.GetPacketType(), ptERR);
    EXPECT_EQ(t.net.GetLength(), err.size());
    EXPECT_EQ(t.net.GetReceivedRowCount(), 0);
}

TEST(TMySqlNet, ErrorPacketKeepsEveryByteOfItsText) {
    NetOverMemory t;
    t.Feed(Frame(0, {0xFF, 0x10, 0x27, '#', 'H', 'Y', '0', '0', '0', 0xE9, 0x80, 0x00, 'x'}));
    // Up to the 0 byte, the 8-bit text widened byte for byte.
    ExpectRaises<EMySqlException>([&] { t.net.ReceiveRow(); }, 10000, AnsiToUtf16("#HY000\xE9\x80"));
}

TEST(TMySqlNet, PacketClassification) {
    struct Case {
        WireBytes payload;
        TMyPacketType type;
    } cases[] = {
        {{0x00}, ptOK},
        {{0x00, 1, 2, 3, 4, 5, 6, 7, 8, 9}, ptOK},
        {{0x01, 0x03}, ptAuthMoreData},
        {{0xFE}, ptOldAuthSwitchRequest},
        {{0xFE, 0, 0}, ptEOF},
        {{0xFE, 0, 0, 2, 0}, ptEOF},
        {{0xFE, 1, 2, 3, 4, 5, 6, 7}, ptEOF},
        {{0xFE, 1, 2, 3, 4, 5, 6, 7, 8}, ptAuthSwitchResponse},
        {{0xFF, 0x10, 0x27}, ptERR},
        {{0x03, 'd', 'e', 'f'}, ptUnknown},
        {{0xFB}, ptUnknown},
        {{}, ptUnknown},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.payload));
        EXPECT_EQ(ClassifyPacket(c.payload), c.type);
    }
    NetOverMemory t;
    t.Feed(Frame(0, {0xFE, 0, 0, 2, 0}));
    t.net.ReceiveRow();
    EXPECT_EQ(t.net.GetPacketType(), ptEOF);
}

TEST(TMySqlNet, ReadersDecodeLittleEndianAndStrings) {
    NetOverMemory t;
    t.Feed(Frame(0, {0x81, 0xFE, 0xFF, 0x34, 0x12, 0x03, 0x02, 0x01, 0xFF, 0xFF, 0xFF, 0xFF, 1, 0, 0, 0, 0, 0, 0, 0x80,
                     'a', 'b', 'c', 'x', 'y', 0, 'r', 'e', 's', 't'}));
    t.net.ReceiveRow();
    EXPECT_EQ(t.net.ReadByte(), 0x81);
    EXPECT_EQ(t.net.ReadInt16(), -2);
    EXPECT_EQ(t.net.ReadUInt16(), 0x1234);
    EXPECT_EQ(t.net.ReadInt24(), 0x010203);
    EXPECT_EQ(t.net.ReadInt32(), -1);
    EXPECT_EQ(t.net.ReadInt64(), static_cast<std::int64_t>(0x8000000000000001ull));
    EXPECT_EQ(t.net.ReadString(3), "abc");
    EXPECT_EQ(t.net.ReadString(), "xy");
    EXPECT_EQ(t.net.ReadString(), "rest");  // no terminator: the rest of the packet
    EXPECT_EQ(t.net.Remaining(), 0u);
    EXPECT_EQ(t.net.ReadString(), "");
}

TEST(TMySqlNet, ReadFieldLengthPrefixes) {
    struct Case {
        WireBytes bytes;
        std::int64_t value;
    } cases[] = {
        {{0x00}, 0},
        {{0xFA}, 250},
        {{0xFB}, NULL_LENGTH},
        {{0xFC, 0xFB, 0x00}, 251},
        {{0xFC, 0xFF, 0xFF}, 0xFFFF},
        {{0xFD, 0x00, 0x00, 0x01}, 0x10000},
        {{0xFE, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00}, 0x1000000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.bytes));
        TPacketReader r(c.bytes);
        EXPECT_EQ(r.ReadFieldLength(), c.value);
        EXPECT_EQ(r.Remaining(), 0u);
    }
    WireBytes bad{0xFF, 0, 0};
    TPacketReader r(bad);
    EXPECT_THROW(r.ReadFieldLength(), EArgumentError);
}

// Every reader checks the bytes left in the packet: a short packet is a
// malformed packet, never a read past it.
TEST(TMySqlNet, ReadersNeverReadPastThePacket) {
    struct Case {
        const char* name;
        WireBytes packet;
        std::function<void(TMySqlNet&)> read;
    } cases[] = {
        {"ReadByte on empty", {}, [](TMySqlNet& n) { n.ReadByte(); }},
        {"ReadInt16 on 1", {1}, [](TMySqlNet& n) { n.ReadInt16(); }},
        {"ReadUInt16 on 1", {1}, [](TMySqlNet& n) { n.ReadUInt16(); }},
        {"ReadInt24 on 2", {1, 2}, [](TMySqlNet& n) { n.ReadInt24(); }},
        {"ReadInt32 on 3", {1, 2, 3}, [](TMySqlNet& n) { n.ReadInt32(); }},
        {"ReadBytes 4 of 3", {1, 2, 3}, [](TMySqlNet& n) { std::uint8_t d[4]; n.ReadBytes(d, 0, 4); }},
        {"ReadString(5) of 3", {1, 2, 3}, [](TMySqlNet& n) { n.ReadString(5); }},
        {"0xFC with 1 byte", {0xFC, 1}, [](TMySqlNet& n) { n.ReadFieldLength(); }},
        {"0xFD with 2 bytes", {0xFD, 1, 2}, [](TMySqlNet& n) { n.ReadFieldLength(); }},
        {"0xFE with 7 bytes", {0xFE, 1, 2, 3, 4, 5, 6, 7}, [](TMySqlNet& n) { n.ReadFieldLength(); }},
        {"value longer than packet", {0x05, 'a', 'b'},
         [](TMySqlNet& n) { std::size_t o, l; n.ReadFieldBounds(o, l); }},
        {"huge 8-byte value", {0xFE, 0, 0, 0, 0, 0, 0, 0, 0x80},
         [](TMySqlNet& n) { std::size_t o, l; n.ReadFieldBounds(o, l); }},
        {"Skip past end", {1, 2}, [](TMySqlNet& n) { n.Skip(3); }},
        {"error packet without code", {0xFF, 0x01}, [](TMySqlNet& n) { n.ReadError(); }},
        {"position beyond length", {1, 2}, [](TMySqlNet& n) { n.SetPosition(10); n.ReadByte(); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        NetOverMemory t;
        t.Feed(Frame(0, c.packet));
        // Error packets raise in ReceiveRow already; read them again afterwards.
        try {
            t.net.ReceiveRow();
        } catch (const EMySqlException&) {
        }
        t.net.SetPosition(0);
        ExpectRaises<EMySqlException>([&] { c.read(t.net); }, CR_MALFORMED_PACKET, u"Malformed packet");
    }
    NetOverMemory t;
    t.Feed(Frame(0, {1, 2, 3, 4, 5, 6, 7}));
    t.net.ReceiveRow();
    EXPECT_THROW(t.net.ReadInt64(), EArgumentError);  // the 8-byte read keeps its argument error
}

TEST(TMySqlNet, FieldBoundsPointIntoThePacket) {
    NetOverMemory t;
    WireBytes row{0x03, 'a', 'b', 'c', 0xFB, 0x00};
    WireBytes big(300, 'z');
    row.push_back(0xFC);
    row.push_back(300 & 0xFF);
    row.push_back(300 >> 8);
    Append(row, big);
    t.Feed(Frame(0, row));
    t.net.ReceiveRow();
    std::size_t offset = 99, length = 99;
    ASSERT_TRUE(t.net.ReadFieldBounds(offset, length));
    EXPECT_EQ(offset, 1u);
    EXPECT_EQ(length, 3u);
    EXPECT_FALSE(t.net.ReadFieldBounds(offset, length));  // NULL
    ASSERT_TRUE(t.net.ReadFieldBounds(offset, length));   // empty value
    EXPECT_EQ(length, 0u);
    ASSERT_TRUE(t.net.ReadFieldBounds(offset, length));
    EXPECT_EQ(offset, 6u + 3);  // 3 more than the prefix position
    EXPECT_EQ(length, 300u);
    EXPECT_EQ(t.net.Remaining(), 0u);
}

// ---------------------------------------------------------------- the transport underneath

TEST(TMySqlNet, ShortReadIsLostConnection) {
    struct Case {
        const char* name;
        WireBytes stream;
        const char16_t* readError;  // the transport's text when the stream ends
        const char16_t* message;
    } cases[] = {
        {"ends quietly", {5, 0, 0, 0, 'a', 'b'}, nullptr, u"Lost connection to MySQL server during query"},
        {"ends in a reset", {5, 0, 0}, u"Error on data reading from the connection:\r\nConnection reset by peer.",
         u"Lost connection to MySQL server during query\r\n"
         u"Error on data reading from the connection:\r\nConnection reset by peer."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        NetOverMemory t;
        if (c.readError) t.vio->SetReadError(c.readError);
        t.Feed(c.stream);
        ExpectRaises<EMySqlException>([&] { t.net.ReceiveRow(); }, 2013, c.message);
    }
}

TEST(TMySqlNet, ShortWriteIsLostConnection) {
    NetOverMemory t;
    t.vio->SetWriteLimit(6);
    t.net.WriteBytes(Text("SELECT 1"));
    ExpectRaises<EMySqlException>([&] { t.net.Send(); }, 2013,
                                  u"Lost connection to MySQL server during query\r\n"
                                  u"Error on data writing to the connection: write limit reached");
}

TEST(TMySqlNet, SmallPacketsAreServedFromOneReceive) {
    NetOverMemory t;
    WireBytes stream;
    for (int i = 0; i < 50; ++i) Append(stream, Frame(static_cast<std::uint8_t>(i), Pattern(20, i)));
    t.Feed(stream);
    const std::uint8_t* row = nullptr;
    for (int i = 0; i < 50; ++i) {
        t.net.ReceiveRow();
        EXPECT_EQ(t.Row(), Pattern(20, i));
        // The first packet fills the read-ahead buffer; each later one is shown
        // where it lies there, right behind the one before: no copy and no
        // allocation per packet.
        if (i >= 2) {
            EXPECT_EQ(t.net.GetRow(), row + 20 + 4);
        }
        row = t.net.GetRow();
    }
    EXPECT_EQ(t.vio->ReceiveCalls(), 1);
}

// Packets that arrive behind another in one receive are taken straight from the
// read-ahead buffer; they are checked as strictly as packets read header by header.
TEST(TMySqlNet, PacketsArrivedTogetherAreCheckedLikeAnyOther) {
    WireBytes err{0xFF, 0x15, 0x04};  // 1045
    Append(err, Text("#28000Access denied"));
    struct Case {
        const char* name;
        WireBytes second;
        std::size_t maxAllowed;
        int code;
        std::u16string message;
    } cases[] = {
        {"out of order", Frame(5, {0x01}), MAX_ALLOWED_PACKET, 1156,
         u"ReceiveHeader: Net packets out of order: received[5], expected[1]"},
        {"too large", Frame(1, Pattern(11)), 10, 2020, u"Got packet bigger than 'max_allowed_packet'"},
        {"error packet", Frame(1, err), MAX_ALLOWED_PACKET, 1045, u"#28000Access denied"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        NetOverMemory t;
        t.net.SetMaxAllowedPacket(c.maxAllowed);
        WireBytes stream = Frame(0, {0x00});
        Append(stream, c.second);
        t.Feed(stream);
        t.net.ReceiveRow();
        ExpectRaises<EMySqlException>([&] { t.net.ReceiveRow(); }, c.code, c.message);
        EXPECT_EQ(t.vio->ReceiveCalls(), 1);
    }
    // The error packet stays in the current buffer, as one read header by header does.
    NetOverMemory t;
    WireBytes stream = Frame(0, {0x00});
    Append(stream, Frame(1, err));
    t.Feed(stream);
    t.net.ReceiveRow();
    ExpectRaises<EMySqlException>([&] { t.net.ReceiveRow(); });
    EXPECT_EQ(t.net.GetPacketType(), ptERR);
    EXPECT_EQ(t.Row(), err);
}

TEST(TMySqlNet, PacketsArrivedTogetherFillTheRing) {
    // Empty, small and larger packets together, the last one cut between two
    // receives, into a ring whose new buffers have no memory yet.
    const WireBytes payloads[] = {Pattern(20, 1), {}, Pattern(300, 2), Pattern(5000, 3), Pattern(7, 4)};
    WireBytes stream;
    for (std::uint8_t i = 0; i < 5; ++i) Append(stream, Frame(i, payloads[i]));
    const std::size_t cut = 4 + 20 + 4 + 4 + 300 + 100;
    NetOverMemory t;
    t.net.SetRowCount(5);
    t.Feed(WireBytes(stream.begin(), stream.begin() + cut));
    t.Feed(WireBytes(stream.begin() + cut, stream.end()));
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        t.net.ReceiveRow();
        EXPECT_EQ(t.Row(), payloads[i]);
        EXPECT_EQ(t.net.GetPosition(), 0u);
    }
    for (int i = 0; i < 5; ++i) EXPECT_TRUE(t.net.GetRows(i).size() == payloads[i].size());
    EXPECT_TRUE(std::equal(payloads[3].begin(), payloads[3].end(), t.net.GetRows(3).begin()));
    EXPECT_EQ(t.net.GetPacketNumber(), 5);
    EXPECT_EQ(t.vio->BytesLeft(), 0u);
}

TEST(TMySqlNet, ClosedTransportIsALostConnection) {
    NetOverMemory t;
    t.vio->Close();
    ExpectRaises<EMySqlException>([&] { t.net.ReceiveRow(); }, 2013,
                                  u"Lost connection to MySQL server during query\r\nSocket not connected");
    t.net.NewCommand();
    t.net.WriteByte(1);
    ExpectRaises<EMySqlException>([&] { t.net.Send(); }, 2013);
}

TEST(TMySqlNet, PacketLargerThanAllowedIsRefused) {
    NetOverMemory t;
    t.net.SetMaxAllowedPacket(100);
    t.Feed(Frame(0, Pattern(101)));
    ExpectRaises<EMySqlException>([&] { t.net.ReceiveRow(); }, 2020, u"Got packet bigger than 'max_allowed_packet'");
}

TEST(TMySqlNet, WithoutTransportTheServerHasGone) {
    TMySqlNet net;
    net.NewCommand();
    net.WriteByte(1);
    ExpectRaises<EMySqlException>([&] { net.Send(); }, 2006);
    ExpectRaises<EMySqlException>([&] { net.ReceiveRow(); }, 2006);
}

// ---------------------------------------------------------------- skipping and the ring

TEST(TMySqlNet, SkipRowReadsWithoutKeeping) {
    NetOverMemory t;
    WireBytes stream;
    Append(stream, Frame(0, Pattern(200000 % kMax, 7)));  // several skip chunks
    Append(stream, Frame(1, Pattern(kMax)));              // joined with the next
    Append(stream, Frame(2, {0x42, 1, 2}));
    Append(stream, Frame(3, {0xFE, 0, 0, 2, 0}));
    t.Feed(stream);
    std::uint8_t first = 0;
    EXPECT_EQ(t.net.SkipRow(first), 200000u);
    EXPECT_EQ(first, Pattern(1, 7)[0]);
    EXPECT_EQ(t.net.SkipRow(first), 3u);  // the last piece's length
    EXPECT_EQ(first, Pattern(1)[0]);
    EXPECT_EQ(t.net.SkipRow(first), 5u);
    EXPECT_EQ(first, 0xFE);
    EXPECT_LT(t.net.GetRowBytes().size(), 10u);  // nothing was stored
}

TEST(TMySqlNet, SkipRowRaisesAnErrorPacket) {
    NetOverMemory t;
    WireBytes err{0xFF, 0x7A, 0x04};  // 1146
    Append(err, Text("#42S02Table 't' doesn't exist"));
    t.Feed(Frame(0, err));
    std::uint8_t first = 0;
    const auto e = ExpectRaises<EMySqlException>([&] { t.net.SkipRow(first); }, 1146, u"#42S02Table 't' doesn't exist");
    EXPECT_TRUE(e && e->IsServerError());
}

TEST(TMySqlNet, RowRingKeepsABlockOfPackets) {
    NetOverMemory t;
    t.net.SetRowCount(3);
    WireBytes stream;
    for (int i = 0; i < 4; ++i) Append(stream, Frame(static_cast<std::uint8_t>(i), {static_cast<std::uint8_t>('a' + i)}));
    t.Feed(stream);
    for (int i = 0; i < 3; ++i) t.net.ReceiveRow();
    EXPECT_EQ(t.net.GetReceivedRowCount(), 3);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(t.net.GetRows(i)[0], 'a' + i);
    try {
        t.net.GetRows(3);
        ADD_FAILURE() << "no error";
    } catch (const EArgumentError& e) {
        EXPECT_EQ(e.Message(), u"Invalid record number");
    }
    t.net.ReceiveRow();  // the fourth starts the ring over in buffer 0
    EXPECT_EQ(t.net.GetRowNo(), 0);
    EXPECT_EQ(t.net.GetReceivedRowCount(), 1);
    EXPECT_EQ(t.net.GetRows(0)[0], 'd');
    EXPECT_THROW(t.net.GetRows(1), EArgumentError);
    t.net.SetEof();
    EXPECT_EQ(t.net.GetReceivedRowCount(), 0);
    EXPECT_THROW(t.net.SetRowCount(0), EArgumentError);
    t.net.Clear();
    EXPECT_EQ(t.net.GetRowCount(), 1);
}

TEST(TMySqlNet, CloseFreesTheTransport) {
    NetOverMemory t;
    t.net.Close();
    EXPECT_EQ(t.net.GetVio(), nullptr);
    EXPECT_EQ(t.net.GetLength(), 0u);
}

// ---------------------------------------------------------------- compression

TEST(TMySqlNet, CompressedSendDeflatesOnlyAboveFiftyBytes) {
    struct Case {
        std::size_t payload;  // bytes after the inner header
        bool deflated;
    } cases[] = {{46, false}, {47, true}, {1000, true}};  // 46 + 4 = 50 bytes written
    for (const auto& c : cases) {
        SCOPED_TRACE(c.payload);
        NetOverMemory t;
        t.net.SetCompress(true);
        WireBytes text(c.payload, 'x');
        t.net.WriteBytes(text);
        t.net.Send();
        auto packets = test::SplitCompressed(t.vio->Output());
        ASSERT_EQ(packets.size(), 1u);
        EXPECT_EQ(packets[0].seq, 0);
        EXPECT_EQ(packets[0].plainLength != 0, c.deflated);
        if (c.deflated) {
            EXPECT_EQ(packets[0].plainLength, c.payload + 4);
        }
        EXPECT_EQ(packets[0].plain, Frame(0, text));
        // After a send the expected number follows the compressed packets.
        EXPECT_EQ(t.net.GetPacketNumber(), 1);
    }
}

TEST(TMySqlNet, CompressedSendOfLargePayloadKeepsTheSequence) {
    NetOverMemory t;
    t.net.SetCompress(true);
    WireBytes text = Pattern(kMax + 100);
    t.net.WriteByte(3);
    t.net.WriteOrSendBytes(text.data(), 0, text.size());
    t.net.Send();
    auto packets = test::SplitCompressed(t.vio->Output());
    WireBytes inner;
    for (std::size_t i = 0; i < packets.size(); ++i) {
        EXPECT_EQ(packets[i].seq, i);
        Append(inner, packets[i].plain);
    }
    WireBytes payload{3};
    Append(payload, text);
    WireBytes expected = Frame(0, WireBytes(payload.begin(), payload.begin() + kMax));
    Append(expected, Frame(1, WireBytes(payload.begin() + kMax, payload.end())));
    EXPECT_TRUE(inner == expected);
    EXPECT_EQ(t.net.GetPacketNumber(), packets.size());
}

TEST(TMySqlNet, CompressedReceiveStoredAndDeflated) {
    NetOverMemory t;
    t.net.SetCompress(true);
    WireBytes small = Frame(0, {0x00, 0x01, 0x02});
    WireBytes large = Frame(7, Pattern(5000));  // the inner number is not checked
    WireBytes stream = CompFrame(0, small, 0);
    Append(stream, CompFrame(1, test::Deflate(large), large.size()));
    t.Feed(stream);
    t.net.ReceiveRow();
    EXPECT_EQ(t.Row(), Text(std::string("\x00\x01\x02", 3)));
    t.net.ReceiveRow();
    EXPECT_EQ(t.Row(), Pattern(5000));
    EXPECT_EQ(t.net.GetPacketNumber(), 2);
}

TEST(TMySqlNet, CompressedPacketsCarryingPartsOfPackets) {
    // Two inner packets cut at arbitrary places across three compressed packets.
    NetOverMemory t;
    t.net.SetCompress(true);
    WireBytes inner = Frame(0, Pattern(300, 1));
    Append(inner, Frame(1, Pattern(40, 2)));
    WireBytes a(inner.begin(), inner.begin() + 2), b(inner.begin() + 2, inner.begin() + 310),
        c(inner.begin() + 310, inner.end());
    WireBytes stream = CompFrame(0, a, 0);
    Append(stream, CompFrame(1, test::Deflate(b), b.size()));
    Append(stream, CompFrame(2, c, 0));
    t.Feed(stream);
    t.net.ReceiveRow();
    EXPECT_EQ(t.Row(), Pattern(300, 1));
    t.net.ReceiveRow();
    EXPECT_EQ(t.Row(), Pattern(40, 2));
}

TEST(TMySqlNet, CompressedPacketsOfMaximumLengthAreJoinedBeforeUse) {
    NetOverMemory t;
    t.net.SetCompress(true);
    WireBytes inner = Frame(0, Pattern(kMax, 3));
    Append(inner, Frame(1, Pattern(kMax, 4)));
    Append(inner, Frame(2, Pattern(10, 5)));
    Append(inner, Frame(3, Text("tail")));
    // Stored compressed packets of body length 16777215 while they last.
    WireBytes stream;
    std::uint8_t seq = 0;
    std::size_t pos = 0;
    while (inner.size() - pos >= kMax) {
        Append(stream, CompFrame(seq++, WireBytes(inner.begin() + pos, inner.begin() + pos + kMax), 0));
        pos += kMax;
    }
    Append(stream, CompFrame(seq++, WireBytes(inner.begin() + pos, inner.end()), 0));
    Append(stream, CompFrame(seq, Frame(9, Text("later")), 0));
    t.Feed(stream);
    t.net.ReceiveRow();
    WireBytes expected = Pattern(kMax, 3);
    Append(expected, Pattern(kMax, 4));
    Append(expected, Pattern(10, 5));
    EXPECT_TRUE(t.Row() == expected);
    // The whole chain was read at once; only the packet after it is left.
    EXPECT_EQ(t.vio->BytesLeft(), 7 + Frame(9, Text("later")).size());
    t.net.ReceiveRow();
    EXPECT_EQ(t.Row(), Text("tail"));
    t.net.ReceiveRow();
    EXPECT_EQ(t.Row(), Text("later"));
}

TEST(TMySqlNet, CompressedOutOfOrderAndBrokenData) {
    const WireBytes inner = Frame(0, Pattern(100));
    struct Case {
        const char* name;
        WireBytes stream;
        int code;
        std::optional<UString> message;
    } cases[] = {
        {"out of order", CompFrame(3, Frame(0, {0}), 0), 1156,
         u"ReceiveCompHeader: Net packets out of order: received[3], expected[0]"},
        {"not zlib data", CompFrame(0, Text("not zlib data at all"), 100), 1157, u""},
        {"inflates short of the announced length", CompFrame(0, test::Deflate(inner), inner.size() + 1), 1157,
         std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        NetOverMemory t;
        t.net.SetCompress(true);
        t.Feed(c.stream);
        ExpectRaises<EMySqlException>([&] { t.net.ReceiveRow(); }, c.code, c.message);
    }
}

TEST(TMySqlNet, CompressedSkipAndErrorPacket) {
    NetOverMemory t;
    t.net.SetCompress(true);
    WireBytes inner = Frame(0, Pattern(70000));
    Append(inner, Frame(1, {0xFF, 0x15, 0x04, '#', '2', '8', '0', '0', '0', 'n', 'o'}));
    t.Feed(CompFrame(0, test::Deflate(inner), inner.size()));
    std::uint8_t first;
    EXPECT_EQ(t.net.SkipRow(first), 70000u);
    ExpectRaises<EMySqlException>([&] { t.net.ReceiveRow(); }, 1045, u"#28000no");
}

}  // namespace
}  // namespace brevant
