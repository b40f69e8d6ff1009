#include <gtest/gtest.h>

#include "core/Errors.h"
#include "core/Format.h"

using namespace brevant;

TEST(Format, SystemTexts) {
    EXPECT_EQ(Format(u"Unable to write to %s", {u"/tmp/brevant.ini"}), u"Unable to write to /tmp/brevant.ini");
    EXPECT_EQ(Format(u"Update failed. Found %d records", {2}), u"Update failed. Found 2 records");
    EXPECT_EQ(Format(u"$%.4X  '%s'", {0xc, u"\f"}), u"$000C  '\f'");
    EXPECT_EQ(Format(u"%d%%", {-5}), u"-5%");
    EXPECT_EQ(Format(u"[%5s|%-3d|%03u]", {"ab", 7, 4u}), u"[   ab|7  |004]");
    EXPECT_EQ(Format(u"%x", {255}), u"ff");
    EXPECT_EQ(FormatUtf8("%s=%d", {"conexi\xc3\xb3n", 1ll}), "conexi\xc3\xb3n=1");
}

TEST(Format, BadDirectivesRaiseConvertErrors) {
    EXPECT_THROW(Format(u"%d", {}), EConvertError);
    EXPECT_THROW(Format(u"%d", {u"text"}), EConvertError);
    EXPECT_THROW(Format(u"%s", {3}), EConvertError);
    EXPECT_THROW(Format(u"100%", {}), EConvertError);
    EXPECT_THROW(Format(u"%q", {1}), EConvertError);
}
