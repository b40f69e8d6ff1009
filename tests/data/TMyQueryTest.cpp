// The query component against the real server: the empty and the three-row result
// with their notifications, the checks before anything is sent, a statement without
// rows, re-pointing the connection or changing the text, and large-object streams.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <unistd.h>

#include "ServerConnection.h"
#include "VectorDataSet.h"
#include "data/TMyQuery.h"
#include "mysql/client/TCustomMyConnection.h"
#include "mysql/client/TMySQLConnection.h"

namespace brevant::test {
namespace {

std::unique_ptr<TMyConnection> MakeConnection(const ServerAddress& server) {
    return test::MakeConnection(server, u"utf8", u"brevant_query_tests");
}

struct Counts {
    int afterOpen = 0, afterScroll = 0, afterClose = 0;
    void Attach(TDataSet& ds) {
        ds.AfterOpen = [this](TDataSet&) { ++afterOpen; };
        ds.AfterScroll = [this](TDataSet&) { ++afterScroll; };
        ds.AfterClose = [this](TDataSet&) { ++afterClose; };
    }
};

class QueryServer : public ::testing::Test {
protected:
    std::unique_ptr<TMyConnection> conn;
    Counts counts;  // outlives the query
    std::unique_ptr<TMyQuery> query;

    void Connect(const ServerAddress& server) {
        CreateDatabase(server, u"brevant_query_tests");
        conn = MakeConnection(server);
        conn->Open();
        conn->ExecSQL(u"CREATE OR REPLACE TABLE three (id INT PRIMARY KEY, name VARCHAR(40), note TEXT, doc BLOB)");
        conn->ExecSQL(u"INSERT INTO three VALUES (1, 'uno', 'ñandú', 'abc'), (2, 'dos', NULL, NULL),"
                      u" (3, 'tres', '', 'xyz')");
        query = std::make_unique<TMyQuery>(conn.get());
        counts.Attach(*query);
    }
    void Run(const char16_t* sql) {
        query->SQLClear();
        query->SQLAdd(sql);
        query->Open();
    }
    std::string Scalar(const char16_t* sql) {
        TMyQuery q(conn.get());
        q.SQLAdd(sql);
        q.Open();
        return Narrow(q.Fields()[0].AsString());
    }
};

TEST(QueryDefaults, PropertiesAndOptionsOfANewQuery) {
    TMyQuery q;
    EXPECT_EQ(q.Connection(), nullptr);
    EXPECT_TRUE(q.SQL().Empty());
    EXPECT_TRUE(q.ParamCheck());
    EXPECT_EQ(q.FetchRows(), 25);
    EXPECT_TRUE(q.FetchAll());
    EXPECT_FALSE(q.ReadOnly());
    EXPECT_FALSE(q.UniDirectional());
    EXPECT_FALSE(q.CachedUpdates());
    EXPECT_EQ(q.LockMode, lmNone);
    EXPECT_EQ(q.CheckMode, cmException);
    EXPECT_EQ(q.CommandTimeout(), 0);
    EXPECT_EQ(q.RefreshOptions, 0);
    TMyDataSetOptions& o = q.Options();
    struct Flag {
        const char* name;
        bool value, expected;
    } flags[] = {
        {"SetFieldsReadOnly", o.SetFieldsReadOnly, false}, {"RequiredFields", o.RequiredFields, false},
        {"FullRefresh", o.FullRefresh, false},             {"StrictUpdate", o.StrictUpdate, true},
        {"FieldsAsString", o.FieldsAsString(), false},     {"NumberRange", o.NumberRange, false},
        {"NumberFieldsAsString", o.NumberFieldsAsString(), false},
        {"ReturnParams", o.ReturnParams, false},           {"NullForZeroDate", o.NullForZeroDate(), true},
        {"TrimFixedChar", o.TrimFixedChar, true},          {"CheckRowVersion", o.CheckRowVersion(), false},
        {"QueryRecCount", o.QueryRecCount, false},         {"EnableBoolean", o.EnableBoolean(), true},
        {"RemoveOnRefresh", o.RemoveOnRefresh, true},      {"BinaryAsString", o.BinaryAsString(), true},
        {"FlatBuffers", o.FlatBuffers, false},             {"AutoRefresh", o.AutoRefresh, false},
        {"QuoteNames", o.QuoteNames, false},               {"CreateConnection", o.CreateConnection(), true},
        {"SaveBlobsAsHex", o.SaveBlobsAsHex(), true},      {"LocalMasterDetail", o.LocalMasterDetail, false},
        {"AutoPrepare", o.AutoPrepare, false},             {"CacheCalcFields", o.CacheCalcFields, false},
        {"LongStrings", o.LongStrings, true},              {"UpdateAllFields", o.UpdateAllFields, false},
        {"DefaultValues", o.DefaultValues, false},         {"TrimVarChar", o.TrimVarChar, false},
        {"SetEmptyStrToNull", o.SetEmptyStrToNull, false}, {"MasterFieldsNullable", o.MasterFieldsNullable, false},
        {"InsertAllSetFields", o.InsertAllSetFields, false},
    };
    for (const auto& f : flags) EXPECT_EQ(f.value, f.expected) << f.name;
    EXPECT_EQ(o.CompressBlobMode, cbNone);
    EXPECT_EQ(o.AutoRefreshInterval, 60);
    EXPECT_EQ(o.DetailDelay, 0);
    EXPECT_EQ(o.FieldOrigins, foTableAndField);
    EXPECT_EQ(o.UpdateBatchSize, 1);
}

TEST(QueryChecks, NoConnectionFailsBeforeAnythingIsSent) {
    TMyQuery q;
    q.SQLAdd(u"SELECT 1");
    EXPECT_EQ(ErrorOf([&] { q.Open(); }), "Connection is not defined");
    EXPECT_FALSE(q.Active());
    EXPECT_EQ(q.FieldCount(), 0);
}

TEST_F(QueryServer, EmptyResultOpensWithoutAfterScroll) {
    BREVANT_REQUIRE_SERVER(server);
    Connect(server);
    Run(u"SELECT * FROM three WHERE id > 10");
    EXPECT_TRUE(query->Active());
    EXPECT_EQ(query->RecordCount(), 0);
    EXPECT_EQ(query->RecNo(), 0);
    EXPECT_TRUE(query->Eof());
    EXPECT_TRUE(query->Bof());
    EXPECT_EQ(counts.afterOpen, 1);
    EXPECT_EQ(counts.afterScroll, 0);
    EXPECT_EQ(query->FieldCount(), 4);
}

TEST_F(QueryServer, ThreeRowsAndTheirNotifications) {
    BREVANT_REQUIRE_SERVER(server);
    Connect(server);
    Run(u"SELECT id, name, note FROM three ORDER BY id");
    EXPECT_EQ(query->RecordCount(), 3);
    EXPECT_EQ(query->RecNo(), 1);
    EXPECT_EQ(counts.afterScroll, 1);
    EXPECT_EQ(query->FieldByName(u"note").AsString(), u"ñandú");
    EXPECT_EQ(query->FieldByName(u"note").DataType(), ftWideMemo);
    EXPECT_EQ(query->FieldByName(u"name").DataType(), ftWideString);
    EXPECT_EQ(query->FieldByName(u"name").Size(), 40);
    EXPECT_FALSE(query->FieldByName(u"id").Required()) << "a NOT NULL column is left to the server";
    for (int i = 0; i < 3; ++i) query->Next();
    EXPECT_EQ(counts.afterScroll, 4);
    EXPECT_TRUE(query->Eof());
    EXPECT_EQ(query->RecNo(), 3);
    EXPECT_EQ(query->FieldByName(u"name").AsString(), u"tres");
    query->Next();
    EXPECT_EQ(counts.afterScroll, 4);
    TFieldValue v;
    ASSERT_TRUE(query->GetFieldValueAt(2, query->FieldByName(u"note"), v));
    EXPECT_TRUE(v.IsNull());
    query->Close();
    EXPECT_EQ(query->FieldCount(), 0);
    EXPECT_EQ(query->RecordCount(), 0);
    EXPECT_EQ(counts.afterClose, 1);
}

TEST_F(QueryServer, FetchingInBlocks) {
    BREVANT_REQUIRE_SERVER(server);
    Connect(server);
    query->SetFetchAll(false);
    query->SetFetchRows(2);
    Run(u"SELECT id FROM three ORDER BY id");
    EXPECT_EQ(query->RecordCount(), 2) << "one block at open";
    query->Last();
    EXPECT_EQ(query->RecordCount(), 3);
    EXPECT_EQ(query->FieldByName(u"id").AsInteger(), 3);
    query->Close();
    EXPECT_EQ(Scalar(u"SELECT COUNT(*) FROM three"), "3") << "the connection is free after close";
}

// Forward-only chosen before the open: the rows stream through one block, and the
// result cannot be edited.
TEST_F(QueryServer, ForwardOnlyChosenBeforeOpenKeepsOneBlock) {
    BREVANT_REQUIRE_SERVER(server);
    Connect(server);
    query->SetUniDirectional(true);
    query->SetFetchAll(false);
    query->SetFetchRows(2);
    Run(u"SELECT seq FROM seq_1_to_7");
    EXPECT_TRUE(query->UniDirectional());
    EXPECT_FALSE(query->CanModify());
    int expected = 0;
    for (; !query->Eof(); query->Next()) {
        EXPECT_EQ(query->FieldByName(u"seq").AsInteger(), ++expected);
        int blocks = 0;
        for (TBlockHeader* b = query->RecordSet()->BlockManager().FirstBlock(); b; b = b->Next) ++blocks;
        EXPECT_EQ(blocks, 1) << "at row " << expected;
    }
    EXPECT_EQ(expected, 7);
}

TEST_F(QueryServer, NumbersAsTheServersText) {
    BREVANT_REQUIRE_SERVER(server);
    Connect(server);
    query->Options().SetNumberFieldsAsString(true);
    Run(u"SELECT CAST(1 AS DECIMAL(5,2)) AS d, 1.5e0 AS f, CAST('2024-02-29 12:00:00' AS DATETIME) AS t,"
        u" 42 AS i, 'ñ' AS s");
    const struct {
        const char16_t* name;
        const char16_t* text;
    } cases[] = {{u"d", u"1.00"}, {u"f", u"1.5"}, {u"t", u"2024-02-29 12:00:00"}, {u"i", u"42"}, {u"s", u"ñ"}};
    for (const auto& c : cases) EXPECT_EQ(query->FieldByName(c.name).AsString(), c.text) << Narrow(c.name);
    EXPECT_EQ(query->FieldByName(u"s").DataType(), ftWideString) << "text keeps its kind";
}

TEST_F(QueryServer, ChecksBeforeAnythingIsSent) {
    BREVANT_REQUIRE_SERVER(server);
    Connect(server);
    query->SQLClear();
    EXPECT_EQ(ErrorOf([&] { query->Open(); }), "No SQL statement provided");
    query->SQLAdd(u"");
    EXPECT_NE(ErrorOf([&] { query->Open(); }), "No SQL statement provided") << "one empty line is a statement";
    EXPECT_FALSE(query->Active());

    conn->Close();
    conn->Options().SetAllowImplicitConnect(false);
    query->SQLClear();
    query->SQLAdd(u"SELECT 1");
    EXPECT_EQ(ErrorOf([&] { query->Open(); }), "Connection is not connected");
    EXPECT_FALSE(conn->Connected());
    conn->Options().SetAllowImplicitConnect(true);
    query->Open();
    EXPECT_TRUE(conn->Connected()) << "opened implicitly";
    EXPECT_EQ(query->Fields()[0].AsInteger(), 1);
}

TEST_F(QueryServer, StatementWithoutRowsRunsAndFailsTheOpen) {
    BREVANT_REQUIRE_SERVER(server);
    Connect(server);
    query->SQLAdd(u"UPDATE three SET name = 'changed' WHERE id = 2");
    EXPECT_EQ(ErrorOf([&] { query->Open(); }), "SQL statement doesn't return rows");
    EXPECT_FALSE(query->Active());
    EXPECT_EQ(query->FieldCount(), 0);
    EXPECT_EQ(counts.afterOpen, 0);
    EXPECT_EQ(Scalar(u"SELECT name FROM three WHERE id = 2"), "changed");
}

TEST_F(QueryServer, ServerErrorLeavesNoFields) {
    BREVANT_REQUIRE_SERVER(server);
    Connect(server);
    query->SQLAdd(u"SELECT no_such_column FROM three");
    EXPECT_NE(ErrorOf([&] { query->Open(); }).find("no_such_column"), std::string::npos);
    EXPECT_FALSE(query->Active());
    EXPECT_EQ(query->FieldCount(), 0);
    Run(u"SELECT 7");
    EXPECT_EQ(query->Fields()[0].AsInteger(), 7);
}

TEST_F(QueryServer, ChangingConnectionOrTextCloses) {
    BREVANT_REQUIRE_SERVER(server);
    Connect(server);
    auto other = MakeConnection(server);
    other->Open();
    Run(u"SELECT CONNECTION_ID()");
    const std::int64_t first = query->Fields()[0].AsLargeInt();
    query->SetConnection(other.get());
    EXPECT_FALSE(query->Active());
    EXPECT_EQ(counts.afterClose, 1);
    query->Open();
    EXPECT_NE(query->Fields()[0].AsLargeInt(), first) << "the record set runs on the new session";
    query->SQLAdd(u"");
    EXPECT_FALSE(query->Active()) << "a changed text closes";
    query->SetSQLText(u"SELECT 1");
    query->Open();
    other->Close();
    EXPECT_FALSE(query->Active()) << "closing the connection closes its datasets";
    query->Open();
    other.reset();
    EXPECT_FALSE(query->Active());
    EXPECT_EQ(query->Connection(), nullptr) << "a destroyed connection is forgotten";
    EXPECT_EQ(ErrorOf([&] { query->Open(); }), "Connection is not defined");
}

TEST_F(QueryServer, BlobStreamsReadAndWrite) {
    BREVANT_REQUIRE_SERVER(server);
    Connect(server);
    Run(u"SELECT id, doc, note FROM three ORDER BY id");
    TField& doc = query->FieldByName(u"doc");
    EXPECT_EQ(query->CreateBlobStream(doc, bmRead)->ReadAll(), "abc");
    std::string path = ::testing::TempDir() + "/query_blob" + std::to_string(::getpid());
    std::ofstream(path, std::ios::binary) << "from a file";
    EXPECT_EQ(ErrorOf([&] { static_cast<TBlobField&>(doc).LoadFromFile(path); }), "Dataset not in edit or insert mode");
    query->Edit();
    {
        auto s = query->CreateBlobStream(doc, bmWrite);
        EXPECT_EQ(s->Size(), 0);
        s->Write("new", 3);
    }
    EXPECT_TRUE(doc.Modified());
    EXPECT_EQ(doc.AsString(), u"new");
    TField& note = query->FieldByName(u"note");
    note.SetAsString(u"€");
    EXPECT_EQ(query->CreateBlobStream(note, bmRead)->ReadAll(), std::string("\xAC\x20", 2));
    query->Post();
    EXPECT_EQ(Scalar(u"SELECT doc FROM three WHERE id = 1"), "new");
    query->Next();
    query->Edit();
    static_cast<TBlobField&>(doc).LoadFromFile(path);
    EXPECT_FALSE(doc.IsNull());
    EXPECT_EQ(doc.AsString(), u"from a file");
    query->Cancel();
    EXPECT_TRUE(doc.IsNull());
    std::remove(path.c_str());
}

}  // namespace
}  // namespace brevant::test
