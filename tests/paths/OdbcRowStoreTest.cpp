#include "paths/OdbcRowStore.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace brevant {
namespace {

using Value = std::optional<std::string>;

void Put(TOdbcRowStore& store, const Value& v, std::size_t piece) {
    if (!v) {
        store.AppendNull();
        return;
    }
    // Written in pieces, as a driver's "more data" answers deliver a value.
    store.BeginValue();
    for (std::size_t at = 0; at < v->size(); at += piece) {
        std::size_t n = std::min(piece, v->size() - at);
        std::copy_n(v->data() + at, n, store.Space(n));
        store.Commit(n);
    }
    store.EndValue();
}

Value Read(const TOdbcValueView& view) { return view.Null ? Value() : Value(std::string(view.Bytes())); }

TEST(OdbcRowStore, ValuesOfEveryLengthComeBackAsWritten) {
    // Lengths around the one-byte length limit, empty against NULL, and values larger
    // than a block.
    const std::vector<Value> values = {Value(),           Value(""),
                                       std::string(126, 'a'), std::string(127, 'b'),
                                       std::string(128, 'c'), std::string(16383, 'd'),
                                       std::string(16384, 'e'), std::string(3 << 20, 'f'),
                                       std::string("\0x\0", 3)};
    TOdbcRowStore store(2);
    for (std::size_t i = 0; i < values.size(); ++i) {
        store.BeginRow();
        Put(store, values[i], 7 + i * 1000);
        Put(store, values[values.size() - 1 - i], 100000);
        store.EndRow();
    }
    ASSERT_EQ(store.RowCount(), static_cast<std::int64_t>(values.size()));
    std::vector<TOdbcValueView> row(2);
    for (std::size_t i = values.size(); i-- > 0;) {
        store.Decode(store.Locate(static_cast<std::int64_t>(i)), row);
        EXPECT_EQ(Read(row[0]), values[i]) << i;
        EXPECT_EQ(Read(row[1]), values[values.size() - 1 - i]) << i;
    }
}

TEST(OdbcRowStore, ManyRowsAcrossBlocksAreReachedByNumberAndByWalking) {
    TOdbcRowStore store(3);
    const int rows = 200000;
    std::size_t payload = 0;
    for (int i = 0; i < rows; ++i) {
        std::string a = std::to_string(i), b(i % 40, 'x');
        store.BeginRow();
        store.AppendValue(a);
        store.AppendValue(b);
        if (i % 3) store.AppendValue("z"); else store.AppendNull();
        store.EndRow();
        payload += a.size() + b.size() + (i % 3 ? 1 : 0);
    }
    std::vector<TOdbcValueView> row(3);
    auto pos = store.Locate(0);
    for (int i = 0; i < rows; ++i) {
        pos = store.Decode(pos, row);
        ASSERT_EQ(row[0].Bytes(), std::to_string(i));
        ASSERT_EQ(row[1].Size, static_cast<std::size_t>(i % 40));
        ASSERT_EQ(row[2].Null, i % 3 == 0);
    }
    for (int i : {rows - 1, 0, 31, 32, 33, 12345, 65537}) {
        store.Decode(store.Locate(i), row);
        EXPECT_EQ(row[0].Bytes(), std::to_string(i));
    }
    EXPECT_THROW(store.Locate(rows), std::out_of_range);
    EXPECT_THROW(store.Locate(-1), std::out_of_range);
    // One length byte per value and a little for blocks and the row index.
    EXPECT_LT(store.MemoryBytes(), payload + 3 * rows + rows / 4 + (1 << 20));
}

TEST(OdbcRowStore, AnUnfinishedRowIsDroppedAndColumnlessRowsCount) {
    TOdbcRowStore store(1);
    store.BeginRow();
    store.AppendValue("kept");
    store.EndRow();
    store.BeginRow();
    Put(store, std::string(200000, 'q'), 5000);  // abandoned: a fetch failed mid-row
    store.BeginRow();
    store.AppendValue("next");
    store.EndRow();
    std::vector<TOdbcValueView> row(1);
    store.Decode(store.Locate(1), row);
    EXPECT_EQ(row[0].Bytes(), "next");

    TOdbcRowStore empty(0);
    for (int i = 0; i < 40; ++i) {
        empty.BeginRow();
        empty.EndRow();
    }
    EXPECT_EQ(empty.RowCount(), 40);
    EXPECT_NO_THROW(empty.Locate(39));
}

}  // namespace
}  // namespace brevant
