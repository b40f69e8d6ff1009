// Queries, result sets and prepared statements through TMySQLAPIDirect against
// the private MariaDB server.

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

#include "DirectTestSupport.h"
#include "mysql/wire/EMySqlException.h"
#include "mysql/wire/MySqlTypes.h"
#include "mysql/wire/TCRVioTcp.h"
#include "mysql/wire/TMySqlResultSet.h"

namespace brevant {
namespace {

using test::DirectConnection;

class DirectResult : public ::testing::Test {
protected:
    void SetUp() override {
        std::string why;
        auto server = test::ConfiguredServer(&why);
        if (!server) {
            if (std::getenv("CI")) FAIL() << why;
            GTEST_SKIP() << why;
        }
        server_ = *server;
        c_ = std::make_unique<DirectConnection>(api_, server_, server_.user, server_.password, "",
                                                CLIENT_MULTI_STATEMENTS);
        ASSERT_TRUE(c_->Connected()) << c_->Error();
        c_->Exec("CREATE DATABASE IF NOT EXISTS brevant_wire_r");
        ASSERT_EQ(api_.mysql_select_db(c_->Handle(), u"brevant_wire_r"), 0);
    }
    PMYSQL_CON H() const { return c_->Handle(); }
    PMYSQL_RES Use(const std::string& sql) {
        EXPECT_EQ(c_->Query(sql), 0) << sql << ": " << c_->Error();
        return api_.mysql_use_result(H());
    }

    TMySQLAPIDirect api_;
    test::ServerAddress server_;
    std::unique_ptr<DirectConnection> c_;
};

TEST_F(DirectResult, OkPacketOfAnInsert) {
    c_->Exec("CREATE OR REPLACE TABLE ok_t (id INT AUTO_INCREMENT PRIMARY KEY, v INT)");
    c_->Exec("INSERT INTO ok_t (id, v) VALUES (41, 0)");
    ASSERT_EQ(c_->Query("INSERT INTO ok_t (v) VALUES (1)"), 0);
    EXPECT_EQ(api_.mysql_affected_rows(H()), 1u);
    EXPECT_EQ(api_.mysql_insert_id(H()), 42u);
    EXPECT_EQ(api_.mysql_field_count(H()), 0u);
    EXPECT_EQ(api_.mysql_use_result(H()), nullptr);
    EXPECT_EQ(api_.mysql_errno(H()), 0u);
    ASSERT_EQ(c_->Query("UPDATE ok_t SET v = v + 1"), 0);
    EXPECT_EQ(api_.mysql_affected_rows(H()), 2u);
    EXPECT_EQ(api_.mysql_info(H()), "Rows matched: 2  Changed: 2  Warnings: 0");
    EXPECT_TRUE(c_->Session().serverStatus & SERVER_STATUS_AUTOCOMMIT);
    ASSERT_EQ(c_->Query("INSERT INTO ok_t (v) VALUES ('x')"), 1366);  // strict mode error
    EXPECT_TRUE(api_.mysql_isservererror(H()));
    EXPECT_EQ(c_->Error().rfind("#22007", 0), 0u) << c_->Error();
}

TEST_F(DirectResult, ConstantNullAndEmptyString) {
    PMYSQL_RES r = Use("SELECT 1, NULL, ''");
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(api_.mysql_num_fields(r), 3u);
    PMYSQL_ROW row = api_.mysql_fetch_row(r);
    ASSERT_NE(row, nullptr);
    const TMySqlBinds& b = *reinterpret_cast<TMySqlBinds*>(row);
    EXPECT_EQ(b.Items[0].Offset, 1u);
    EXPECT_EQ(b.Items[0].Length, 1u);
    EXPECT_TRUE(api_._mysql_fetch_value_is_null(row, 1));
    EXPECT_EQ(api_._mysql_fetch_value_ptr(r, row, 1), nullptr);
    EXPECT_FALSE(api_._mysql_fetch_value_is_null(row, 2));
    EXPECT_EQ(b.Items[2].Length, 0u);
    char text[8] = "zzzzzzz";
    api_._mysql_fetch_value_to_str(row, 0, 1, text);
    EXPECT_STREQ(text, "1");
    std::uint32_t offset = 0;
    const char* bytes = api_._mysql_fetch_value_arr(row, 0, offset);
    EXPECT_EQ(bytes[offset], '1');
    EXPECT_EQ(api_._mysql_fetch_value_ptr(r, row, 0), bytes + offset);
    std::uint32_t lengths[3] = {9, 9, 9};
    api_._mysql_fetch_lengths(r, lengths);
    EXPECT_EQ(lengths[0], 1u);
    EXPECT_EQ(lengths[1], 0u);
    EXPECT_EQ(lengths[2], 0u);
    // Column numbers past the row, and no row, give no value.
    for (std::uint32_t column : {3u, 4u, 0x15555556u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(column);
        EXPECT_EQ(api_._mysql_fetch_value_ptr(r, row, column), nullptr);
        EXPECT_TRUE(api_._mysql_fetch_value_is_null(row, column));
    }
    EXPECT_EQ(api_._mysql_fetch_value_ptr(r, nullptr, 0), nullptr);
    EXPECT_EQ(api_.mysql_fetch_row(r), nullptr);
    api_.mysql_free_result(r);
}

TEST_F(DirectResult, ColumnDefinitions) {
    c_->Exec("CREATE OR REPLACE TABLE cols (id INT UNSIGNED NOT NULL PRIMARY KEY, name VARCHAR(40), "
             "price DECIMAL(10,2), seen DATETIME, ratio DOUBLE, note TEXT, data BLOB, yr YEAR)");
    PMYSQL_RES r = Use("SELECT id AS ident, name, price, seen, ratio, note, data, yr, 1 + 1 FROM cols c");
    ASSERT_NE(r, nullptr);
    struct Expect {
        const char* name;
        const char* orgName;
        std::uint8_t type;
        bool numeric;
    } expected[] = {
        {"ident", "id", MYSQL_TYPE_LONG, true},       {"name", "name", MYSQL_TYPE_VAR_STRING, false},
        {"price", "price", MYSQL_TYPE_NEWDECIMAL, false}, {"seen", "seen", MYSQL_TYPE_DATETIME, false},
        {"ratio", "ratio", MYSQL_TYPE_DOUBLE, true},   {"note", "note", MYSQL_TYPE_BLOB, false},
        {"data", "data", MYSQL_TYPE_BLOB, false},      {"yr", "yr", MYSQL_TYPE_YEAR, true},
        {"1 + 1", "1 + 1", MYSQL_TYPE_LONG, true},
    };
    ASSERT_EQ(api_.mysql_num_fields(r), std::size(expected));
    for (std::uint32_t i = 0; i < std::size(expected); ++i) {
        SCOPED_TRACE(expected[i].name);
        TMYSQL_FIELD f;
        api_._mysql_fetch_field_direct(r, i, true, f);
        EXPECT_EQ(f.Name, expected[i].name);
        EXPECT_EQ(f.OrgName, expected[i].orgName);  // the name when the server sent no source name
        EXPECT_EQ(f.MyType, expected[i].type);
        EXPECT_EQ((f.Flags & NUM_FLAG) != 0, expected[i].numeric);
        if (i < 8) {
            EXPECT_EQ(f.Table, "c");
            EXPECT_EQ(f.OrgTable, "cols");
        }
    }
    TMYSQL_FIELD id, name, price;
    api_._mysql_fetch_field_direct(r, 0, true, id);
    api_._mysql_fetch_field_direct(r, 1, true, name);
    api_._mysql_fetch_field_direct(r, 2, true, price);
    EXPECT_EQ(id.Flags & (NOT_NULL_FLAG | PRI_KEY_FLAG | UNSIGNED_FLAG), NOT_NULL_FLAG | PRI_KEY_FLAG | UNSIGNED_FLAG);
    EXPECT_EQ(name.LengthInBytes, 120u);  // 40 characters of utf8: not multiplied again under 4.1
    EXPECT_EQ(name.CharsetNr, 33u);
    EXPECT_EQ(price.Decimals, 2u);
    EXPECT_EQ(api_.mysql_fetch_row(r), nullptr);
    api_.mysql_free_result(r);
}

TEST_F(DirectResult, TwoStatementsInOneText) {
    ASSERT_EQ(c_->Query("SELECT 1; SELECT 2, 3"), 0) << c_->Error();
    PMYSQL_RES r = api_.mysql_use_result(H());
    ASSERT_NE(r, nullptr);
    PMYSQL_ROW row = api_.mysql_fetch_row(r);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(api_._mysql_fetch_value_str(row, 0), "1");
    EXPECT_EQ(api_.mysql_fetch_row(r), nullptr);
    api_.mysql_free_result(r);
    EXPECT_TRUE(api_.mysql_more_results(H()));
    ASSERT_EQ(api_.mysql_next_result(H()), 0) << c_->Error();
    r = api_.mysql_use_result(H());
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(api_.mysql_num_fields(r), 2u);
    row = api_.mysql_fetch_row(r);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(api_._mysql_fetch_value_str(row, 1), "3");
    EXPECT_EQ(api_.mysql_fetch_row(r), nullptr);
    api_.mysql_free_result(r);
    EXPECT_FALSE(api_.mysql_more_results(H()));
    EXPECT_EQ(api_.mysql_next_result(H()), -1);

    // Statements without rows, an error in the second, and a result freed unread.
    c_->Exec("CREATE OR REPLACE TABLE multi (v INT)");
    ASSERT_EQ(c_->Query("INSERT INTO multi VALUES (1), (2); SELECT * FROM no_such_multi; SELECT 5"), 0);
    EXPECT_EQ(api_.mysql_affected_rows(H()), 2u);
    EXPECT_TRUE(api_.mysql_more_results(H()));
    EXPECT_EQ(api_.mysql_next_result(H()), 1146);
    EXPECT_TRUE(api_.mysql_isservererror(H()));
    EXPECT_FALSE(api_.mysql_more_results(H()));  // the server stops at the error

    ASSERT_EQ(c_->Query("SELECT seq FROM seq_1_to_3000; SELECT 'second'"), 0);
    r = api_.mysql_use_result(H());
    ASSERT_NE(api_.mysql_fetch_row(r), nullptr);
    api_.mysql_free_result(r);
    EXPECT_TRUE(api_.mysql_more_results(H()));
    ASSERT_EQ(api_.mysql_next_result(H()), 0);
    r = api_.mysql_use_result(H());
    ASSERT_NE(r, nullptr);
    row = api_.mysql_fetch_row(r);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(api_._mysql_fetch_value_str(row, 0), "second");
    api_.mysql_free_result(r);
    EXPECT_EQ(api_.mysql_next_result(H()), -1);
}

TEST_F(DirectResult, ErrorInTheMiddleOfTheRows) {
    c_->Exec("CREATE OR REPLACE TABLE outer_t (id INT)");
    c_->Exec("CREATE OR REPLACE TABLE inner_t (id INT)");
    c_->Exec("INSERT INTO outer_t SELECT seq FROM seq_1_to_50");
    c_->Exec("INSERT INTO inner_t VALUES (1), (2), (3), (30), (30)");
    // Row 30's subquery returns two rows: the server fails after sending rows 1..29.
    PMYSQL_RES r = Use("SELECT id, (SELECT i.id FROM inner_t i WHERE i.id = o.id) FROM outer_t o ORDER BY id");
    ASSERT_NE(r, nullptr);
    int rows = 0;
    while (api_.mysql_fetch_row(r)) ++rows;
    EXPECT_GT(rows, 0);
    EXPECT_LT(rows, 50);
    EXPECT_EQ(api_.mysql_errno(H()), 1242u) << c_->Error();
    EXPECT_TRUE(api_.mysql_isservererror(H()));
    EXPECT_EQ(c_->Session().status, msReady);
    api_.mysql_free_result(r);
    EXPECT_EQ(c_->Value("SELECT 'after'"), "after");

    // The same as the first of two statements: the error packet ends the whole
    // answer, so no further result is announced and the session is ready.
    r = Use("SELECT id, (SELECT i.id FROM inner_t i WHERE i.id = o.id) FROM outer_t o ORDER BY id; SELECT 2");
    ASSERT_NE(r, nullptr);
    while (api_.mysql_fetch_row(r)) {
    }
    EXPECT_EQ(api_.mysql_errno(H()), 1242u) << c_->Error();
    api_.mysql_free_result(r);
    EXPECT_EQ(c_->Session().status, msReady);
    EXPECT_FALSE(api_.mysql_more_results(H()));
    EXPECT_EQ(api_.mysql_next_result(H()), -1);
    EXPECT_EQ(c_->Value("SELECT 'after both'"), "after both");
}

TEST_F(DirectResult, ErrorAmongSkippedRows) {
    c_->Exec("CREATE OR REPLACE TABLE two_rows (a INT)");
    c_->Exec("INSERT INTO two_rows VALUES (1), (2)");
    c_->Exec("CREATE OR REPLACE TABLE outer_t (id INT)");
    c_->Exec("CREATE OR REPLACE TABLE inner_t (id INT)");
    c_->Exec("INSERT INTO outer_t SELECT seq FROM seq_1_to_50");
    c_->Exec("INSERT INTO inner_t VALUES (1), (30), (30)");
    // Freeing an unread or half-read result skips its rows; the error packet
    // that arrives among them is the statement's error, and the session is
    // ready afterwards with no further result announced.
    struct Case {
        const char* sql;
        int fetchFirst;  // rows read before the result is freed
    } cases[] = {
        {"SELECT (SELECT a FROM two_rows)", 0},
        {"SELECT (SELECT a FROM two_rows); SELECT 2", 0},
        {"SELECT id, (SELECT i.id FROM inner_t i WHERE i.id = o.id) FROM outer_t o ORDER BY id", 0},
        {"SELECT id, (SELECT i.id FROM inner_t i WHERE i.id = o.id) FROM outer_t o ORDER BY id", 5},
        {"SELECT id, (SELECT i.id FROM inner_t i WHERE i.id = o.id) FROM outer_t o ORDER BY id; SELECT 2", 5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sql);
        PMYSQL_RES r = Use(c.sql);
        ASSERT_NE(r, nullptr);
        for (int i = 0; i < c.fetchFirst; ++i) ASSERT_NE(api_.mysql_fetch_row(r), nullptr) << c_->Error();
        api_.mysql_free_result(r);
        EXPECT_EQ(api_.mysql_errno(H()), 1242u) << c_->Error();
        EXPECT_TRUE(api_.mysql_isservererror(H()));
        EXPECT_EQ(c_->Session().status, msReady);
        EXPECT_FALSE(api_.mysql_more_results(H()));
        EXPECT_EQ(api_.mysql_next_result(H()), -1);
        EXPECT_EQ(c_->Value("SELECT 'after'"), "after");
    }
}

TEST_F(DirectResult, WholeRowValuesMatchTheValueByValueOperations) {
    // The whole-row operation against the base form built on the per-value ones,
    // over NULLs, empty strings, long and short values, and a ring of rows kept.
    for (int keep : {1, 3}) {
        SCOPED_TRACE(keep);
        PMYSQL_RES r = Use("SELECT seq, IF(seq % 3 = 0, NULL, REPEAT('x', seq * 37 % 300)), '', NULL "
                           "FROM seq_1_to_40");
        ASSERT_NE(r, nullptr);
        api_._mysql_fetch_options(r, foKeepRowCount, keep);
        const std::uint32_t n = api_.mysql_num_fields(r);
        std::vector<const char*> values(n), expectedValues(n);
        std::vector<std::uint32_t> lengths(n), expectedLengths(n);
        int rows = 0;
        while (PMYSQL_ROW row = api_.mysql_fetch_row(r)) {
            api_._mysql_fetch_row_values(r, row, n, values.data(), lengths.data());
            api_.TMySQLAPI::_mysql_fetch_row_values(r, row, n, expectedValues.data(), expectedLengths.data());
            EXPECT_EQ(values, expectedValues);
            EXPECT_EQ(lengths, expectedLengths);
            EXPECT_EQ(values[3], nullptr);
            EXPECT_NE(values[2], nullptr);  // empty, not NULL
            EXPECT_EQ(std::string(values[0], lengths[0]), std::to_string(rows + 1));
            ++rows;
        }
        EXPECT_EQ(rows, 40);
        EXPECT_EQ(api_.mysql_errno(H()), 0u);
        api_.mysql_free_result(r);
    }
}

TEST_F(DirectResult, CommandsOutOfSyncLeaveTheFirstResultReadable) {
    PMYSQL_RES r = Use("SELECT seq FROM seq_1_to_100");
    ASSERT_NE(r, nullptr);
    ASSERT_NE(api_.mysql_fetch_row(r), nullptr);
    EXPECT_EQ(c_->Query("SELECT 2"), 2014);
    EXPECT_EQ(c_->Error(), "Commands out of sync;  You can't run this command now");
    EXPECT_FALSE(api_.mysql_isservererror(H()));
    EXPECT_EQ(api_.mysql_next_result(H()), 2014);
    EXPECT_EQ(c_->Error(), "Commands out of sync;  You can't run this command now\r\nmysql.status = 2");
    EXPECT_EQ(api_.mysql_use_result(H()), nullptr);  // nothing pending: no second result
    int rows = 1;
    PMYSQL_ROW row = nullptr;
    while (PMYSQL_ROW next = api_.mysql_fetch_row(r)) {
        row = next;
        ++rows;
    }
    EXPECT_EQ(rows, 100);
    EXPECT_EQ(api_.mysql_errno(H()), 0u);
    api_.mysql_free_result(r);
    (void)row;
    EXPECT_EQ(c_->Value("SELECT 2"), "2");

    // Freeing the half-read result after the refused command skips its rows:
    // the recorded 2014 must not leave the session stuck with them.
    r = Use("SELECT seq FROM seq_1_to_100");
    ASSERT_NE(api_.mysql_fetch_row(r), nullptr);
    EXPECT_EQ(c_->Query("SELECT 2"), 2014);
    api_.mysql_free_result(r);
    EXPECT_EQ(c_->Session().status, msReady);
    EXPECT_EQ(c_->Value("SELECT 3"), "3");
}

TEST_F(DirectResult, FreeingAHalfReadResult) {
    c_->Exec("CREATE OR REPLACE TABLE big_t (id INT PRIMARY KEY, pad VARCHAR(100))");
    c_->Exec("INSERT INTO big_t SELECT seq, REPEAT('p', seq % 100) FROM seq_1_to_10000");
    PMYSQL_RES r = Use("SELECT * FROM big_t ORDER BY id");
    ASSERT_NE(r, nullptr);
    for (int i = 0; i < 5000; ++i) ASSERT_NE(api_.mysql_fetch_row(r), nullptr);
    EXPECT_EQ(c_->Session().status, msUseResult);
    api_.mysql_free_result(r);
    EXPECT_EQ(c_->Session().status, msReady);
    EXPECT_EQ(api_.mysql_errno(H()), 0u);
    EXPECT_EQ(c_->Value("SELECT COUNT(*) FROM big_t"), "10000");
}

TEST_F(DirectResult, RowRing) {
    PMYSQL_RES r = Use("SELECT seq, REPEAT('v', seq * 10) FROM seq_1_to_7");
    ASSERT_NE(r, nullptr);
    api_._mysql_fetch_options(r, foKeepRowCount, 3);
    for (int i = 1; i <= 3; ++i) ASSERT_NE(api_.mysql_fetch_row(r), nullptr);
    PMYSQL_ROW row = api_._mysql_read_row(r, 0);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(api_._mysql_fetch_value_str(row, 0), "1");
    EXPECT_EQ(api_._mysql_fetch_value_str(api_._mysql_read_row(r, 2), 0), "3");
    EXPECT_EQ(api_._mysql_fetch_value_str(api_._mysql_read_row(r, 1), 1), std::string(20, 'v'));
    // The fourth fetch starts the ring over: buffer 0 now holds row 4.
    ASSERT_NE(api_.mysql_fetch_row(r), nullptr);
    EXPECT_EQ(api_._mysql_fetch_value_str(api_._mysql_read_row(r, 0), 0), "4");
    EXPECT_THROW(api_._mysql_read_row(r, 1), EArgumentError);  // "Invalid record number"
    int rest = 0;
    while (api_.mysql_fetch_row(r)) ++rest;
    EXPECT_EQ(rest, 3);
    api_.mysql_free_result(r);
    EXPECT_EQ(c_->Value("SELECT 'x'"), "x");
}

// Records the size of every write, to see the packets of a local-file upload.
class CountingTcp : public TCRVioTcp {
public:
    CountingTcp(UString host, TIPVersion v, int port, std::vector<int>* writes)
        : TCRVioTcp(std::move(host), v, port), writes_(writes) {}
    int Write(const std::uint8_t* buffer, int offset, int count) override {
        writes_->push_back(count);
        return TCRVioTcp::Write(buffer, offset, count);
    }

private:
    std::vector<int>* writes_;
};

TEST_F(DirectResult, LoadDataLocalInfileSendsChunksOf8192) {
    std::vector<int> writes;
    PMYSQL_CON con = api_.mysql_init();
    TMySQLAPIDirect::Session(con)->FVioFactory = [&](const UString& host, TIPVersion v, int port) {
        return std::make_unique<CountingTcp>(host, v, port, &writes);
    };
    ASSERT_NE(api_.mysql_real_connect(con, Widen(server_.host), Widen(server_.user), Widen(server_.password),
                                      u"brevant_wire_r", server_.port, u"", 0),
              nullptr)
        << api_.mysql_error(con);
    auto run = [&](const std::string& sql) { return api_.mysql_real_query(con, sql.data(), sql.size()); };
    ASSERT_EQ(run("CREATE OR REPLACE TABLE infile_t (v INT)"), 0);

    const std::string path = ::testing::TempDir() + "brevant_infile_20000.txt";
    {
        std::ofstream f(path, std::ios::binary);
        for (int i = 0; i < 4000; ++i) f << (1000 + i % 9000) << '\n';  // 5 bytes a line
    }
    writes.clear();
    ASSERT_EQ(run("LOAD DATA LOCAL INFILE '" + path + "' INTO TABLE infile_t"), 0) << api_.mysql_error(con);
    EXPECT_EQ(api_.mysql_affected_rows(con), 4000u);
    // The query packet, then 8192 + 8192 + 3616 bytes of file and the empty packet
    // (each with its 4-byte header).
    ASSERT_EQ(writes.size(), 5u);
    EXPECT_EQ(std::vector<int>(writes.begin() + 1, writes.end()), (std::vector<int>{8196, 8196, 3620, 4}));

    // A file that cannot be opened: the empty packet goes, the server answers, and
    // the file error reaches the caller; the session stays usable.
    const std::string missing = ::testing::TempDir() + "brevant_no_such_file.txt";
    std::string sql = "LOAD DATA LOCAL INFILE '" + missing + "' INTO TABLE infile_t";
    try {
        run(sql);
        ADD_FAILURE() << "no error";
    } catch (const EMySqlException&) {
        ADD_FAILURE() << "a file error is no protocol error";
    } catch (const Exception& e) {
        EXPECT_NE(std::string(e.what()).find("Cannot open file \"" + missing + "\""), std::string::npos) << e.what();
    }
    EXPECT_EQ(run("SELECT 1"), 0);
    PMYSQL_RES r = api_.mysql_use_result(con);
    ASSERT_NE(r, nullptr);
    EXPECT_NE(api_.mysql_fetch_row(r), nullptr);
    api_.mysql_free_result(r);
    api_.mysql_close(con);
}

TEST_F(DirectResult, PreparedStatements) {
    c_->Exec("CREATE OR REPLACE TABLE stmt_t (id INT PRIMARY KEY, name VARCHAR(40), d DOUBLE, b MEDIUMBLOB, "
             "big BIGINT UNSIGNED, n INT)");
    PMYSQL_STMT st = api_.mysql_stmt_init(H());
    const std::string insert = "INSERT INTO stmt_t VALUES (?, ?, ?, ?, ?, ?)";
    ASSERT_EQ(api_.mysql_stmt_prepare(st, insert.data(), insert.size()), 0) << api_.mysql_stmt_error(st);
    ASSERT_EQ(api_.mysql_stmt_param_count(st), 6u);
    EXPECT_EQ(api_.mysql_stmt_field_count(st), 0u);

    std::int32_t id = 7;
    char name[] = "seven";
    std::uint32_t nameLength = 5;
    double d = 2.5;
    std::uint64_t big = 18446744073709551615ull;
    bool isNull = true;
    TMySqlStmtBind params[6];
    params[0] = {MYSQL_TYPE_LONG, &id, 4};
    params[1] = {MYSQL_TYPE_VAR_STRING, name, sizeof name, &nameLength};
    params[2] = {MYSQL_TYPE_DOUBLE, &d, 8};
    params[3] = {MYSQL_TYPE_BLOB, nullptr, 0};
    params[4] = {MYSQL_TYPE_LONGLONG, &big, 8, nullptr, nullptr, true};
    params[5] = {MYSQL_TYPE_LONG, &id, 4, nullptr, &isNull};
    api_.mysql_stmt_bind_param(st, params);
    const std::string part1(70000, 'L'), part2 = "tail";
    EXPECT_FALSE(api_.mysql_stmt_send_long_data(st, 3, part1.data(), part1.size()));
    EXPECT_FALSE(api_.mysql_stmt_send_long_data(st, 3, part2.data(), part2.size()));
    ASSERT_EQ(api_.mysql_stmt_execute(st), 0) << api_.mysql_stmt_error(st);
    EXPECT_EQ(api_.mysql_stmt_affected_rows(st), 1u);
    id = 8;
    isNull = false;
    ASSERT_EQ(api_.mysql_stmt_execute(st), 0) << api_.mysql_stmt_error(st);  // empty blob this time
    ASSERT_EQ(api_.mysql_stmt_execute(st), 1062);                            // id 8 again
    EXPECT_TRUE(api_.mysql_stmt_isservererror(st));
    EXPECT_EQ(api_.mysql_stmt_errno(st), 1062u);
    EXPECT_FALSE(api_.mysql_stmt_close(st));

    st = api_.mysql_stmt_init(H());
    const std::string bad = "SELECT * FROM no_such_stmt_table";
    EXPECT_EQ(api_.mysql_stmt_prepare(st, bad.data(), bad.size()), 1146);
    const std::string select = "SELECT id, name, d, LENGTH(b), big, n FROM stmt_t WHERE id >= ? ORDER BY id";
    ASSERT_EQ(api_.mysql_stmt_prepare(st, select.data(), select.size()), 0) << api_.mysql_stmt_error(st);
    EXPECT_EQ(api_.mysql_stmt_field_count(st), 6u);
    PMYSQL_RES meta = api_.mysql_stmt_result_metadata(st);
    ASSERT_NE(meta, nullptr);
    TMYSQL_FIELD f;
    api_._mysql_fetch_field_direct(meta, 1, false, f);
    EXPECT_EQ(f.Name, "name");
    api_.mysql_free_result(meta);

    std::int32_t from = 0;
    TMySqlStmtBind key[1] = {{MYSQL_TYPE_LONG, &from, 4}};
    api_.mysql_stmt_bind_param(st, key);
    ASSERT_EQ(api_.mysql_stmt_execute(st), 0) << api_.mysql_stmt_error(st);
    PMYSQL_ROW row = api_._mysql_stmt_fetch(st);
    ASSERT_NE(row, nullptr) << api_.mysql_stmt_error(st);
    std::int32_t gotId;
    std::memcpy(&gotId, api_._mysql_stmt_fetch_value_ptr(st, 0), 4);
    EXPECT_EQ(gotId, 7);
    EXPECT_EQ(api_._mysql_fetch_value_str(row, 1), "seven");
    double gotD;
    std::memcpy(&gotD, api_._mysql_stmt_fetch_value_ptr(st, 2), 8);
    EXPECT_EQ(gotD, 2.5);
    std::int32_t blobLength;  // LENGTH() is an INT: 4 bytes in a binary row
    std::memcpy(&blobLength, api_._mysql_stmt_fetch_value_ptr(st, 3), 4);
    EXPECT_EQ(blobLength, 70004);
    std::uint64_t gotBig;
    std::memcpy(&gotBig, api_._mysql_stmt_fetch_value_ptr(st, 4), 8);
    EXPECT_EQ(gotBig, big);
    EXPECT_TRUE(api_._mysql_fetch_value_is_null(row, 5));
    std::uint32_t lengths[6];
    api_._mysql_stmt_fetch_lengths(st, lengths);
    EXPECT_EQ(lengths[1], 5u);
    EXPECT_EQ(lengths[3], 4u);
    row = api_._mysql_stmt_fetch(st);
    ASSERT_NE(row, nullptr);
    std::memcpy(&blobLength, api_._mysql_stmt_fetch_value_ptr(st, 3), 4);
    EXPECT_EQ(blobLength, 0);
    EXPECT_FALSE(api_._mysql_fetch_value_is_null(row, 5));
    EXPECT_EQ(api_._mysql_stmt_fetch(st), nullptr);

    // Copying into bound buffers, with a name buffer too small.
    ASSERT_EQ(api_.mysql_stmt_execute(st), 0) << api_.mysql_stmt_error(st);
    std::int32_t outId = 0;
    char outName[3] = {};
    std::uint32_t outNameLength = 0;
    bool nameTruncated = false, outNull = false;
    TMySqlStmtBind results[6];
    results[0] = {MYSQL_TYPE_LONG, &outId, 4};
    results[1] = {MYSQL_TYPE_VAR_STRING, outName, sizeof outName, &outNameLength, nullptr, false, &nameTruncated};
    results[5] = {MYSQL_TYPE_LONG, nullptr, 0, nullptr, &outNull};
    api_.mysql_stmt_bind_result(st, results);
    EXPECT_EQ(api_.mysql_stmt_fetch(st), MYSQL_DATA_TRUNCATED);
    EXPECT_EQ(outId, 7);
    EXPECT_EQ(std::string(outName, 3), "sev");
    EXPECT_EQ(outNameLength, 5u);
    EXPECT_TRUE(nameTruncated);
    EXPECT_TRUE(outNull);
    // The rest of the rows is skipped; the connection goes on.
    EXPECT_FALSE(api_.mysql_stmt_free_result(st));
    EXPECT_EQ(c_->Value("SELECT COUNT(*) FROM stmt_t"), "2");
    EXPECT_FALSE(api_.mysql_stmt_close(st));
}

}  // namespace
}  // namespace brevant
