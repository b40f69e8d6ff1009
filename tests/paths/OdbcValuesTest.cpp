#include "paths/OdbcValues.h"

#include <gtest/gtest.h>

namespace brevant {
namespace {

TEST(OdbcValues, DateTimesAsTheDriversWriteThem) {
    struct Case {
        const char* text;
        bool ok;
        int y, mo, d, h, mi, s, ms;
    } cases[] = {
        {"1994-11-16 00:00:00", true, 1994, 11, 16, 0, 0, 0, 0},
        {"2020-02-29", true, 2020, 2, 29, 0, 0, 0, 0},
        {"2020-01-01T23:59:58.5", true, 2020, 1, 1, 23, 59, 58, 500},
        {"1899-12-29 06:00:00", true, 1899, 12, 29, 6, 0, 0, 0},
        {"2019-02-29", false, 0, 0, 0, 0, 0, 0, 0},
        {"2020-01-01 24:00:00", false, 0, 0, 0, 0, 0, 0, 0},
        {"2020-01-01 10:00", false, 0, 0, 0, 0, 0, 0, 0},
        {"2020-01-01 10:00:00.", false, 0, 0, 0, 0, 0, 0, 0},
        {"2020-01-01x", false, 0, 0, 0, 0, 0, 0, 0},
        {"", false, 0, 0, 0, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        TDateTime value = 0;
        ASSERT_EQ(ParseOdbcDateTime(c.text, value), c.ok) << c.text;
        if (!c.ok) continue;
        TDateParts date;
        TTimeParts time;
        DecodeDateTime(value, date, time);
        EXPECT_EQ((std::vector<int>{date.Year, date.Month, date.Day, time.Hour, time.Minute, time.Second, time.MSec}),
                  (std::vector<int>{c.y, c.mo, c.d, c.h, c.mi, c.s, c.ms}))
            << c.text;
    }
    TDateTime t = 0;
    ASSERT_TRUE(ParseOdbcDateTime("12:30:00", t));
    EXPECT_DOUBLE_EQ(t, 0.5 + 30.0 / 1440);
}

TEST(OdbcValues, NumbersAndBooleans) {
    std::int64_t i = 0;
    EXPECT_TRUE(ParseOdbcInteger("-9223372036854775808", i));
    EXPECT_EQ(i, INT64_MIN);
    for (const char* bad : {"", "9223372036854775808", "1.5", " 1", "1x"}) EXPECT_FALSE(ParseOdbcInteger(bad, i)) << bad;
    double d = 0;
    EXPECT_TRUE(ParseOdbcFloat("1e+300", d));
    EXPECT_FALSE(ParseOdbcFloat("1,5", d));  // never the locale's comma
    bool b = false;
    EXPECT_TRUE(ParseOdbcBoolean("-1", b) && b);
    EXPECT_TRUE(ParseOdbcBoolean("0", b) && !b);
    EXPECT_FALSE(ParseOdbcBoolean("2", b));
}

}  // namespace
}  // namespace brevant
