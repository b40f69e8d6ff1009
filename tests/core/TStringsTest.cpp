#include <gtest/gtest.h>

#include "core/TStrings.h"

using namespace brevant;

TEST(TStrings, TextJoinsWithCrLfAndSplitsEveryLineBreak) {
    TStrings s;
    s.SetText(u"a\r\nb\nc\rd");
    ASSERT_EQ(s.Count(), 4u);
    EXPECT_EQ(s[3], u"d");
    EXPECT_EQ(s.Text(), u"a\r\nb\r\nc\r\nd\r\n");
    s.SetText(u"x\r\n\r\n");
    EXPECT_EQ(s.Count(), 2u);
    EXPECT_EQ(s[1], u"");
    s.SetText(u"");
    EXPECT_TRUE(s.Empty());
}
