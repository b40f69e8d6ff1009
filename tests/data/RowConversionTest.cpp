// Server value texts to record slots without a server: the integer, float and
// date-time parsers with their errors, and whole values put into records of a
// record set laid out from column descriptions.

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>

#include "core/Errors.h"
#include "data/MyDataTypes.h"
#include "data/MyValueText.h"
#include "data/TMySQLRecordSet.h"
#include "mysql/wire/MySqlTypes.h"

namespace brevant {
namespace {

std::string ErrorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const Exception& e) {
        return Narrow(e.Message());
    }
    return "";
}

TEST(ValueText, Integers) {
    struct Case {
        const char* text;
        std::uint64_t bits;
    };
    const Case cases[] = {
        {"0", 0},
        {"-1", ~0ull},
        {"9223372036854775807", 9223372036854775807ull},
        {"-9223372036854775808", 1ull << 63},
        {"18446744073709551615", ~0ull},
        {"007", 7},
    };
    for (const Case& c : cases) EXPECT_EQ(TextToIntegerBits(c.text, std::strlen(c.text)), c.bits) << c.text;
    for (const char* bad : {"", "-", "1.5", "12a", " 1"})
        EXPECT_EQ(ErrorOf([&] { TextToIntegerBits(bad, std::strlen(bad)); }),
                  std::string("'") + bad + "' is not a valid integer value");
    EXPECT_EQ(BitsToInteger("\x81", 1), 129u);
    EXPECT_EQ(BitsToInteger("\x80\0\0\0\0\0\0\x01", 8), 0x8000000000000001ull);
}

TEST(ValueText, Floats) {
    struct Case {
        const char* text;
        double value;
    };
    const Case cases[] = {
        {"1.5e3", 1500},
        {"-0.1", -0.1},
        {"+2", 2},
        {".5", 0.5},
        {"5.", 5},
        {"1E-2", 0.01},
        {"1.7976931348623157e308", std::numeric_limits<double>::max()},
        {"4.9406564584124654e-324", std::numeric_limits<double>::denorm_min()},
        {"2.2250738585072011e-308", 2.2250738585072011e-308},
        // Correct rounding of a long mantissa (more digits than 64 bits hold).
        {"0.1000000000000000055511151231257827021181583404541015625", 0.1},
        {"123456789012345678901234567890", 123456789012345678901234567890.0},
        {"1e400", std::numeric_limits<double>::infinity()},
        {"1e-400", 0},
    };
    for (const Case& c : cases) EXPECT_EQ(TextToDouble(c.text, std::strlen(c.text)), c.value) << c.text;
    EXPECT_EQ(TextToSingle("1.1", 3), 1.1f);
    struct Bad {
        const char* text;
        const char* message;
    };
    const Bad bad[] = {
        {"12,5", "'12,5' is not a valid floating point value"},
        {"1.2.3", "'1.2.3' is not a valid floating point value"},
        {"", "'' is not a valid floating point value"},
        {".", "'.' is not a valid floating point value"},
        {"nan", "'nan' is not a valid floating point value"},
        {"1e", "'1e' is not a valid integer value"},
        {"1e+x", "'1e+x' is not a valid integer value"},
    };
    for (const Bad& b : bad) EXPECT_EQ(ErrorOf([&] { TextToDouble(b.text, std::strlen(b.text)); }), b.message);
}

TEST(ValueText, DatesByLayout) {
    struct Case {
        TMyDateKind kind;
        const char* text;
        int scale;
        bool valid;
        int y, mo, d, h, mi, s, ms;
    };
    const Case cases[] = {
        {dkDate, "2024-02-29", 0, true, 2024, 2, 29, 0, 0, 0, 0},
        {dkDate, "0000-00-00", 0, false},
        {dkDate, "2024-02-30", 0, false},
        {dkDateTime, "69", 0, true, 2069, 1, 1, 0, 0, 0, 0},
        {dkDateTime, "7003", 0, true, 1970, 3, 1, 0, 0, 0, 0},
        {dkDateTime, "240131", 0, true, 2024, 1, 31, 0, 0, 0, 0},
        {dkDateTime, "20240131", 0, true, 2024, 1, 31, 0, 0, 0, 0},
        {dkDateTime, "2401311213", 0, true, 2024, 1, 31, 12, 13, 0, 0},
        {dkDateTime, "240131121314", 0, true, 2024, 1, 31, 12, 13, 14, 0},
        {dkDateTime, "20240131121314", 0, true, 2024, 1, 31, 12, 13, 14, 0},
        {dkDateTime, "2024-01-31 12:13:14", 0, true, 2024, 1, 31, 12, 13, 14, 0},
        {dkDateTime, "2024-01-31 12:13:14.5", 1, true, 2024, 1, 31, 12, 13, 14, 500},
        {dkDateTime, "2024-01-31 12:13:14.123456", 6, true, 2024, 1, 31, 12, 13, 14, 123},
        {dkDateTime, "2024-01-31 12:13:14.999999", 3, true, 2024, 1, 31, 12, 13, 14, 999},
        {dkDateTime, "0000-00-00 00:00:00", 0, false},
        {dkDateTime, "2024-01-31 24:00:00", 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        TDateTime v = -7;
        const bool valid = ConvertToDateTime(c.kind, c.text, std::strlen(c.text), c.scale, 19, u"f", v);
        EXPECT_EQ(valid, c.valid);
        if (!c.valid) continue;
        TDateParts d;
        TTimeParts t;
        DecodeDateTime(v, d, t);
        EXPECT_EQ((std::array<int, 7>{d.Year, d.Month, d.Day, t.Hour, t.Minute, t.Second, t.MSec}),
                  (std::array<int, 7>{c.y, c.mo, c.d, c.h, c.mi, c.s, c.ms}));
    }
    TDateTime v;
    EXPECT_EQ(ErrorOf([&] { ConvertToDateTime(dkDateTime, "2024-01-31 12", 13, 0, 19, u"f", v); }),
              "Invalid FIELD_TYPE_TIMESTAMP Field.Length (19)");
}

TEST(ValueText, Times) {
    struct Case {
        const char* text;
        int scale;
        double msec;
    };
    const Case cases[] = {
        {"838:59:59", 0, 838 * 3600000.0 + 59 * 60000.0 + 59000},
        {"-01:00:00", 0, -3600000},
        {"00:00:00.5", 1, 500},
        {"-00:00:01.250", 3, -1250},
        {"12:34:56.789999", 6, 45296789},
        {"9999:00:00", 0, 9999 * 3600000.0},
    };
    for (const Case& c : cases) {
        TDateTime v;
        ASSERT_TRUE(ConvertToDateTime(dkTime, c.text, std::strlen(c.text), c.scale, 10, u"t", v)) << c.text;
        EXPECT_NEAR(v * MSecsPerDay, c.msec, 1e-6) << c.text;
    }
    for (const char* bad : {"10000:00:00", "12:3:00", "12-30-00", ":00:00", "1:00:00x"}) {
        TDateTime v;
        EXPECT_EQ(ErrorOf([&] { ConvertToDateTime(dkTime, bad, std::strlen(bad), 0, 10, u"duration", v); }),
                  "Wrong time format at field duration")
            << bad;
    }
}

TMYSQL_FIELD Column(const char* name, std::uint8_t type, std::uint32_t length, std::uint32_t flags = 0,
                    std::uint32_t charset = 33, std::uint32_t decimals = 0) {
    TMYSQL_FIELD f;
    f.Name = f.OrgName = name;
    f.Table = f.OrgTable = "t";
    f.MyType = type;
    f.LengthInBytes = length;
    f.Flags = flags;
    f.CharsetNr = charset;
    f.Decimals = decimals;
    return f;
}

/// A record set laid out for the columns as a utf8 session with UseUnicode describes them.
class Rows : public ::testing::Test {
protected:
    TMySQLRecordSet rs;
    std::vector<std::byte> rec;
    void Layout(const std::vector<TMYSQL_FIELD>& columns) {
        TMyFieldMapOptions& o = rs.MapOptions();
        o.UseUnicode = o.IsUtf8 = true;
        o.DBCharLength = 3;
        o.ServerPrimaryVer = 10;
        rs.Fields().clear();
        for (std::size_t i = 0; i < columns.size(); ++i) {
            auto d = std::make_unique<TMySQLFieldDesc>();
            DescribeFieldDesc(columns[i], static_cast<int>(i), o, TMyStatementInfo(u"SELECT"), *d);
            rs.Fields().push_back(std::move(d));
        }
        rs.InitFields();
        rec.assign(rs.RecordSize(), std::byte{0});
    }
    TVariant Put(int field, const char* value, std::size_t length = std::string::npos) {
        if (length == std::string::npos) length = value ? std::strlen(value) : 0;
        rs.PutValue(rs.MyField(field), value, static_cast<std::uint32_t>(length), value == nullptr, rec.data());
        return rs.GetDataAsVariant(rs.Field(field), rec.data());
    }
    void TearDown() override { rs.FreeComplexFields(rec.data()); }
};

TEST_F(Rows, ValuesIntoSlots) {
    Layout({Column("flag", MYSQL_TYPE_TINY, 1), Column("bit1", MYSQL_TYPE_BIT, 1, myflags::UNSIGNED, 63),
            Column("bit64", MYSQL_TYPE_BIT, 64, myflags::UNSIGNED, 63), Column("small", MYSQL_TYPE_SHORT, 6),
            Column("big", MYSQL_TYPE_LONGLONG, 20), Column("dbl", MYSQL_TYPE_DOUBLE, 22, 0, 63, 31),
            Column("c5", MYSQL_TYPE_STRING, 15), Column("v10", MYSQL_TYPE_VAR_STRING, 30),
            Column("tx", MYSQL_TYPE_BLOB, 196605, myflags::BLOB), Column("v40", MYSQL_TYPE_VAR_STRING, 120),
            Column("dec", MYSQL_TYPE_NEWDECIMAL, 32, 0, 63, 10), Column("yr", MYSQL_TYPE_YEAR, 4, myflags::UNSIGNED, 63)});
    EXPECT_EQ(rs.Field(0).DataType, dtBoolean);
    EXPECT_EQ(Put(0, "1"), TVariant(true));
    std::int16_t raw;
    std::memcpy(&raw, rec.data() + rs.Field(0).Offset, 2);
    EXPECT_EQ(raw, -1);
    EXPECT_EQ(Put(0, "0"), TVariant(false));
    // BIT(1) is a number even with booleans on.
    EXPECT_EQ(rs.Field(1).DataType, dtUInt64);
    EXPECT_EQ(Put(1, "\x01", 1).AsInt64(), 1);
    EXPECT_EQ(Put(2, "\xff\xff\xff\xff\xff\xff\xff\xff", 8), TVariant(~0ull));
    EXPECT_EQ(Put(3, "-32768").AsInt64(), -32768);
    EXPECT_EQ(Put(4, "-9223372036854775808"), TVariant(std::numeric_limits<long long>::min()));
    EXPECT_EQ(Put(5, "1.5e3").AsDouble(), 1500);
    EXPECT_EQ(ErrorOf([&] { Put(5, "12,5"); }), "'12,5' is not a valid floating point value");
    EXPECT_EQ(Put(6, "ab").AsString(), u"ab");
    // An in-record value never runs past its slot, whatever the server sends.
    EXPECT_EQ(Put(7, "0123456789ABCDEF").AsString(), u"0123456789");
    EXPECT_EQ(Put(7, "\xc3\xb1" "and\xc3\xba").AsString(), u"ñandú");
    EXPECT_EQ(Put(8, "").AsString(), u"");
    EXPECT_FALSE(rs.GetNull(rs.Field(8), rec.data()));
    EXPECT_TRUE(Put(8, nullptr).IsNull());
    ASSERT_NE(rs.GetBlob(rs.Field(8), rec.data()), nullptr);
    EXPECT_EQ(Put(8, "text \xe2\x82\xac").AsString(), u"text €");
    const std::string longText(300, 'x');
    EXPECT_EQ(Put(9, longText.c_str()).AsString(), Widen(longText));
    EXPECT_TRUE(Put(9, nullptr).IsNull());
    EXPECT_EQ(Put(10, "0.0000000001").AsDecimalText(), "0.0000000001");
    EXPECT_EQ(Put(11, "2024").AsInt64(), 2024);
}

}  // namespace
}  // namespace brevant
