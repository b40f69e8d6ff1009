#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <unistd.h>

#include "VectorDataSet.h"
#include "data/TDataSource.h"
#include "mysql/client/DAErrors.h"

namespace brevant::test {
namespace {

struct Blobs : ::testing::Test {
    VectorDataSet ds{{{u"id", ftInteger}, {u"doc", ftBlob}, {u"ro", ftBlob, 0, true}, {u"memo", ftWideMemo}}};
    void SetUp() override {
        ds.AddRow({"1", "hello world", "fixed", "text"});
        ds.AddRow({"2", "", "", ""});
        ds.Open();
    }
    TField& Doc() { return ds.FieldByName(u"doc"); }
    std::string TempPath(const char* name) {
        return (::testing::TempDir() + "/" + name + std::to_string(::getpid()));
    }
};

TEST_F(Blobs, ReadStreamSeeksAndReads) {
    auto s = ds.CreateBlobStream(Doc(), bmRead);
    EXPECT_EQ(s->Size(), 11);
    s->Seek(6, soBeginning);
    EXPECT_EQ(s->ReadAll(), "world");
    s->Seek(-5, soEnd);
    char buf[3];
    EXPECT_EQ(s->Read(buf, 3), 3u);
    EXPECT_EQ(std::string(buf, 3), "wor");
    EXPECT_EQ(s->Position(), 9);
    EXPECT_EQ(s->Write("x", 1), 0u) << "a read stream writes nothing";
    s->Seek(100, soBeginning);
    EXPECT_EQ(s->Read(buf, 3), 0u);
}

TEST_F(Blobs, WriteStreamsNeedEditStateAndAWritableField) {
    EXPECT_EQ(ErrorOf([&] { ds.CreateBlobStream(Doc(), bmWrite); }), "Dataset not in edit or insert mode");
    EXPECT_EQ(ErrorOf([&] { ds.CreateBlobStream(Doc(), bmReadWrite); }), "Dataset not in edit or insert mode");
    ds.Edit();
    EXPECT_EQ(ErrorOf([&] { ds.CreateBlobStream(ds.FieldByName(u"ro"), bmWrite); }), "Field 'ro' cannot be modified");
    EXPECT_EQ(ErrorOf([&] { ds.CreateBlobStream(ds.FieldByName(u"id"), bmRead); }), "Field 'id' is not a BLOB field");
}

TEST_F(Blobs, WriteStreamTruncatesAtOnceAndMarksTheFieldWhenClosed) {
    TDataSource source;
    source.SetDataSet(&ds);
    std::vector<TField*> changed;
    source.OnDataChange = [&](TDataSource&, TField* f) { if (f) changed.push_back(f); };
    ds.Edit();
    auto s = ds.CreateBlobStream(Doc(), bmWrite);
    EXPECT_EQ(s->Size(), 0) << "emptied before anything is written";
    EXPECT_EQ(Doc().AsBytes(), "");
    s->Write("new ", 4);
    s->Write("content", 7);
    EXPECT_FALSE(Doc().Modified());
    EXPECT_TRUE(changed.empty());
    s->Close();
    EXPECT_TRUE(Doc().Modified());
    EXPECT_TRUE(ds.Modified());
    EXPECT_EQ(changed, std::vector<TField*>{&Doc()});
    s.reset();
    EXPECT_EQ(changed.size(), 1u) << "closing twice notifies once";
    EXPECT_EQ(ds.StoredCell(0, 1).Blob.Data, "hello world") << "the store changes at post";
    ds.Post();
    EXPECT_EQ(ds.StoredCell(0, 1).Blob.Data, "new content");
}

TEST_F(Blobs, StreamThatWroteNothingLeavesTheFieldUnmodified) {
    ds.Edit();
    ds.CreateBlobStream(Doc(), bmReadWrite).reset();
    EXPECT_FALSE(Doc().Modified());
    EXPECT_EQ(Doc().AsBytes(), "hello world") << "read-write keeps the content";
    auto s = ds.CreateBlobStream(Doc(), bmReadWrite);
    s->Seek(0, soEnd);
    s->Write("!", 1);
    s.reset();
    EXPECT_EQ(Doc().AsBytes(), "hello world!");
}

TEST_F(Blobs, CancelRestoresTheContent) {
    ds.Edit();
    Doc().SetAsString(u"changed");
    EXPECT_EQ(Doc().AsString(), u"changed");
    ds.Cancel();
    EXPECT_EQ(Doc().AsString(), u"hello world");
}

TEST_F(Blobs, WideMemoStreamsCarryUtf16) {
    ds.Edit();
    TField& memo = ds.FieldByName(u"memo");
    memo.SetAsString(u"€");
    auto s = ds.CreateBlobStream(memo, bmRead);
    EXPECT_EQ(s->ReadAll(), std::string("\xAC\x20", 2));
}

TEST_F(Blobs, LoadFromFileNeedsEditAndMakesANullBlobNonNull) {
    std::string path = TempPath("blob_in");
    std::string payload(100000, 'x');
    payload[70000] = 'y';
    std::ofstream(path, std::ios::binary) << payload;
    ds.Next();
    auto& doc = static_cast<TBlobField&>(Doc());
    ASSERT_TRUE(doc.IsNull());
    EXPECT_EQ(ErrorOf([&] { doc.LoadFromFile(path); }), "Dataset not in edit or insert mode");
    ds.Edit();
    doc.LoadFromFile(path);
    EXPECT_FALSE(doc.IsNull());
    ds.Post();
    EXPECT_EQ(doc.AsBytes(), payload);
    std::string out = TempPath("blob_out");
    doc.SaveToFile(out);
    std::ifstream in(out, std::ios::binary);
    std::string back((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(back, payload);
    EXPECT_EQ(doc.DisplayText(), u"(BLOB)");
    EXPECT_EQ(ErrorOf([&] { ds.Edit(); doc.LoadFromFile(path + ".missing"); }),
              "Cannot open file " + path + ".missing");
    std::remove(path.c_str());
    std::remove(out.c_str());
}

TEST_F(Blobs, ClearSetsNull) {
    ds.Edit();
    Doc().Clear();
    EXPECT_TRUE(Doc().IsNull());
    EXPECT_EQ(Doc().DisplayText(), u"(Blob)");
    ds.Post();
    EXPECT_TRUE(ds.StoredCell(0, 1).Null);
    EXPECT_EQ(ds.StoredCell(0, 1).Blob.Data, "");
}

/// A large object whose bytes cannot be read (a store that fails underneath).
class UnreadableBlob : public TBlobContent {
public:
    std::uint64_t Size() const override { return 10; }
    std::size_t Read(std::uint64_t, std::size_t, void*) const override { throw Exception(u"read failed"); }
    void Write(std::uint64_t, std::size_t, const void*) override {}
    void Truncate(std::uint64_t) override {}
};

class UnreadableDocs : public VectorDataSet {
public:
    using VectorDataSet::VectorDataSet;

protected:
    void GetFieldData(const TField& field, const std::uint8_t* buffer, TFieldValue& value) const override {
        if (field.IsBlob()) value = TFieldValue::BlobValue(&broken_);
        else VectorDataSet::GetFieldData(field, buffer, value);
    }

private:
    mutable UnreadableBlob broken_;
};

// Saving reads the content before it opens the file: a read that fails leaves a
// file written earlier as it was, instead of emptied.
TEST(BlobSaveToFile, AFailedReadLeavesTheFileAsItWas) {
    UnreadableDocs ds({{u"doc", ftBlob}});
    ds.AddRow({"x"});
    ds.Open();
    const std::string path = ::testing::TempDir() + "/blob_keep" + std::to_string(::getpid());
    std::ofstream(path, std::ios::binary) << "earlier export";
    EXPECT_EQ(ErrorOf([&] { static_cast<TBlobField&>(ds.Fields()[0]).SaveToFile(path); }), "read failed");
    std::ifstream in(path, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "earlier export");
    std::remove(path.c_str());
}

}  // namespace
}  // namespace brevant::test
