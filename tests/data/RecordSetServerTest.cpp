// The MySQL record set against the real server: every column type described with
// UseUnicode on and off, rows in blocks, the extreme values, dates and times, a
// large object over 16 MB, errors in the middle of the rows, unread rows at close,
// and a session killed from another connection while a result streams.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "ServerConnection.h"
#include "data/DataErrors.h"
#include "data/MyDataTypes.h"
#include "data/TMySQLRecordSet.h"
#include "mysql/client/TCustomMyConnection.h"
#include "mysql/client/TMySQLConnection.h"

namespace brevant {
namespace {

class RecordSetServer : public ::testing::Test {
protected:
    std::unique_ptr<TMyConnection> conn;

    void Connect(const test::ServerAddress& server, bool unicode = true) {
        conn = test::MakeConnection(server, u"utf8", u"");
        conn->Options().SetUseUnicode(unicode);
        conn->Open();
        test::CreateDatabase(*conn, u"brevant_data_tests");
        Exec(u"USE brevant_data_tests");
    }
    TMySQLConnection& S() { return *conn->Session(); }
    void Exec(const UString& sql) { S().ExecuteSQL(sql); }

    std::unique_ptr<TMySQLRecordSet> Open(const UString& sql, bool fetchAll = true) {
        auto rs = std::make_unique<TMySQLRecordSet>();
        rs->SetConnection(&S());
        rs->SetProp(prFetchAll, fetchAll);
        rs->SetSQL(sql);
        rs->Open();
        return rs;
    }
    static TVariant Value(TMySQLRecordSet& rs, int recNo, int field) {
        rs.SetRecordNo(recNo);
        return rs.GetDataAsVariant(rs.Field(field), rs.CurrentItem()->Record());
    }
    static bool IsNull(TMySQLRecordSet& rs, int recNo, int field) {
        rs.SetRecordNo(recNo);
        return rs.GetNull(rs.Field(field), rs.CurrentItem()->Record());
    }
    std::string One(const UString& sql) {
        auto rs = Open(sql);
        return Narrow(Value(*rs, 1, 0).AsString());
    }
};

TEST_F(RecordSetServer, EveryTypeDescribed) {
    BREVANT_REQUIRE_SERVER(server);
    Connect(server);
    Exec(u"CREATE OR REPLACE TABLE every_type ("
         u" id INT NOT NULL AUTO_INCREMENT PRIMARY KEY, t1 TINYINT(1), t2 TINYINT(2) NOT NULL, b8 BIT(8), b64 BIT(64),"
         u" ubig BIGINT UNSIGNED, d10 DECIMAL(10,2), d30 DECIMAL(30,10), c5 CHAR(5) NOT NULL, v20 VARCHAR(20),"
         u" v40 VARCHAR(40) UNIQUE, bin16 BINARY(16), vbin16 VARBINARY(16), e ENUM('a','bc'), s SET('x','yz'),"
         u" tx TEXT, bl BLOB, js JSON, dt DATE, tm TIME(3), dtm DATETIME(6),"
         u" ts TIMESTAMP NOT NULL DEFAULT CURRENT_TIMESTAMP ON UPDATE CURRENT_TIMESTAMP, yr YEAR, KEY (t2))");
    const UString select = u"SELECT *, CONCAT(v20, 'x') AS expr, NULL AS nul FROM every_type";
    struct Col {
        const char16_t* name;
        TDataType wide;
        std::uint32_t wideLength;
        TDataType ansi;
        std::uint32_t ansiLength;
        bool fixed, required, key;
    };
    // 8-bit: the utf8 session's byte lengths count (three per character).
    const Col cols[] = {
        {u"id", dtInt32, 11, dtInt32, 11, false, false, true},
        {u"t1", dtBoolean, 1, dtBoolean, 1, false, false, false},
        {u"t2", dtInt8, 2, dtInt8, 2, false, true, true},
        {u"b8", dtUInt64, 8, dtUInt64, 8, false, false, false},
        {u"b64", dtUInt64, 64, dtUInt64, 64, false, false, false},
        {u"ubig", dtUInt64, 20, dtUInt64, 20, false, false, false},
        {u"d10", dtFloat, 10, dtFloat, 10, false, false, false},
        {u"d30", dtFMTBCD, 30, dtFMTBCD, 30, false, false, false},
        {u"c5", dtWideString, 5, dtString, 15, true, true, false},
        {u"v20", dtWideString, 20, dtExtString, 60, false, false, false},
        {u"v40", dtExtWideString, 40, dtExtString, 120, false, false, true},
        {u"bin16", dtWideString, 16, dtString, 16, true, false, false},
        {u"vbin16", dtWideString, 16, dtString, 16, false, false, false},
        {u"e", dtWideString, 2, dtString, 6, true, false, false},
        {u"s", dtWideString, 4, dtString, 12, true, false, false},
        {u"tx", dtWideMemo, 0, dtMemo, 0, false, false, false},
        {u"bl", dtBlob, 0, dtBlob, 0, false, false, false},
        {u"js", dtWideMemo, 0, dtMemo, 0, false, false, false},
        {u"dt", dtDate, 10, dtDate, 10, false, false, false},
        {u"tm", dtTime, 14, dtTime, 14, false, false, false},
        {u"dtm", dtDateTime, 26, dtDateTime, 26, false, false, false},
        {u"ts", dtDateTime, 19, dtDateTime, 19, false, false, false},
        {u"yr", dtUInt16, 4, dtUInt16, 4, false, false, false},
        {u"expr", dtWideString, 21, dtExtString, 63, false, false, false},
        {u"nul", dtExtWideString, 65530, dtExtString, 65530, false, false, false},
    };
    for (bool unicode : {true, false}) {
        SCOPED_TRACE(unicode ? "UseUnicode on" : "UseUnicode off");
        Connect(server, unicode);
        auto rs = Open(select);
        ASSERT_EQ(rs->FieldCount(), static_cast<int>(std::size(cols)));
        for (int i = 0; i < rs->FieldCount(); ++i) {
            const Col& c = cols[i];
            const TMySQLFieldDesc& d = rs->MyField(i);
            SCOPED_TRACE(Narrow(c.name));
            EXPECT_EQ(d.Name, c.name);
            EXPECT_EQ(d.DataType, unicode ? c.wide : c.ansi);
            EXPECT_EQ(d.Length, unicode ? c.wideLength : c.ansiLength);
            EXPECT_EQ(d.Size, TData::GetBufferSize(d.DataType, d.Length));
            EXPECT_EQ(d.Fixed, c.fixed);
            EXPECT_EQ(d.Required, c.required);
            EXPECT_EQ(d.IsKey, c.key);
        }
        EXPECT_EQ(rs->MyField(3).DBType, myBit);
        EXPECT_TRUE(rs->MyField(21).IsCurrentTimestamp);
        EXPECT_EQ(rs->MyField(6).Scale, 2);
        EXPECT_EQ(rs->MyField(20).Scale, 6);
        EXPECT_TRUE(rs->MyField(24).ReadOnly);
        EXPECT_EQ(rs->GetRecordCount(), 0);
    }

    // SHOW COLUMNS: byte lengths, and the Type column widened for the longest type.
    auto show = Open(u"SHOW COLUMNS FROM every_type");
    ASSERT_GE(show->FieldCount(), 2);
    EXPECT_EQ(show->Field(1).Name, u"Type");
    EXPECT_EQ(show->Field(1).Length, 256u);
    EXPECT_EQ(show->GetRecordCount(), 23);
    EXPECT_EQ(Value(*show, 1, 0).AsString(), u"id");
}

TEST_F(RecordSetServer, SixtyRowsInBlocksOf25) {
    BREVANT_REQUIRE_SERVER(server);
    Connect(server);
    auto rs = Open(u"SELECT seq FROM seq_1_to_60");
    EXPECT_EQ(rs->GetRecordCount(), 60);
    EXPECT_EQ(rs->CursorState(), csFetched);
    EXPECT_TRUE(rs->NoCountData());
    int blocks = 0, used = 0, free = 0;
    for (TBlockHeader* b = rs->BlockManager().FirstBlock(); b; b = b->Next) {
        ++blocks;
        EXPECT_EQ(b->ItemCount, 25);
        used += b->UsedItems;
    }
    for (TItemHeader* it = rs->BlockManager().FirstFree(); it; it = it->Next) ++free;
    EXPECT_EQ(blocks, 3);
    EXPECT_EQ(used, 60);
    EXPECT_EQ(free, 15);
    EXPECT_EQ(rs->BlockManager().FirstBlock()->UsedItems, 10);  // the newest block is first
    for (int n : {1, 25, 26, 60}) EXPECT_EQ(Value(*rs, n, 0).AsInt64(), n);
    // The connection is free at once.
    EXPECT_EQ(One(u"SELECT 'free'"), "free");

    auto empty = Open(u"SELECT seq FROM seq_1_to_60 WHERE seq > 100");
    EXPECT_EQ(empty->GetRecordCount(), 0);
    EXPECT_EQ(empty->BlockManager().FirstBlock(), nullptr);
    empty->SetToBegin();
    EXPECT_TRUE(empty->GetEOF());

    try {
        Open(u"SET @a = 1");
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), u"SQL statement doesn't return rows");
    }
    // A batch whose first statement returns no rows opens the following result.
    auto batch = Open(u"SET @b = 5; SELECT @b + 1");
    EXPECT_EQ(Value(*batch, 1, 0).AsInt64(), 6);
    batch->Close();
    EXPECT_EQ(One(u"SELECT 'after batch'"), "after batch");
}

TEST_F(RecordSetServer, ExtremesReadExactly) {
    BREVANT_REQUIRE_SERVER(server);
    Connect(server);
    Exec(u"CREATE OR REPLACE TABLE extremes (bmin BIGINT, bmax BIGINT, ubig BIGINT UNSIGNED, b64 BIT(64), b8 BIT(8),"
         u" dmax DOUBLE, dsub DOUBLE, d01 DOUBLE, f FLOAT, d30 DECIMAL(30,10), d10 DECIMAL(10,2), t1 TINYINT(1),"
         u" c5 CHAR(5), tx TEXT, etx TEXT)");
    Exec(u"INSERT INTO extremes VALUES (-9223372036854775808, 9223372036854775807, 18446744073709551615,"
         u" b'1000000000000000000000000000000000000000000000000000000000000001', b'10000001',"
         u" 1.7976931348623157e308, 4.9406564584124654e-324, 0.1, 1.1,"
         u" '-12345678901234567890.0123456789', 12345678.91, 5, 'ab', NULL, '')");
    auto rs = Open(u"SELECT * FROM extremes");
    EXPECT_EQ(Value(*rs, 1, 0), TVariant(std::numeric_limits<long long>::min()));
    EXPECT_EQ(Value(*rs, 1, 1), TVariant(std::numeric_limits<long long>::max()));
    EXPECT_EQ(Value(*rs, 1, 2), TVariant(std::numeric_limits<unsigned long long>::max()));
    EXPECT_EQ(Value(*rs, 1, 3), TVariant(0x8000000000000001ull));
    EXPECT_EQ(Value(*rs, 1, 4).AsInt64(), 129);
    EXPECT_EQ(Value(*rs, 1, 5).AsDouble(), std::numeric_limits<double>::max());
    EXPECT_EQ(Value(*rs, 1, 6).AsDouble(), std::numeric_limits<double>::denorm_min());
    EXPECT_EQ(Value(*rs, 1, 7).AsDouble(), 0.1);
    EXPECT_EQ(Value(*rs, 1, 8).AsDouble(), 1.1);
    EXPECT_EQ(Value(*rs, 1, 9).AsDecimalText(), "-12345678901234567890.0123456789");
    EXPECT_EQ(Value(*rs, 1, 10).AsDouble(), 12345678.91);
    EXPECT_EQ(Value(*rs, 1, 11), TVariant(true));
    EXPECT_EQ(Value(*rs, 1, 12).AsString(), u"ab");  // not padded by default
    EXPECT_TRUE(IsNull(*rs, 1, 13));
    ASSERT_NE(rs->GetBlob(rs->Field(13), rs->CurrentItem()->Record()), nullptr);  // an empty value behind NULL
    EXPECT_FALSE(IsNull(*rs, 1, 14));
    EXPECT_EQ(rs->GetBlob(rs->Field(14), rs->CurrentItem()->Record())->GetSize(), 0u);

    auto padded = std::make_unique<TMySQLRecordSet>();
    padded->SetConnection(&S());
    padded->TrimFixedChar = false;
    padded->SetProp(prEnableBoolean, false);
    padded->SetSQL(u"SELECT c5, t1 FROM extremes");
    padded->Open();
    EXPECT_EQ(Value(*padded, 1, 0).AsString(), u"ab   ");
    EXPECT_EQ(padded->Field(1).DataType, dtInt8);
    EXPECT_EQ(Value(*padded, 1, 1).AsInt64(), 5);
}

TEST_F(RecordSetServer, DatesAndTimes) {
    BREVANT_REQUIRE_SERVER(server);
    Connect(server);
    Exec(u"SET SESSION sql_mode = ''");
    Exec(u"CREATE OR REPLACE TABLE dates (d DATE, t TIME, t3 TIME(3), dt6 DATETIME(6), dt DATETIME)");
    Exec(u"INSERT INTO dates VALUES ('0000-00-00', '838:59:59', '12:34:56.789', '2024-01-02 03:04:05.678901',"
         u" '0000-00-00 00:00:00'), ('1899-12-29', '-01:00:00', '-00:00:00.5', '1899-12-29 06:00:00.000001',"
         u" '2024-02-29 23:59:59')");
    auto rs = Open(u"SELECT * FROM dates");
    EXPECT_TRUE(IsNull(*rs, 1, 0));
    EXPECT_NEAR(Value(*rs, 1, 1).AsDateTime(), (838.0 * 3600 + 59 * 60 + 59) / 86400, 1e-12);
    EXPECT_DOUBLE_EQ(Value(*rs, 1, 2).AsDateTime(), (12 * 3600000.0 + 34 * 60000.0 + 56789) / MSecsPerDay);
    TDateTime expected;
    ASSERT_TRUE(TryEncodeDate(2024, 1, 2, expected));
    TDateTime time;
    ASSERT_TRUE(TryEncodeTime(3, 4, 5, 678, time));
    EXPECT_DOUBLE_EQ(Value(*rs, 1, 3).AsDateTime(), CombineDateTime(expected, time));
    EXPECT_TRUE(IsNull(*rs, 1, 4));
    EXPECT_DOUBLE_EQ(Value(*rs, 2, 0).AsDateTime(), -1.0);
    EXPECT_DOUBLE_EQ(Value(*rs, 2, 1).AsDateTime(), -1.0 / 24);
    EXPECT_DOUBLE_EQ(Value(*rs, 2, 2).AsDateTime(), -500.0 / MSecsPerDay);
    EXPECT_DOUBLE_EQ(Value(*rs, 2, 3).AsDateTime(), -1.25);
    const TDateParts leap = DecodeDate(Value(*rs, 2, 4).AsDateTime());
    EXPECT_EQ(leap.Month * 100 + leap.Day, 229);

    auto zero = std::make_unique<TMySQLRecordSet>();
    zero->SetConnection(&S());
    zero->SetProp(prNullForZeroDate, false);
    zero->SetSQL(u"SELECT d, dt FROM dates");
    zero->Open();
    EXPECT_EQ(Value(*zero, 1, 0).AsDateTime(), ZeroDate());
    EXPECT_EQ(Value(*zero, 1, 1).AsDateTime(), ZeroDate());
}

TEST_F(RecordSetServer, LongBlobOver16MB) {
    BREVANT_REQUIRE_SERVER(server);
    Connect(server);
    Exec(u"CREATE OR REPLACE TABLE big (id INT, b LONGBLOB)");
    Exec(u"INSERT INTO big VALUES (1, CONCAT(REPEAT('ab', 8500000), 'END')), (2, 'small')");
    auto rs = Open(u"SELECT id, b FROM big ORDER BY id");
    ASSERT_EQ(rs->GetRecordCount(), 2);
    rs->SetRecordNo(1);
    TBlob* blob = rs->GetBlob(rs->Field(1), rs->CurrentItem()->Record());
    ASSERT_EQ(blob->GetSize(), 17000003u);
    char tail[3];
    EXPECT_EQ(blob->Read(17000000, 3, tail), 3u);
    EXPECT_EQ(std::string(tail, 3), "END");
    char mid[2];
    blob->Read(16777215, 2, mid);
    EXPECT_EQ(std::string(mid, 2), "ba");
    EXPECT_EQ(Value(*rs, 2, 1).AsBytes(), "small");
}

TEST_F(RecordSetServer, ErrorInTheMiddleOfTheRows) {
    BREVANT_REQUIRE_SERVER(server);
    Connect(server);
    Exec(u"CREATE OR REPLACE TABLE outer_t (id INT)");
    Exec(u"CREATE OR REPLACE TABLE inner_t (id INT)");
    Exec(u"INSERT INTO outer_t SELECT seq FROM seq_1_to_100");
    Exec(u"INSERT INTO inner_t VALUES (1), (2), (90), (90)");
    auto rs = std::make_unique<TMySQLRecordSet>();
    rs->SetConnection(&S());
    rs->SetProp(prFetchAll, false);
    rs->SetProp(prFetchRows, 10);
    rs->SetSQL(u"SELECT id, (SELECT i.id FROM inner_t i WHERE i.id = o.id), REPEAT('x', 40) FROM outer_t o ORDER BY id");
    rs->Open();
    EXPECT_EQ(rs->GetRecordCount(), 10);
    try {
        rs->FetchAll();
        FAIL() << "no error";
    } catch (const EMyError& e) {
        EXPECT_EQ(e.ErrorCode(), 1242);
    }
    // The full blocks before the failing one stay; the partial one is gone.
    EXPECT_EQ(rs->GetRecordCount() % 10, 0);
    EXPECT_GE(rs->GetRecordCount(), 10);
    EXPECT_LT(rs->GetRecordCount(), 90);
    EXPECT_EQ(Value(*rs, rs->GetRecordCount(), 0).AsInt64(), rs->GetRecordCount());
    EXPECT_EQ(One(u"SELECT 'usable'"), "usable");
    rs->Close();

    // The same error while opening with FetchAll: the open fails and leaves nothing.
    auto all = std::make_unique<TMySQLRecordSet>();
    all->SetConnection(&S());
    all->SetSQL(u"SELECT id, (SELECT i.id FROM inner_t i WHERE i.id = o.id) FROM outer_t o ORDER BY id");
    EXPECT_THROW(all->Open(), EMyError);
    EXPECT_FALSE(all->Active());
    EXPECT_EQ(all->GetRecordCount(), 0);
    EXPECT_EQ(all->CursorState(), csInactive);
    EXPECT_EQ(One(u"SELECT 'still usable'"), "still usable");
}

TEST_F(RecordSetServer, UnreadRowsDrainedAtClose) {
    BREVANT_REQUIRE_SERVER(server);
    Connect(server);
    auto rs = Open(u"SELECT seq, REPEAT('y', 50) FROM seq_1_to_5000", false);
    EXPECT_EQ(rs->GetRecordCount(), 25);
    EXPECT_EQ(rs->CursorState(), csFetching);
    EXPECT_FALSE(rs->NoCountData());
    // Walking past the last fetched record fetches the next block.
    rs->SetRecordNo(25);
    EXPECT_TRUE(rs->GetNextRecord(nullptr));
    EXPECT_EQ(rs->GetRecordCount(), 50);
    rs->SetRecordNo(120);
    EXPECT_EQ(rs->GetRecordNo(), 120);
    rs->Close();
    EXPECT_EQ(rs->CursorState(), csInactive);
    EXPECT_EQ(rs->CommandType(), ctUnknown);
    EXPECT_EQ(One(u"SELECT 'drained'"), "drained");
}

TEST_F(RecordSetServer, ForwardOnlyKeepsOneBlock) {
    BREVANT_REQUIRE_SERVER(server);
    Connect(server);
    auto rs = std::make_unique<TMySQLRecordSet>();
    rs->SetConnection(&S());
    rs->SetProp(prFetchAll, false);
    rs->SetProp(prUniDirectional, true);
    rs->SetSQL(u"SELECT seq, CONCAT('row ', seq, REPEAT('.', 40)) FROM seq_1_to_60");
    rs->Open();
    rs->SetToBegin();
    int n = 0;
    while (rs->GetNextRecord(nullptr)) {
        ++n;
        int blocks = 0;
        for (TBlockHeader* b = rs->BlockManager().FirstBlock(); b; b = b->Next) ++blocks;
        ASSERT_EQ(blocks, 1) << n;
        EXPECT_EQ(rs->GetRecordNo(), n);
        EXPECT_EQ(rs->GetDataAsVariant(rs->Field(0), rs->CurrentItem()->Record()).AsInt64(), n);
    }
    EXPECT_EQ(n, 60);
    EXPECT_EQ(rs->GetRecordCount(), 60);
}

TEST_F(RecordSetServer, UnreadRowsCutShortWithKill) {
    BREVANT_REQUIRE_SERVER(server);
    Connect(server);
    std::unique_ptr<TMyConnection> main = std::move(conn);
    Connect(server);  // the record set's own connection
    auto rs = std::make_unique<TMySQLRecordSet>();
    rs->SetConnection(&S());
    rs->SetKillConnection(main->Session());
    rs->SetProp(prFetchAll, false);
    rs->SetProp(prCreateConnection, true);
    rs->SetSQL(u"SELECT seq, REPEAT('k', 100) FROM seq_1_to_5000000");
    rs->Open();
    EXPECT_EQ(rs->GetRecordCount(), 25);
    rs->Close();
    // The record set's connection was cut off; the other one goes on.
    EXPECT_THROW(One(u"SELECT 1"), EMyError);
    conn = std::move(main);
    EXPECT_EQ(One(u"SELECT 'main'"), "main");
}

TEST_F(RecordSetServer, KilledWhileStreaming) {
    BREVANT_REQUIRE_SERVER(server);
    Connect(server);
    std::unique_ptr<TMyConnection> killer = std::move(conn);
    Connect(server);
    auto rs = Open(u"SELECT seq, REPEAT('z', 200) FROM seq_1_to_2000000", false);
    EXPECT_EQ(rs->GetRecordCount(), 25);
    killer->Session()->ExecuteSQL(u"KILL " + UIntToStr(S().GetThreadId()));
    try {
        rs->FetchAll();
        FAIL() << "the killed session went on";
    } catch (const EMyError& e) {
        EXPECT_FALSE(e.Message().empty());
    }
    EXPECT_GE(rs->GetRecordCount(), 25);
    EXPECT_NO_THROW(rs->Close());
    conn->Close();
    conn->Open();
    Exec(u"USE brevant_data_tests");
    auto again = Open(u"SELECT seq FROM seq_1_to_30");
    EXPECT_EQ(again->GetRecordCount(), 30);
}

}  // namespace
}  // namespace brevant
