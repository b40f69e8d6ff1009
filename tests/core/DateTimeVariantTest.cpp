#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/DateTime.h"
#include "core/Errors.h"
#include "core/Variant.h"

namespace brevant {
namespace {

TEST(DateTime, EncodeDecodeRoundTrip) {
    struct Case {
        int y, m, d;
        double serial;
    } cases[] = {{1899, 12, 30, 0}, {1900, 1, 1, 2}, {2000, 2, 29, 36585}, {1, 1, 1, -693593},
                 {100, 1, 1, -657434}, {9999, 12, 31, 2958465}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.serial);
        TDateTime v = 0;
        ASSERT_TRUE(TryEncodeDate(c.y, c.m, c.d, v));
        EXPECT_EQ(v, c.serial);
        TDateParts p = DecodeDate(v);
        EXPECT_EQ(p.Year, c.y);
        EXPECT_EQ(p.Month, c.m);
        EXPECT_EQ(p.Day, c.d);
    }
    EXPECT_EQ(ZeroDate(), -657434);
    TDateTime v;
    EXPECT_FALSE(TryEncodeDate(0, 1, 1, v));
    EXPECT_FALSE(TryEncodeDate(2001, 2, 29, v));
    EXPECT_FALSE(TryEncodeTime(24, 0, 0, 0, v));
}

TEST(DateTime, TimeOfDayBeforeTheEpochCountsForward) {
    // -1.25: the day before 1899-12-30, at 06:00.
    TDateParts d;
    TTimeParts t;
    DecodeDateTime(-1.25, d, t);
    EXPECT_EQ(d.Year, 1899);
    EXPECT_EQ(d.Day, 29);
    EXPECT_EQ(t.Hour, 6);
    TDateTime date, time;
    ASSERT_TRUE(TryEncodeDate(1899, 12, 29, date));
    ASSERT_TRUE(TryEncodeTime(6, 0, 0, 0, time));
    EXPECT_EQ(CombineDateTime(date, time), -1.25);
    // Rounding to the millisecond carries into the next day.
    DecodeDateTime(1.0 - 0.0004 / 86400, d, t);
    EXPECT_EQ(d.Day, 31);
    EXPECT_EQ(t.Hour, 0);
    TDateTime ms;
    ASSERT_TRUE(TryEncodeTime(13, 14, 15, 678, ms));
    t = DecodeTime(36585 + ms);
    EXPECT_EQ(t.Hour * 10000000 + t.Minute * 100000 + t.Second * 1000 + t.MSec, 131415678);
}

TEST(Variant, KindsAndConversions) {
    EXPECT_TRUE(TVariant().IsNull());
    EXPECT_TRUE(TVariant::Null().IsNull());
    EXPECT_FALSE(TVariant::Null().IsEmpty());
    EXPECT_EQ(TVariant(std::numeric_limits<std::uint64_t>::max()).AsUInt64(), 18446744073709551615ull);
    EXPECT_THROW(TVariant(std::numeric_limits<std::uint64_t>::max()).AsInt64(), EConvertError);
    EXPECT_EQ(TVariant(u" -42 ").AsInt64(), -42);
    EXPECT_EQ(TVariant(u"18446744073709551615").AsUInt64(), 18446744073709551615ull);
    EXPECT_EQ(TVariant(true).AsInt64(), -1);
    EXPECT_THROW(TVariant(u"abc").AsDouble(), EConvertError);
    EXPECT_EQ(TVariant::FromDecimal("12345678901234567890.12").AsDecimalText(), "12345678901234567890.12");
    EXPECT_EQ(TVariant::FromBytes(std::string("\0\xff", 2)).AsBytes(), std::string("\0\xff", 2));
    EXPECT_EQ(TVariant(0.1).AsString(), u"0.1");
}

TEST(Variant, FloatTextIsShortestRoundTrip) {
    for (double d : {0.1, 1.1f * 1.0, 1e300, -2.5e-308, std::numeric_limits<double>::max(),
                     std::numeric_limits<double>::denorm_min(), 123456789012345.0}) {
        std::string s = FloatToText(d);
        EXPECT_EQ(std::strtod(s.c_str(), nullptr), d) << s;
        EXPECT_EQ(s.find(','), std::string::npos);
    }
    EXPECT_EQ(FloatToText(0.1), "0.1");
}

}  // namespace
}  // namespace brevant
