// The dataset over the in-memory record store: fields made from descriptors, values
// read in place from every kind of slot, editing through the store's hooks, and the
// large objects of the edit buffer.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <limits>
#include <string>

#include "VectorDataSet.h"
#include "data/Bcd.h"
#include "data/DataErrors.h"
#include "data/TMemDataSet.h"

namespace brevant::test {
namespace {

struct DescDef {
    const char16_t* name;
    TDataType type;
    std::uint32_t length = 0;
    int scale = 0;
};

// A memory dataset whose store is filled afresh at every open.
class StoreDataSet : public TMemDataSet {
public:
    std::vector<DescDef> Descs;
    std::function<void(TMemData&)> Fill;
    std::function<void(TFieldDesc&)> Adjust;
    std::function<void()> OnUpdate, OnAppend, OnDelete;
    bool RequiredFields = false;
    int Updates = 0, Appends = 0, Deletes = 0;

    ~StoreDataSet() override { Close(); }

protected:
    void OpenData() override {
        TMemData& data = Data();
        data.Fields().clear();
        for (const DescDef& s : Descs) {
            auto d = std::make_unique<TFieldDesc>();
            d->Name = s.name;
            d->DataType = s.type;
            d->Length = s.length;
            d->Scale = s.scale;
            d->FieldNo = static_cast<std::uint16_t>(data.Fields().size() + 1);
            d->ActualFieldNo = d->FieldNo - 1;
            if (Adjust) Adjust(*d);
            data.Fields().push_back(std::move(d));
        }
        data.InitFields();
        data.InitData();
        if (Fill) Fill(data);
    }
    bool RequiredFieldsOption() const override { return RequiredFields; }
    void PerformUpdate() override { ++Updates; if (OnUpdate) OnUpdate(); }
    void PerformAppend() override { ++Appends; if (OnAppend) OnAppend(); }
    void PerformDelete() override { ++Deletes; if (OnDelete) OnDelete(); }
};

// Appends one record whose fields are given as variants (Null to leave NULL).
void AppendRow(TMemData& data, std::initializer_list<TVariant> values) {
    std::byte* buf = data.AllocRecBuf();
    int i = 0;
    for (const TVariant& v : values) {
        if (!v.IsNull()) data.PutDataAsVariant(data.Field(i), buf, v);
        ++i;
    }
    data.AppendRecord(buf);
    std::free(buf);  // its values now belong to the store
}

TEST(MemDataSetFields, MadeFromDescriptorsWithTheirSizes) {
    struct Case {
        DescDef def;
        TFieldType kind;
        int size, precision;
    } cases[] = {
        {{u"s", dtString, 20}, ftString, 20, 0},
        {{u"s0", dtExtString, 0}, ftString, 1, 0},
        {{u"w", dtExtWideString, 65530}, ftWideString, 65530, 0},
        {{u"g", dtGuid, 38}, ftGuid, 38, 0},
        {{u"b", dtVarBytes, 16}, ftVarBytes, 16, 0},
        {{u"xb", dtExtVarBytes, 300}, ftVarBytes, 300, 0},
        {{u"i", dtInt32, 11}, ftInteger, 0, 11},
        {{u"u", dtUInt64, 20}, ftLargeUInt, 0, 20},
        {{u"f", dtFloat, 22, 31}, ftFloat, 0, 22},
        {{u"bcd", dtBCD, 10, 2}, ftBCD, 2, 10},
        {{u"fmt", dtFMTBCD, 30, 5}, ftFMTBcd, 5, 30},
        {{u"d", dtDateTime, 19}, ftDateTime, 0, 0},
        {{u"bool", dtBoolean, 1}, ftBoolean, 0, 0},
        {{u"m", dtWideMemo, 0}, ftWideMemo, 0, 0},
    };
    StoreDataSet ds;
    for (const auto& c : cases) ds.Descs.push_back(c.def);
    ds.Open();
    ASSERT_EQ(ds.FieldCount(), static_cast<int>(std::size(cases)));
    for (int i = 0; i < ds.FieldCount(); ++i) {
        const Case& c = cases[i];
        TField& f = ds.Fields()[i];
        SCOPED_TRACE(Narrow(c.def.name));
        EXPECT_EQ(f.FieldName(), c.def.name);
        EXPECT_EQ(f.DataType(), c.kind);
        EXPECT_EQ(f.Size(), c.size);
        EXPECT_EQ(f.Precision(), c.precision);
        EXPECT_EQ(f.FieldNo(), i + 1);
    }
}

TEST(MemDataSetFields, MarksComeFromTheDescriptor) {
    StoreDataSet ds;
    ds.Descs = {{u"id", dtInt32}, {u"code", dtString, 5}, {u"note", dtString, 5}};
    ds.Adjust = [](TFieldDesc& d) {
        d.Required = d.Name != u"note";
        d.IsAutoIncrement = d.Name == u"id";
        d.Fixed = d.Name == u"code";
        d.ReadOnly = d.Name == u"note";
    };
    ds.Open();
    EXPECT_EQ(ds.FieldByName(u"id").AutoGenerateValue(), arAutoInc);
    EXPECT_TRUE(ds.FieldByName(u"code").FixedChar());
    EXPECT_TRUE(ds.FieldByName(u"note").ReadOnly());
    EXPECT_FALSE(ds.FieldByName(u"code").Required()) << "required only with the option";
    ds.Close();
    ds.RequiredFields = true;
    ds.Open();
    EXPECT_TRUE(ds.FieldByName(u"code").Required());
    EXPECT_FALSE(ds.FieldByName(u"note").Required());
}

TEST(MemDataSetFields, TypeWithoutAFieldKindFailsTheOpen) {
    for (TDataType t : {dtXML, dtFixedChar}) {
        StoreDataSet ds;
        ds.Descs = {{u"ok", dtInt32}, {u"bad", t}};
        EXPECT_EQ(ErrorOf([&] { ds.Open(); }), "Unknown data type");
        EXPECT_FALSE(ds.Active());
        EXPECT_EQ(ds.FieldCount(), 0);
    }
}

// One row of every kind of slot the MySQL path produces, then a row of NULLs.
struct AllSlots : ::testing::Test {
    StoreDataSet ds;
    void SetUp() override {
        ds.Descs = {{u"i8", dtInt8},        {u"u16", dtUInt16},       {u"i32", dtInt32},      {u"u32", dtUInt32},
                    {u"i64", dtInt64},      {u"u64", dtUInt64},       {u"f", dtFloat},        {u"bcd", dtBCD, 10, 4},
                    {u"fmt", dtFMTBCD, 20, 3}, {u"d", dtDate},        {u"t", dtTime},         {u"dt", dtDateTime},
                    {u"b", dtBoolean},      {u"s", dtString, 10},     {u"xs", dtExtString, 40}, {u"w", dtWideString, 10},
                    {u"xw", dtExtWideString, 40}, {u"vb", dtVarBytes, 4}, {u"xvb", dtExtVarBytes, 40},
                    {u"blob", dtBlob},      {u"memo", dtWideMemo}};
        ds.Fill = [](TMemData& data) {
            TDateTime d = 45351, t = 0.75;
            AppendRow(data, {TVariant(-5), TVariant(65535), TVariant(-2147483647 - 1), TVariant(4294967295u),
                             TVariant(std::numeric_limits<long long>::min()), TVariant(~0ULL), TVariant(0.1),
                             TVariant::FromDecimal("-12.3456"), TVariant::FromDecimal("123456789012345.678"),
                             TVariant::FromDateTime(d), TVariant::FromDateTime(t), TVariant::FromDateTime(d + t),
                             TVariant(true), TVariant(u"short"), TVariant(UString(u"a string longer than thirty-two chars")),
                             TVariant(u"añejo"), TVariant(UString(u"€ outside the record, thirty-two+")),
                             TVariant::FromBytes(std::string("\0\1\2", 3)), TVariant::FromBytes("bytes out"),
                             TVariant::FromBytes("blob"), TVariant(u"memo ñ")});
            std::byte* buf = data.AllocRecBuf();
            data.AppendRecord(buf);
            std::free(buf);
        };
        ds.Open();
    }
};

TEST_F(AllSlots, ValuesReadInPlace) {
    struct Case {
        const char16_t* field;
        const char16_t* text;
    } cases[] = {
        {u"i8", u"-5"}, {u"u16", u"65535"}, {u"i32", u"-2147483648"}, {u"u32", u"4294967295"},
        {u"i64", u"-9223372036854775808"}, {u"u64", u"18446744073709551615"}, {u"f", u"0.1"},
        {u"bcd", u"-12.3456"}, {u"fmt", u"123456789012345.678"}, {u"d", u"2024-02-29"}, {u"t", u"18:00:00"},
        {u"dt", u"2024-02-29 18:00:00"}, {u"b", u"True"}, {u"s", u"short"},
        {u"xs", u"a string longer than thirty-two chars"}, {u"w", u"añejo"},
        {u"xw", u"€ outside the record, thirty-two+"}, {u"vb", u"\x00\x01\x02"}, {u"xvb", u"bytes out"},
        {u"blob", u"blob"}, {u"memo", u"memo ñ"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Narrow(c.field));
        TField& f = ds.FieldByName(c.field);
        EXPECT_FALSE(f.IsNull());
        EXPECT_EQ(f.AsString(), UString(c.text, std::char_traits<char16_t>::length(c.text) + (c.field == UString(u"vb") ? 3 : 0)));
    }
    EXPECT_EQ(ds.FieldByName(u"u64").AsVariant(), TVariant(~0ULL));
    EXPECT_EQ(ds.FieldByName(u"vb").AsBytes(), std::string("\0\1\2", 3));
    EXPECT_EQ(ds.FieldByName(u"memo").DisplayText(), u"(WIDEMEMO)");
    ds.Next();
    for (int i = 0; i < ds.FieldCount(); ++i) {
        SCOPED_TRACE(Narrow(ds.Fields()[i].FieldName()));
        EXPECT_TRUE(ds.Fields()[i].IsNull());
    }
}

TEST_F(AllSlots, ValuesWrittenReadBack) {
    ds.Edit();
    struct Case {
        const char16_t* field;
        const char16_t* written;
        const char16_t* read;
    } cases[] = {
        {u"i8", u"-128", u"-128"}, {u"u32", u"4000000000", u"4000000000"}, {u"u64", u"18446744073709551614", u"18446744073709551614"},
        {u"bcd", u"1.23456", u"1.2346"}, {u"fmt", u"-0.5", u"-0.500"}, {u"dt", u"1850-01-02 03:04:05", u"1850-01-02 03:04:05"},
        {u"b", u"false", u"False"}, {u"s", u"0123456789xyz", u"0123456789"}, {u"xs", u"x", u"x"},
        {u"w", u"ñ", u"ñ"}, {u"xw", u"€", u"€"}, {u"memo", u"nuevo", u"nuevo"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Narrow(c.field));
        ds.FieldByName(c.field).SetAsString(c.written);
    }
    ds.Post();
    EXPECT_EQ(ds.Updates, 1);
    ds.Next();
    ds.Prior();  // read back from the store, not the edit buffer
    for (const auto& c : cases) {
        SCOPED_TRACE(Narrow(c.field));
        EXPECT_EQ(ds.FieldByName(c.field).AsString(), c.read);
    }
}

struct Rows : ::testing::Test {
    StoreDataSet ds;
    int scrolls = 0;
    void SetUp() override {
        ds.Descs = {{u"id", dtInt32}, {u"name", dtExtString, 40}, {u"doc", dtBlob}};
        ds.Fill = [](TMemData& data) {
            for (int i = 1; i <= 60; ++i)
                AppendRow(data, {TVariant(i), TVariant(u"name number " + IntToStr(i) + u" stored outside"),
                                 i == 2 ? TVariant() : TVariant::FromBytes("doc " + std::to_string(i))});
        };
        ds.AfterScroll = [this](TDataSet&) { ++scrolls; };
        ds.Open();
    }
    int Id() { return ds.FieldByName(u"id").AsInteger(); }
};

TEST_F(Rows, NavigationAndReadingRowN) {
    EXPECT_EQ(ds.RecordCount(), 60);
    EXPECT_EQ(ds.RecNo(), 1);
    EXPECT_EQ(scrolls, 1);
    ds.Last();
    EXPECT_EQ(ds.RecNo(), 60);
    EXPECT_EQ(Id(), 60);
    ds.SetRecNo(30);
    EXPECT_EQ(Id(), 30);
    ds.SetRecNo(61);
    EXPECT_EQ(Id(), 30);
    ds.MoveBy(-29);
    EXPECT_EQ(ds.RecNo(), 1);
    TFieldValue v;
    ASSERT_TRUE(ds.GetFieldValueAt(60, ds.FieldByName(u"name"), v));
    EXPECT_EQ(v.Bytes, "name number 60 stored outside");
    ASSERT_TRUE(ds.GetFieldValueAt(59, ds.FieldByName(u"doc"), v));
    EXPECT_EQ(ds.FieldByName(u"doc").TextOf(v, false), u"doc 59");
    EXPECT_FALSE(ds.GetFieldValueAt(61, ds.FieldByName(u"id"), v));
    EXPECT_EQ(ds.RecNo(), 1);
}

TEST_F(Rows, EditGoesThroughTheUpdateHookAndAFailureChangesNothing) {
    ds.SetRecNo(5);
    ds.Edit();
    ds.FieldByName(u"name").SetAsString(u"changed name, also long enough to live outside");
    ds.OnUpdate = [] { throw EDatabaseError(std::string_view("Update failed. Found 0 records")); };
    EXPECT_EQ(ErrorOf([&] { ds.Post(); }), "Update failed. Found 0 records");
    EXPECT_EQ(ds.State(), dsEdit);
    ds.Cancel();
    EXPECT_EQ(ds.FieldByName(u"name").AsString(), u"name number 5 stored outside");
    ds.OnUpdate = nullptr;
    ds.Edit();
    ds.FieldByName(u"name").SetAsString(u"changed");
    ds.Post();
    EXPECT_EQ(ds.Updates, 2);
    ds.First();
    ds.SetRecNo(5);
    EXPECT_EQ(ds.FieldByName(u"name").AsString(), u"changed");
}

TEST_F(Rows, InsertAppendAndDeleteRenumber) {
    ds.SetRecNo(8);
    ds.Insert();
    EXPECT_EQ(ds.RecNo(), 0);
    ds.FieldByName(u"id").SetAsInteger(100);
    ds.Post();
    EXPECT_EQ(ds.Appends, 1);
    EXPECT_EQ(ds.RecNo(), 8);
    EXPECT_EQ(Id(), 100);
    ds.Next();
    EXPECT_EQ(ds.RecNo(), 9);
    EXPECT_EQ(Id(), 8);
    ds.Append();
    ds.FieldByName(u"id").SetAsInteger(200);
    ds.OnAppend = [] { throw EDatabaseError(std::string_view("refused")); };
    EXPECT_EQ(ErrorOf([&] { ds.Post(); }), "refused");
    EXPECT_EQ(ds.RecordCount(), 61);
    ds.OnAppend = nullptr;
    ds.Post();
    EXPECT_EQ(ds.RecNo(), 62);
    ds.SetRecNo(2);
    ds.Delete();
    EXPECT_EQ(ds.Deletes, 1);
    EXPECT_EQ(ds.RecordCount(), 61);
    EXPECT_EQ(ds.RecNo(), 2);
    EXPECT_EQ(Id(), 3);
    ds.Last();
    ds.Delete();
    EXPECT_EQ(ds.RecNo(), 60);
    EXPECT_EQ(Id(), 60);
    TFieldValue v;
    ASSERT_TRUE(ds.GetFieldValueAt(7, ds.FieldByName(u"id"), v));
    EXPECT_EQ(v.Int, 100) << "row N follows inserts and deletes";
}

TEST_F(Rows, BlobStreamsOnTheEditBuffer) {
    TField& doc = ds.FieldByName(u"doc");
    ds.Edit();
    {
        auto s = ds.CreateBlobStream(doc, bmWrite);
        EXPECT_EQ(s->Size(), 0);
        s->Write("replaced", 8);
    }
    EXPECT_EQ(doc.AsString(), u"replaced");
    ds.Cancel();
    EXPECT_EQ(doc.AsString(), u"doc 1");
    ds.Next();
    ASSERT_TRUE(doc.IsNull());
    ds.Edit();
    ds.CreateBlobStream(doc, bmWrite)->Write("loaded", 6);
    EXPECT_FALSE(doc.IsNull()) << "content makes a NULL large object a value";
    ds.Post();
    EXPECT_EQ(doc.AsString(), u"loaded");
    EXPECT_EQ(ds.CreateBlobStream(doc, bmRead)->ReadAll(), "loaded");
}

}  // namespace
}  // namespace brevant::test
