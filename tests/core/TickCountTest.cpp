#include <gtest/gtest.h>

#include "core/TickCount.h"

using namespace brevant;

TEST(TickCount, ElapsedSecondsTruncatesAndSurvivesTheWrap) {
    struct Case { std::uint32_t t0, t1, seconds; } cases[] = {
        {1000, 1999, 0}, {0, 1999, 1}, {5, 2005, 2}, {0xFFFFFF00u, 0x00000300u, 1}, {0xFFFFFFFFu, 999, 1},
    };
    for (const auto& c : cases) EXPECT_EQ(ElapsedSeconds(c.t0, c.t1), c.seconds) << c.t0 << " " << c.t1;
}

TEST(TickCount, IsMonotonic) {
    std::uint32_t a = GetTickCount();
    std::uint32_t b = GetTickCount();
    EXPECT_LT(static_cast<std::uint32_t>(b - a), 1000u);
}
