// The in-memory record store without a server: layout and NULL indicators,
// navigation, renumbering after inserts and deletes, edits that a failing server
// write leaves undone, large objects, the string heap and bookmarks.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <string>
#include <unistd.h>

#include "core/Abort.h"
#include "data/DataErrors.h"
#include "data/TMemData.h"

namespace brevant {
namespace {

std::unique_ptr<TFieldDesc> Desc(const char16_t* name, TDataType type, std::uint32_t length = 0) {
    auto d = std::make_unique<TFieldDesc>();
    d->Name = name;
    d->DataType = type;
    d->Length = length;
    return d;
}

/// id INT, name wide string(10) in the record, note wide string(40) outside it, data BLOB.
class Store : public ::testing::Test {
protected:
    TMemData data;
    void SetUp() override {
        data.Fields().push_back(Desc(u"id", dtInt32));
        data.Fields().push_back(Desc(u"name", dtWideString, 10));
        data.Fields().push_back(Desc(u"note", dtExtWideString, 40));
        data.Fields().push_back(Desc(u"data", dtBlob));
        for (int i = 0; i < data.FieldCount(); ++i) data.Field(i).FieldNo = static_cast<std::uint16_t>(i + 1);
        data.InitFields();
    }
    TFieldDesc& F(int i) { return data.Field(i); }

    void Append(int id, const UString& note = u"", const std::string& blob = "") {
        std::byte* buf = data.AllocRecBuf();
        data.PutDataAsVariant(F(0), buf, TVariant(id));
        data.PutDataAsVariant(F(1), buf, TVariant(UString(u"n") + IntToStr(id)));
        if (!note.empty()) data.PutDataAsVariant(F(2), buf, TVariant(note));
        if (!blob.empty()) data.PutDataAsVariant(F(3), buf, TVariant::FromBytes(blob));
        data.AppendRecord(buf);
        std::free(buf);  // its values now belong to the store
    }
    void Fill(int n) {
        for (int i = 1; i <= n; ++i) Append(i);
    }
    /// The current record's field as a variant.
    TVariant Current(int field) {
        std::vector<std::byte> buf(data.RecordSize());
        data.GetRecord(buf.data());
        return data.GetDataAsVariant(F(field), buf.data());
    }
    /// ids in list order with their record numbers and orders.
    std::vector<std::array<int, 3>> Items() {
        std::vector<std::array<int, 3>> out;
        for (TItemHeader* it = data.FirstItem(); it; it = it->Next) {
            int id;
            std::memcpy(&id, it->Record() + F(0).Offset, 4);
            out.push_back({id, it->Order + data.RecordNoOffset(), it->Order});
        }
        return out;
    }
};

TEST_F(Store, LayoutAndNullIndicators) {
    EXPECT_EQ(F(0).Offset, 0u);
    EXPECT_EQ(F(1).Offset, 4u);
    EXPECT_EQ(F(1).Size, 22u);
    EXPECT_EQ(F(2).Offset, 26u);
    EXPECT_EQ(F(2).Size, RefSize);
    EXPECT_EQ(F(3).Offset, 26u + RefSize);
    EXPECT_EQ(data.DataSize(), 26u + 2 * RefSize);
    EXPECT_EQ(data.RecordSize(), (data.DataSize() + 4 + 1) / 2 * 2);

    // A wide string after an odd-sized slot starts at an even offset.
    TMemData odd;
    odd.Fields().push_back(Desc(u"a", dtString, 2));
    odd.Fields().push_back(Desc(u"b", dtWideString, 3));
    odd.InitFields();
    EXPECT_EQ(odd.Field(1).Offset, 4u);

    std::byte* buf = data.AllocRecBuf();
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(data.GetNull(F(i), buf)) << i;
    data.PutDataAsVariant(F(1), buf, TVariant(u"abc"));
    EXPECT_FALSE(data.GetNull(F(1), buf));
    EXPECT_EQ(static_cast<int>(buf[data.DataSize() + 1]), 0);
    EXPECT_EQ(static_cast<int>(buf[data.DataSize() + 2]), 1);
    // Longer than the field: cut to it.
    data.PutDataAsVariant(F(1), buf, TVariant(u"0123456789abc"));
    EXPECT_EQ(data.GetDataAsVariant(F(1), buf).AsString(), u"0123456789");
    // Content loaded into a NULL large object makes it a value.
    EXPECT_TRUE(data.GetNull(F(3), buf));
    data.GetBlob(F(3), buf)->SetAsBytes("file bytes");
    EXPECT_FALSE(data.GetNull(F(3), buf));
    data.SetNull(F(3), buf, true);
    EXPECT_EQ(data.GetBlob(F(3), buf)->GetSize(), 0u);
    data.FreeRecBuf(buf);
}

TEST_F(Store, EmptyStoreAndNavigation) {
    data.SetToBegin();
    EXPECT_EQ(data.GetRecordNo(), 0);
    EXPECT_EQ(data.GetRecordCount(), 0);
    EXPECT_TRUE(data.GetBOF());
    EXPECT_TRUE(data.GetEOF());
    EXPECT_FALSE(data.GetNextRecord(nullptr));

    Fill(3);
    data.SetToBegin();
    EXPECT_FALSE(data.GetEOF());
    std::vector<int> ids;
    while (data.GetNextRecord(nullptr)) ids.push_back(static_cast<int>(Current(0).AsInt64()));
    EXPECT_EQ(ids, (std::vector<int>{1, 2, 3}));
    EXPECT_TRUE(data.GetEOF());
    EXPECT_TRUE(data.GetPriorRecord(nullptr));
    EXPECT_EQ(data.GetRecordNo(), 3);
}

TEST_F(Store, SetRecordNo) {
    Fill(60);
    data.SetRecordNo(1);
    data.SetRecordNo(60);
    EXPECT_EQ(data.GetRecordNo(), 60);
    EXPECT_EQ(Current(0).AsInt64(), 60);
    for (int bad : {0, 61, -1}) {
        data.SetRecordNo(bad);
        EXPECT_EQ(data.GetRecordNo(), 60) << bad;
    }
    data.SetRecordNo(31);
    EXPECT_EQ(Current(0).AsInt64(), 31);
}

TEST_F(Store, RenumberingTouchesTheShorterSide) {
    using Row = std::array<int, 3>;  // id, record number, order
    {
        SCOPED_TRACE("delete the 2nd of 10");
        Fill(10);
        data.SetRecordNo(2);
        data.DeleteRecord();
        EXPECT_EQ(data.RecordNoOffset(), -1);
        const auto items = Items();
        ASSERT_EQ(items.size(), 9u);
        EXPECT_EQ(items[0], (Row{1, 1, 2}));  // only the record before moved
        for (int i = 1; i < 9; ++i) EXPECT_EQ(items[i], (Row{i + 2, i + 1, i + 2}));
        EXPECT_EQ(data.GetRecordCount(), 9);
        EXPECT_EQ(Current(0).AsInt64(), 3);
        EXPECT_EQ(data.GetRecordNo(), 2);
        data.FreeData();
    }
    {
        SCOPED_TRACE("delete the 8th of 10");
        Fill(10);
        data.SetRecordNo(8);
        data.DeleteRecord();
        EXPECT_EQ(data.RecordNoOffset(), 0);
        const auto items = Items();
        for (int i = 0; i < 7; ++i) EXPECT_EQ(items[i], (Row{i + 1, i + 1, i + 1}));
        EXPECT_EQ(items[7], (Row{9, 8, 8}));
        EXPECT_EQ(items[8], (Row{10, 9, 9}));
        data.FreeData();
    }
    {
        SCOPED_TRACE("insert before the 8th of 10");
        Fill(10);
        data.SetRecordNo(8);
        std::byte* buf = data.AllocRecBuf();
        data.PutDataAsVariant(F(0), buf, TVariant(100));
        data.InsertRecord(buf);
        std::free(buf);
        EXPECT_EQ(data.RecordNoOffset(), 0);
        EXPECT_EQ(data.GetRecordNo(), 8);
        const auto items = Items();
        for (int i = 0; i < 7; ++i) EXPECT_EQ(items[i], (Row{i + 1, i + 1, i + 1}));
        EXPECT_EQ(items[7], (Row{100, 8, 8}));
        for (int i = 8; i < 11; ++i) EXPECT_EQ(items[i], (Row{i, i + 1, i + 1}));
        data.FreeData();
    }
    {
        SCOPED_TRACE("insert before the 2nd of 10, then delete the only ones left");
        Fill(10);
        data.SetRecordNo(2);
        std::byte* buf = data.AllocRecBuf();
        data.PutDataAsVariant(F(0), buf, TVariant(100));
        data.InsertRecord(buf);
        std::free(buf);
        EXPECT_EQ(data.RecordNoOffset(), 1);
        const auto items = Items();
        for (int i = 0; i < 11; ++i) EXPECT_EQ(items[i][1], i + 1);
        EXPECT_EQ(items[1][0], 100);
        EXPECT_EQ(items[10][2], 10);  // the far side kept its order
        while (data.GetRecordCount() > 0) {
            data.SetRecordNo(1);
            data.DeleteRecord();
        }
        EXPECT_TRUE(data.GetEOF());
        EXPECT_EQ(data.BlockManager().FirstBlock(), nullptr);  // the last item freed its block
        Append(7);
        EXPECT_EQ(data.GetRecordNo(), 1);
    }
}

TEST_F(Store, FailingServerWriteLeavesTheStoreAsItWas) {
    Append(1, u"a note that lives outside the record", "old blob");
    Append(2);
    data.SetRecordNo(1);

    // Edit with a failing update.
    std::byte* edit = data.AllocRecBuf();
    data.FreeComplexFields(edit);
    data.GetRecord(edit);
    data.EditRecord(edit);
    data.PutDataAsVariant(F(0), edit, TVariant(99));
    data.PutDataAsVariant(F(2), edit, TVariant(u"changed"));
    data.GetBlob(F(3), edit)->SetAsBytes("new blob");
    data.OnUpdate = [] { throw std::runtime_error("server said no"); };
    EXPECT_THROW(data.PostRecord(edit), std::runtime_error);
    EXPECT_EQ(Current(0).AsInt64(), 1);
    EXPECT_EQ(Current(2).AsString(), u"a note that lives outside the record");
    EXPECT_EQ(Current(3).AsBytes(), "old blob");

    // Cancel: the edit buffer's large object goes back, the stored record is intact.
    data.CancelRecord(edit);
    EXPECT_EQ(Current(3).AsBytes(), "old blob");

    // Edit again and post with a working update.
    data.OnUpdate = nullptr;
    data.GetRecord(edit);
    data.EditRecord(edit);
    data.PutDataAsVariant(F(2), edit, TVariant(u"posted"));
    data.GetBlob(F(3), edit)->Write(0, 3, "NEW");
    data.PostRecord(edit);
    EXPECT_EQ(Current(2).AsString(), u"posted");
    EXPECT_EQ(Current(3).AsBytes(), "NEW blob");
    EXPECT_FALSE(data.GetBlob(F(3), edit)->HasRollback());
    std::free(edit);  // a view of the stored record now

    // Failing insert and delete.
    data.OnAppend = [] { throw std::runtime_error("no insert"); };
    data.OnDelete = [] { throw std::runtime_error("no delete"); };
    std::byte* fresh = data.AllocRecBuf();
    EXPECT_THROW(data.AppendRecord(fresh), std::runtime_error);
    data.FreeRecBuf(fresh);
    data.SetRecordNo(2);
    EXPECT_THROW(data.DeleteRecord(), std::runtime_error);
    EXPECT_EQ(data.GetRecordCount(), 2);
    EXPECT_EQ(Items().size(), 2u);
}

TEST_F(Store, TypedValuesRoundTripExactly) {
    TMemData d;
    d.Fields().push_back(Desc(u"u64", dtUInt64));
    d.Fields().push_back(Desc(u"i64", dtInt64));
    auto bcd = Desc(u"dec", dtFMTBCD, 30);
    bcd->Scale = 10;
    d.Fields().push_back(std::move(bcd));
    auto cur = Desc(u"cur", dtBCD, 10);
    cur->Scale = 2;
    d.Fields().push_back(std::move(cur));
    d.Fields().push_back(Desc(u"b", dtBoolean));
    d.Fields().push_back(Desc(u"vb", dtExtVarBytes, 40));
    for (int i = 0; i < d.FieldCount(); ++i) d.Field(i).FieldNo = static_cast<std::uint16_t>(i + 1);
    d.InitFields();
    std::byte* buf = d.AllocRecBuf();
    const TVariant values[] = {
        TVariant(std::numeric_limits<unsigned long long>::max()),
        TVariant(std::numeric_limits<long long>::min()),
        TVariant::FromDecimal("-12345678901234567890.0123456789"),
        TVariant::FromDecimal("12.5"),
        TVariant(true),
        TVariant::FromBytes(std::string("\0\x01\xff", 3)),
    };
    for (int i = 0; i < 6; ++i) d.PutDataAsVariant(d.Field(i), buf, values[i]);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(d.GetDataAsVariant(d.Field(i), buf), values[i]) << i;
    EXPECT_THROW(d.PutDataAsVariant(d.Field(3), buf, TVariant::FromDecimal("1e400")), EConvertError);
    d.FreeRecBuf(buf);
}

TEST(LargeObject, PiecesReadsAndRollback) {
    TBlob blob;
    std::string bytes(100000, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7);
    blob.Write(0, bytes.size(), bytes.data());
    EXPECT_EQ(blob.Data().PieceCount(), 2);
    EXPECT_EQ(blob.Data().FirstPiece()->Size, TBlob::DefaultPieceSize);
    EXPECT_EQ(TBlob::DefaultPieceSize + sizeof(TPieceHeader), 65536u);
    std::string tail(40000, '\0');
    EXPECT_EQ(blob.Read(70000, tail.size(), tail.data()), 30000u);
    EXPECT_EQ(tail.substr(0, 30000), bytes.substr(70000));
    // A count of 0 reads nothing; so does a position past the end.
    char one = 'x';
    EXPECT_EQ(blob.Read(0, 0, &one), 0u);
    EXPECT_EQ(one, 'x');
    EXPECT_EQ(blob.Read(100000, 10, &one), 0u);
    // A write beyond the size lands at the end.
    blob.Write(200000, 3, "end");
    EXPECT_EQ(blob.GetSize(), 100003u);
    EXPECT_EQ(blob.AsBytes().substr(100000), "end");

    blob.SetNeedRollback(true);
    blob.Write(0, 4, "ABCD");
    blob.Truncate(10);
    EXPECT_EQ(blob.GetSize(), 10u);
    blob.Cancel();
    EXPECT_EQ(blob.AsBytes().substr(0, 4), bytes.substr(0, 4));
    EXPECT_EQ(blob.GetSize(), 100003u);
    blob.Write(0, 4, "ABCD");
    blob.Commit();
    blob.Cancel();
    EXPECT_EQ(blob.AsBytes().substr(0, 4), "ABCD");

    // Files in and out.
    char name[] = "/tmp/brevant-blob-XXXXXX";
    int fd = mkstemp(name);
    ASSERT_GE(fd, 0);
    close(fd);
    blob.SaveToFile(name);
    TBlob loaded;
    loaded.LoadFromFile(name);
    EXPECT_EQ(loaded.AsBytes(), blob.AsBytes());
    std::remove(name);
    EXPECT_THROW(loaded.LoadFromFile(name), Exception);

    TBlob wide(true);
    wide.SetAsWideString(u"ñandú");
    EXPECT_EQ(wide.GetSize(), 10u);
    EXPECT_EQ(wide.AsWideString(), u"ñandú");
}

TEST(StringHeap, SizeClassesOwnersAndFailures) {
    TStringHeap heap;
    void* small = heap.NewBuf(2000);
    void* large = heap.NewBuf(2001);
    EXPECT_FALSE(TStringHeap::IsLarge(small));
    EXPECT_TRUE(TStringHeap::IsLarge(large));
    EXPECT_EQ(TStringHeap::BufSize(small), 2000u);
    EXPECT_EQ(TStringHeap::BufSize(large), 2008u);
    EXPECT_EQ(TStringHeap::RefCount(small), TStringHeap::RefNull);

    // A buffer with a second owner survives one dispose.
    char* s = heap.AllocStr("shared");
    TStringHeap::AddRef(s);
    heap.DisposeBuf(s);
    EXPECT_STREQ(s, "shared");
    EXPECT_EQ(TStringHeap::RefCount(s), TStringHeap::RefNull);
    heap.DisposeBuf(s);
    // Freed: the next buffer of its size class is the same one.
    EXPECT_EQ(heap.AllocStr("reused"), s);

    heap.DisposeBuf(small);
    try {
        heap.DisposeBuf(small);
        FAIL();
    } catch (const EDataError& e) {
        EXPECT_EQ(e.Message(), u"DisposeBuf failed");
    }
    heap.DisposeBuf(large);

    // Many small buffers span several 16 KB blocks; Clear returns them all.
    for (int i = 0; i < 1000; ++i) heap.NewBuf(100);
    EXPECT_GT(heap.AllocatedBytes(), 6 * TStringHeap::BlockSize);
    heap.Clear();
    EXPECT_EQ(heap.AllocatedBytes(), 0u);
}

TEST(BlockManager, FreeListAndWholeBlocks) {
    TBlockManager m;
    m.SetRecordSize(10);
    EXPECT_EQ(m.ItemStride() % 8, 0u);
    TItemHeader* first = m.AllocItem();
    EXPECT_EQ(first->Flag, flUsed);
    EXPECT_EQ(first->Block->ItemCount, TBlockManager::DefaultItemCount);
    EXPECT_EQ(first->Block->UsedItems, 1);
    TItemHeader* second = m.AllocItem();
    EXPECT_EQ(second->Block, first->Block);
    m.FreeItem(second);
    EXPECT_EQ(second->Flag, flFree);
    EXPECT_THROW(m.FreeItem(second), EAssertionFailed);
    m.FreeItem(first);  // the block's last used item
    EXPECT_EQ(m.FirstBlock(), nullptr);
    EXPECT_EQ(m.FirstFree(), nullptr);
}

TEST_F(Store, BookmarksSurviveDeletesAndNoticeARefresh) {
    Fill(10);
    data.SetRecordNo(5);
    TRecBookmark five;
    data.GetBookmark(five);
    data.SetRecordNo(9);
    TRecBookmark nine;
    data.GetBookmark(nine);
    EXPECT_LT(data.CompareBookmarks(five, nine), 0);

    data.SetRecordNo(2);
    data.DeleteRecord();
    data.SetToBookmark(five);
    EXPECT_EQ(Current(0).AsInt64(), 5);
    EXPECT_EQ(data.GetRecordNo(), 4);

    // The bookmarked record itself deleted: its record number is used.
    data.DeleteRecord();
    data.SetRecordNo(1);
    data.SetToBookmark(five);
    EXPECT_EQ(data.GetRecordNo(), 5);

    // After a refresh the bookmark is stale and goes by record number.
    data.FreeData();
    Fill(10);
    data.SetToBookmark(nine);
    EXPECT_EQ(data.GetRecordNo(), 9);
    TRecBookmark none;
    data.SetToBegin();
    data.GetBookmark(none);
    EXPECT_EQ(none.Order, -1);
}

}  // namespace
}  // namespace brevant
