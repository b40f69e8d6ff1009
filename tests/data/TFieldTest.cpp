#include <gtest/gtest.h>

#include <cmath>

#include "VectorDataSet.h"
#include "core/Errors.h"
#include "data/FieldText.h"
#include "mysql/client/DAErrors.h"

namespace brevant::test {
namespace {

// One field of each kind over a single row, opened and in edit state.
struct Kinds : ::testing::Test {
    VectorDataSet ds{{{u"s", ftString, 5},
                      {u"w", ftWideString, 4},
                      {u"i8", ftShortint},
                      {u"w16", ftWord},
                      {u"i", ftInteger},
                      {u"big", ftLargeint},
                      {u"f", ftFloat},
                      {u"sg", ftSingle},
                      {u"bcd", ftFMTBcd, 2},
                      {u"b", ftBoolean},
                      {u"d", ftDate},
                      {u"t", ftTime},
                      {u"dt", ftDateTime},
                      {u"bytes", ftVarBytes, 3},
                      {u"memo", ftWideMemo}}};
    void SetUp() override {
        ds.AddRow({});
        ds.Open();
        ds.Edit();
    }
    TField& F(const char16_t* name) { return ds.FieldByName(name); }
};

TEST_F(Kinds, NullReadsAsEmptyValues) {
    for (int i = 0; i < ds.FieldCount(); ++i) {
        TField& f = ds.Fields()[i];
        SCOPED_TRACE(Narrow(f.FieldName()));
        EXPECT_TRUE(f.IsNull());
        EXPECT_EQ(f.AsString(), u"");
        EXPECT_TRUE(f.AsVariant().IsNull());
        if (!f.IsBlob()) EXPECT_EQ(f.DisplayText(), u"");
    }
    EXPECT_EQ(F(u"i").AsInteger(), 0);
    EXPECT_EQ(F(u"f").AsFloat(), 0);
    EXPECT_FALSE(F(u"b").AsBoolean());
    EXPECT_EQ(F(u"memo").DisplayText(), u"(WideMemo)");
}

TEST_F(Kinds, SettersAndReadersByKind) {
    struct Case {
        const char16_t* field;
        std::function<void(TField&)> set;
        const char16_t* asString;
        TVariant asVariant;
    } cases[] = {
        {u"s", [](TField& f) { f.SetAsString(u"abcdefgh"); }, u"abcde", TVariant(u"abcde")},
        {u"s", [](TField& f) { f.SetAsInteger(-42); }, u"-42", TVariant(u"-42")},
        {u"w", [](TField& f) { f.SetAsString(u"ñandú!"); }, u"ñand", TVariant(u"ñand")},
        {u"i8", [](TField& f) { f.SetAsString(u" -128 "); }, u"-128", TVariant(-128)},
        {u"w16", [](TField& f) { f.SetAsFloat(65534.6); }, u"65535", TVariant(65535)},
        {u"i", [](TField& f) { f.SetAsBoolean(true); }, u"1", TVariant(1)},
        {u"big", [](TField& f) { f.SetAsLargeInt(9007199254740993LL); }, u"9007199254740993",
         TVariant(9007199254740993LL)},
        {u"big", [](TField& f) { f.SetAsVariant(TVariant(u"-5")); }, u"-5", TVariant(-5)},
        {u"f", [](TField& f) { f.SetAsString(u"1.5e3"); }, u"1500", TVariant(1500.0)},
        {u"f", [](TField& f) { f.SetAsFloat(0.1); }, u"0.1", TVariant(0.1)},
        {u"sg", [](TField& f) { f.SetAsFloat(0.1); }, u"0.1", TVariant(0.1)},
        {u"bcd", [](TField& f) { f.SetAsString(u"-0012.500"); }, u"-12.5", TVariant::FromDecimal("-12.5")},
        {u"bcd", [](TField& f) { f.SetAsFloat(2.675); }, u"2.67", TVariant::FromDecimal("2.67")},
        {u"b", [](TField& f) { f.SetAsString(u"fa"); }, u"False", TVariant(false)},
        {u"b", [](TField& f) { f.SetAsInteger(3); }, u"True", TVariant(true)},
        {u"d", [](TField& f) { f.SetAsString(u"2024-02-29 13:00:00"); }, u"2024-02-29",
         TVariant::FromDateTime(45351)},
        {u"t", [](TField& f) { f.SetAsDateTime(45351.5); }, u"12:00:00", TVariant::FromDateTime(0.5)},
        {u"dt", [](TField& f) { f.SetAsString(u"1899-12-29T06:00:00.250"); }, u"1899-12-29 06:00:00.250",
         TVariant::FromDateTime(-1.25000289351851851)},
        {u"bytes", [](TField& f) { f.SetAsBytes(std::string("\x01\x02\x03\x04", 4)); }, u"\x01\x02\x03",
         TVariant::FromBytes(std::string("\x01\x02\x03"))},
    };
    for (const auto& c : cases) {
        TField& f = F(c.field);
        SCOPED_TRACE(Narrow(c.field) + " -> " + Narrow(c.asString));
        c.set(f);
        EXPECT_FALSE(f.IsNull());
        EXPECT_EQ(f.AsString(), c.asString);
        EXPECT_EQ(f.DisplayText(), c.asString);
        TVariant v = f.AsVariant();
        if (v.Kind() == TVariantKind::Double || v.Kind() == TVariantKind::DateTime) {
            EXPECT_NEAR(v.AsDouble(), c.asVariant.AsDouble(), 1e-7);
        } else {
            EXPECT_EQ(v, c.asVariant);
        }
    }
}

TEST_F(Kinds, NumericConversions) {
    F(u"s").SetAsString(u"12");
    EXPECT_EQ(F(u"s").AsInteger(), 12);
    EXPECT_EQ(F(u"s").AsFloat(), 12);
    F(u"f").SetAsFloat(2.5);
    EXPECT_EQ(F(u"f").AsInteger(), 3);
    F(u"bcd").SetAsString(u"-123456789012345678.99");
    EXPECT_EQ(F(u"bcd").AsLargeInt(), -123456789012345678LL);
    F(u"big").SetAsLargeInt(1LL << 40);
    EXPECT_EQ(F(u"big").AsFloat(), std::ldexp(1.0, 40));
}

TEST_F(Kinds, BadWritesFailWithTheirMessages) {
    struct Case {
        const char* name;
        std::function<void()> write;
        const char* message;
    } cases[] = {
        {"tiny out of range", [&] { F(u"i8").SetAsInteger(128); },
         "128 is not a valid value for field 'i8'. The allowed range is -128 to 127"},
        {"word below zero", [&] { F(u"w16").SetAsInteger(-1); },
         "-1 is not a valid value for field 'w16'. The allowed range is 0 to 65535"},
        {"integer text", [&] { F(u"i").SetAsString(u"12a"); }, "'12a' is not a valid integer value"},
        {"float with comma", [&] { F(u"f").SetAsString(u"12,5"); }, "'12,5' is not a valid floating point value"},
        {"boolean text", [&] { F(u"b").SetAsString(u"si"); }, "'si' is not a valid boolean value"},
        {"date text", [&] { F(u"d").SetAsString(u"2024-02-30"); }, "'2024-02-30' is not a valid date and time"},
        {"bcd text", [&] { F(u"bcd").SetAsString(u"1.2.3"); }, "'1.2.3' is not a valid BCD value"},
        {"date as boolean", [&] { F(u"d").SetAsBoolean(true); }, "Cannot access field 'd' as type Boolean"},
        {"bytes as float", [&] { F(u"bytes").SetAsFloat(1); }, "Cannot access field 'bytes' as type Float"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ErrorOf(c.write), c.message);
    }
    F(u"s").SetAsString(u"x");
    EXPECT_EQ(ErrorOf([&] { F(u"s").AsInteger(); }), "'x' is not a valid integer value");
    F(u"big").SetAsLargeInt(1LL << 40);
    EXPECT_EQ(ErrorOf([&] { F(u"big").AsInteger(); }), "'1099511627776' is not a valid integer value");
}

TEST_F(Kinds, EmptyTextClearsANumber) {
    F(u"i").SetAsInteger(5);
    F(u"i").SetAsString(u"  ");
    EXPECT_TRUE(F(u"i").IsNull());
    F(u"f").SetAsFloat(1);
    F(u"f").SetAsVariant(TVariant::Null());
    EXPECT_TRUE(F(u"f").IsNull());
}

TEST_F(Kinds, WideMemoHoldsUtf16AndShowsItsKind) {
    TField& memo = F(u"memo");
    memo.SetAsString(u"añejo");
    EXPECT_EQ(memo.AsString(), u"añejo");
    EXPECT_EQ(memo.AsBytes().size(), 10u);
    EXPECT_EQ(memo.DisplayText(), u"(WIDEMEMO)");
    EXPECT_EQ(memo.Text(), u"añejo");
    EXPECT_EQ(memo.AsVariant(), TVariant(u"añejo"));
}

TEST(FieldList, LookupByNameAndUnsupportedKind) {
    VectorDataSet ds({{u"Id", ftInteger}, {u"Name", ftString, 3}});
    ds.Open();
    EXPECT_EQ(ds.FindField(u"name"), &ds.Fields()[1]);
    EXPECT_EQ(ds.Fields()[1].Index(), 1);
    EXPECT_EQ(ds.Fields()[1].FieldNo(), 2);
    EXPECT_EQ(ds.FindField(u"other"), nullptr);
    EXPECT_EQ(ErrorOf([&] { ds.FieldByName(u"other"); }), "Field 'other' not found");
    VectorDataSet bad({{u"x", ftUnknown}});
    EXPECT_EQ(ErrorOf([&] { bad.Open(); }), "Data type is not supported");
    EXPECT_EQ(bad.FieldCount(), 0);
    EXPECT_FALSE(bad.Active());
}

TEST(FieldText, DateTimeTextRoundTrips) {
    struct Case {
        const char16_t* text;
        TDateTimeTextKind kind;
        const char16_t* shown;
    } cases[] = {
        {u"2024-01-31", TDateTimeTextKind::Date, u"2024-01-31"},
        {u"0100-01-01", TDateTimeTextKind::Date, u"0100-01-01"},
        {u"23:59:59.999", TDateTimeTextKind::Time, u"23:59:59.999"},
        {u"07:05", TDateTimeTextKind::Time, u"07:05:00"},
        {u"1850-06-01 18:30:00", TDateTimeTextKind::DateTime, u"1850-06-01 18:30:00"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Narrow(c.text));
        TDateTime v = 0;
        ASSERT_TRUE(TryTextToDateTime(c.text, v));
        EXPECT_EQ(DateTimeToText(v, c.kind), c.shown);
    }
    for (const char16_t* bad : {u"2024-13-01", u"24:00", u"12:3", u"2024-01-01 x", u"12:00:00.", u"fecha"}) {
        TDateTime v = 0;
        EXPECT_FALSE(TryTextToDateTime(bad, v)) << Narrow(bad);
    }
}

}  // namespace
}  // namespace brevant::test
