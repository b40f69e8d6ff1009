// Text rows and column definitions decoded from byte spans.

#include <gtest/gtest.h>

#include <string>

#include "FakeServer.h"
#include "mysql/wire/MySqlRowDecode.h"
#include "mysql/wire/MySqlTypes.h"

namespace brevant {
namespace {

using test::AppendLengthEncoded;
using test::Bytes;

void AppendString(Bytes& b, const std::string& s) {
    AppendLengthEncoded(b, s.size());
    b.insert(b.end(), s.begin(), s.end());
}

TEST(TextRow, ConstantNullAndEmpty) {
    Bytes row = {1, '1', 0xFB, 0};
    TMySqlBind items[3];
    ASSERT_EQ(DecodeTextRow(row, items), DecodeResult::Ok);
    EXPECT_FALSE(items[0].IsNull());
    EXPECT_EQ(items[0].Offset, 1u);
    EXPECT_EQ(items[0].Length, 1u);
    EXPECT_TRUE(items[1].IsNull());
    EXPECT_EQ(items[1].Offset, 0u);
    EXPECT_FALSE(items[2].IsNull());
    EXPECT_EQ(items[2].Length, 0u);
}

TEST(TextRow, LengthPrefixes) {
    struct Case {
        std::size_t length;
        std::uint32_t prefixBytes;
    } cases[] = {{250, 1}, {251, 3}, {300, 3}, {65535, 3}, {65536, 4}, {16777215, 4}, {16777216, 9}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.length);
        Bytes row = {0xFB};
        AppendString(row, std::string(c.length, 'v'));
        row.push_back(1);
        row.push_back('z');
        TMySqlBind items[3];
        ASSERT_EQ(DecodeTextRow(row, items), DecodeResult::Ok);
        EXPECT_EQ(items[1].Offset, 1 + c.prefixBytes);
        EXPECT_EQ(items[1].Length, c.length);
        EXPECT_EQ(items[2].Offset, 1 + c.prefixBytes + c.length + 1);
        EXPECT_EQ(row[items[2].Offset], 'z');
    }
}

TEST(TextRow, BrokenRows) {
    struct Case {
        const char* name;
        Bytes row;
        int columns;
        DecodeResult result;
    } cases[] = {
        {"fewer values than columns", {1, 'a'}, 2, DecodeResult::Malformed},
        {"value longer than the packet", {5, 'a', 'b'}, 1, DecodeResult::Malformed},
        {"cut 2-byte length", {0xFC, 1}, 1, DecodeResult::Malformed},
        {"cut 3-byte length", {0xFD, 1, 0}, 1, DecodeResult::Malformed},
        {"cut 8-byte length", {0xFE, 1, 0, 0, 0, 0}, 1, DecodeResult::Malformed},
        {"8-byte length beyond 4 GB", {0xFE, 0, 0, 0, 0, 1, 0, 0, 0}, 1, DecodeResult::Malformed},
        {"length beyond the packet", {0xFC, 0xFF, 0xFF, 'a'}, 1, DecodeResult::Malformed},
        {"0xFF length byte", {0xFF, 0}, 1, DecodeResult::BadLengthByte},
        {"empty row, no columns", {}, 0, DecodeResult::Ok},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<TMySqlBind> items(c.columns);
        EXPECT_EQ(DecodeTextRow(c.row, items), c.result);
    }
}

Bytes Definition41(const std::string& name, const std::string& orgName, std::uint8_t type, std::uint32_t length,
                   std::uint16_t flags, std::uint8_t decimals, std::uint16_t charset) {
    Bytes b;
    AppendString(b, "def");
    AppendString(b, "sakila");
    AppendString(b, "a");
    AppendString(b, "actor");
    AppendString(b, name);
    AppendString(b, orgName);
    b.push_back(12);
    b.push_back(static_cast<std::uint8_t>(charset));
    b.push_back(static_cast<std::uint8_t>(charset >> 8));
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(length >> (8 * i)));
    b.push_back(type);
    b.push_back(static_cast<std::uint8_t>(flags));
    b.push_back(static_cast<std::uint8_t>(flags >> 8));
    b.push_back(decimals);
    b.push_back(0);
    b.push_back(0);
    return b;
}

TEST(ColumnDefinition, Protocol41) {
    TMySqlFieldInfo f;
    ASSERT_EQ(DecodeColumnDefinition(Definition41("id", "actor_id", MYSQL_TYPE_SHORT, 5, 0x4203, 0, 63), true, true, f),
              DecodeResult::Ok);
    EXPECT_EQ(f.Database, "sakila");
    EXPECT_EQ(f.Table, "a");
    EXPECT_EQ(f.OrgTable, "actor");
    EXPECT_EQ(f.Name, "id");
    EXPECT_EQ(f.OrgName, "actor_id");
    EXPECT_EQ(f.CharsetNr, 63);
    EXPECT_EQ(f.Length, 5u);
    EXPECT_EQ(f.MyType, MYSQL_TYPE_SHORT);
    EXPECT_EQ(f.Flags, 0x4203u | NUM_FLAG);
    EXPECT_EQ(f.Scale, 0);
    EXPECT_EQ(f.DefaultValue, "");
}

TEST(ColumnDefinition, NumericFlag) {
    struct Case {
        std::uint8_t type;
        std::uint32_t length;
        bool numeric;
    } cases[] = {
        {MYSQL_TYPE_DECIMAL, 10, true},    {MYSQL_TYPE_TINY, 4, true},       {MYSQL_TYPE_LONGLONG, 20, true},
        {MYSQL_TYPE_INT24, 9, true},       {MYSQL_TYPE_DOUBLE, 22, true},    {MYSQL_TYPE_NULL, 0, true},
        {MYSQL_TYPE_TIMESTAMP, 19, false}, {MYSQL_TYPE_TIMESTAMP, 14, true}, {MYSQL_TYPE_TIMESTAMP, 8, true},
        {MYSQL_TYPE_YEAR, 4, true},        {MYSQL_TYPE_DATE, 10, false},     {MYSQL_TYPE_NEWDECIMAL, 10, false},
        {MYSQL_TYPE_VAR_STRING, 40, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << int(c.type) << "/" << c.length);
        TMySqlFieldInfo f;
        ASSERT_EQ(DecodeColumnDefinition(Definition41("c", "c", c.type, c.length, 0, 0, 33), true, true, f),
                  DecodeResult::Ok);
        EXPECT_EQ((f.Flags & NUM_FLAG) != 0, c.numeric);
    }
}

TEST(ColumnDefinition, Pre41) {
    for (bool longFlag : {true, false}) {
        SCOPED_TRACE(longFlag);
        Bytes b;
        AppendString(b, "actor");
        AppendString(b, "first_name");
        AppendString(b, std::string("\x2D\x00\x00", 3));
        AppendString(b, std::string(1, static_cast<char>(MYSQL_TYPE_VAR_STRING)));
        AppendString(b, longFlag ? std::string("\x01\x10\x02", 3) : std::string("\x01\x02", 2));
        TMySqlFieldInfo f;
        ASSERT_EQ(DecodeColumnDefinition(b, false, longFlag, f), DecodeResult::Ok);
        EXPECT_EQ(f.Table, "actor");
        EXPECT_EQ(f.OrgTable, "actor");
        EXPECT_EQ(f.Name, "first_name");
        EXPECT_EQ(f.OrgName, "");
        EXPECT_EQ(f.Length, 45u);
        EXPECT_EQ(f.MyType, MYSQL_TYPE_VAR_STRING);
        EXPECT_EQ(f.Flags, longFlag ? 0x1001u : 0x01u);
        EXPECT_EQ(f.Scale, 2);
        EXPECT_EQ(f.CharsetNr, 0);
    }
}

TEST(ColumnDefinition, BrokenDefinitions) {
    Bytes good = Definition41("id", "id", MYSQL_TYPE_LONG, 11, 0, 0, 63);
    Bytes shortFixed = good;
    shortFixed.resize(good.size() - 2);
    shortFixed[shortFixed.size() - 11] = 10;  // a fixed part of 10 bytes
    struct Case {
        const char* name;
        Bytes packet;
        DecodeResult result;
    } cases[] = {
        {"cut anywhere", Bytes(good.begin(), good.begin() + 20), DecodeResult::Malformed},
        {"fixed part too short", shortFixed, DecodeResult::Malformed},
        {"0xFF string length", Bytes{0xFF, 1, 2}, DecodeResult::BadLengthByte},
        {"empty", Bytes{}, DecodeResult::Malformed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TMySqlFieldInfo f;
        EXPECT_EQ(DecodeColumnDefinition(c.packet, true, true, f), c.result);
    }
    Bytes old;
    AppendString(old, "t");
    AppendString(old, "n");
    AppendString(old, "ab");  // a 2-byte length where 3 are needed
    AppendString(old, "x");
    AppendString(old, "ab");
    TMySqlFieldInfo f;
    EXPECT_EQ(DecodeColumnDefinition(old, false, true, f), DecodeResult::Malformed);
}

}  // namespace
}  // namespace brevant
