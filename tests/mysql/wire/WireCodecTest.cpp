// The byte rules shared by the packet layer, the handshake, the row decoders and
// prepared statements: length-encoded integers at every size boundary, cut short
// and malformed, and which packets end the data under each protocol.

#include <gtest/gtest.h>

#include <vector>

#include "mysql/wire/WireCodec.h"

namespace brevant {
namespace {

TEST(WireCodec, LengthEncodedAtEverySizeBoundary) {
    struct Case {
        std::uint64_t value;
        std::size_t size;
        std::uint8_t first;
    } cases[] = {
        {0, 1, 0x00},          {250, 1, 0xFA},          {251, 3, 0xFC},         {0xFFFF, 3, 0xFC},
        {0x10000, 4, 0xFD},    {0xFFFFFF, 4, 0xFD},     {0x1000000, 9, 0xFE},   {0x0102030405060708, 9, 0xFE},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        std::vector<std::uint8_t> bytes;
        AppendLengthEncoded(bytes, c.value);
        ASSERT_EQ(bytes.size(), c.size);
        EXPECT_EQ(bytes[0], c.first);
        std::size_t pos = 0;
        std::uint64_t back = 0;
        EXPECT_EQ(LoadLengthEncoded(bytes.data(), bytes.size(), pos, back), LengthEncoded::Value);
        EXPECT_EQ(back, c.value);
        EXPECT_EQ(pos, c.size);
        // One byte short of the whole number: refused, position kept.
        pos = 0;
        if (c.size > 1) {
            EXPECT_EQ(LoadLengthEncoded(bytes.data(), bytes.size() - 1, pos, back), LengthEncoded::Short);
            EXPECT_EQ(pos, 0u);
        }
    }
    const std::uint8_t null[] = {0xFB}, bad[] = {0xFF, 1, 2};
    std::size_t pos = 0;
    std::uint64_t v = 7;
    EXPECT_EQ(LoadLengthEncoded(null, 1, pos, v), LengthEncoded::Null);
    EXPECT_EQ(pos, 1u);
    EXPECT_EQ(LoadLengthEncoded(null, 1, pos, v), LengthEncoded::Short);  // nothing left
    pos = 0;
    EXPECT_EQ(LoadLengthEncoded(bad, 3, pos, v), LengthEncoded::BadByte);
    EXPECT_EQ(pos, 0u);
}

TEST(WireCodec, EndOfDataByProtocol) {
    struct Case {
        std::vector<std::uint8_t> packet;
        bool protocol41, end;
    } cases[] = {
        {{0xFE, 0, 0, 2, 0}, true, true},        // warnings and status
        {{0xFE, 0, 0, 2, 0}, false, true},
        {{0xFE}, false, true},                   // the older servers' one byte
        {{0xFE}, true, false},                   // not in 4.1
        {{0xFE, 1, 2, 3, 4, 5, 6, 7}, true, true},
        {{0xFE, 1, 2, 3, 4, 5, 6, 7, 8}, true, false},  // a row with an 8-byte length
        {{0x00, 0, 0, 2, 0}, true, false},
        {{}, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.packet) + (c.protocol41 ? " 4.1" : " old"));
        EXPECT_EQ(IsEndOfData(c.packet, c.protocol41), c.end);
    }
    std::uint32_t warnings = 0, status = 0;
    const std::vector<std::uint8_t> eof = {0xFE, 3, 0, 0x0A, 0x80};
    ReadEndOfData(eof, warnings, status);
    EXPECT_EQ(warnings, 3u);
    EXPECT_EQ(status, 0xFFFF800Au);  // the server's 16 bits widened with their sign
}

}  // namespace
}  // namespace brevant
