#include <gtest/gtest.h>

#include "core/CodePage.h"
#include "core/Text.h"

using namespace brevant;

TEST(Utf8, RoundTripsEveryPlane) {
    const UString text = u"Conexi\u00f3n \u20ac \U0001F600 a";
    EXPECT_EQ(Utf16ToUtf8(text), "Conexi\xc3\xb3n \xe2\x82\xac \xf0\x9f\x98\x80 a");
    EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(text)), text);
}

TEST(Utf8, MalformedInputBecomesReplacementCharacters) {
    struct Case { const char* name; std::string in; UString out; } cases[] = {
        {"lone continuation", "a\x80z", u"a\uFFFDz"},
        {"truncated at end", "a\xe2\x82", u"a\uFFFD"},
        {"missing continuation", "\xe2\x28\xa1", u"\uFFFD(\uFFFD"},
        {"overlong", "\xc0\xaf", u"\uFFFD"},
        {"surrogate encoded", "\xed\xa0\x80", u"\uFFFD"},
        {"invalid lead", "\xff", u"\uFFFD"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Utf8ToUtf16(c.in), c.out);
        UString buffer(c.in.size(), u'#');
        buffer.resize(Utf8ToUtf16(c.in, buffer.data()));
        EXPECT_EQ(buffer, c.out);
        EXPECT_FALSE(IsValidUtf8(c.in));
    }
    EXPECT_EQ(Utf16ToUtf8(u"\xD800x"), "\xef\xbf\xbdx");
}

TEST(Utf8, ValidTextIsRecognised) {
    EXPECT_TRUE(IsValidUtf8(""));
    EXPECT_TRUE(IsValidUtf8("plain"));
    EXPECT_TRUE(IsValidUtf8("Conexi\xc3\xb3n \xe2\x82\xac \xf0\x9f\x98\x80"));
    EXPECT_TRUE(IsValidUtf8("\xf4\x8f\xbf\xbf"));   // U+10FFFF, the last code point
    EXPECT_FALSE(IsValidUtf8("\xf4\x90\x80\x80"));  // one past it
    EXPECT_FALSE(IsValidUtf8("Conexi\xf3n"));         // Windows-1252, not UTF-8
}

TEST(CodePage1252, EveryByteRoundTrips) {
    CodePageConverter cp(1252);
    std::string all;
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
    UString wide = cp.ToUtf16(all);
    ASSERT_EQ(wide.size(), 256u);
    EXPECT_EQ(wide[0x80], u'\u20AC');
    EXPECT_EQ(wide[0xF3], u'\u00F3');
    for (int undefinedByte : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) EXPECT_EQ(wide[undefinedByte], undefinedByte);
    EXPECT_EQ(cp.FromUtf16(wide), all);
    EXPECT_EQ(cp.FromUtf16(u"\u4e2d\U0001F600"), "??");
}

TEST(CodePage, MultiByteGoesThroughIconv) {
    CodePageConverter cp(932);
    EXPECT_FALSE(cp.IsSingleByte());
    UString text = u"\u65e5\u672c";
    EXPECT_EQ(cp.ToUtf16(cp.FromUtf16(text)), text);
}

TEST(Text, StrToIntAcceptsDecimalAndBothHexForms) {
    struct Case { UString in; bool ok; int value; } cases[] = {
        {u"2", true, 2},      {u" 7 ", true, 7},   {u"-1", true, -1},  {u"$1F", true, 31},
        {u"0x10", true, 16},  {u"0X0a", true, 10}, {u"$FFFFFFFF", true, -1},
        {u"abc", false, 0},   {u"", false, 0},     {u"1.5", false, 0}, {u"$", false, 0},
        {u"99999999999", false, 0}, {u"2147483647", true, 2147483647}, {u"-2147483648", true, INT32_MIN},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Utf16ToUtf8(c.in));
        int v = 0;
        EXPECT_EQ(TryStrToInt(c.in, v), c.ok);
        if (c.ok) {
            EXPECT_EQ(v, c.value);
        }
    }
}

TEST(Text, TrimAndCaseHelpers) {
    EXPECT_EQ(Trim(u" \t a b \r\n"), u"a b");
    EXPECT_TRUE(SameTextAscii(u"SeTuP", u"setup"));
    EXPECT_FALSE(SameTextAscii(u"setup", u"setup2"));
    EXPECT_EQ(UpperCaseAscii(u"select \u00f1"), u"SELECT \u00f1");
}
