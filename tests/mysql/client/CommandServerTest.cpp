// The command component against the real server: parameter values round-trip
// byte for byte in both escaping modes, several statements in one text, an error in
// a later statement, macros, batches, the execution events and implicit connects.

#include <gtest/gtest.h>

#include <cfloat>
#include <cstdlib>
#include <limits>

#include "ServerConnection.h"
#include "core/DateTime.h"
#include "mysql/client/TMyCommand.h"

namespace brevant {
namespace {

std::string Hex(std::string_view bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

TDateTime Hms(int h, int m, int s, int ms = 0) { return (h * 3600000.0 + m * 60000.0 + s * 1000.0 + ms) / MSecsPerDay; }

class CommandServerTest : public test::CapturingTest {
protected:
    TMyConnection conn{u"MyConn"};
    TMyCommand cmd{&conn};

    void TearDown() override {
        conn.Close();
        CapturingTest::TearDown();
    }

    /// The workbench's MyConn on the test server, in a database of this test's own.
    void Open(const test::ServerAddress& server) {
        test::Configure(conn, server);
        conn.Open();
        test::CreateDatabase(conn, u"brevant_command");
        conn.SetDatabase(u"brevant_command");
    }

    void Run(const UString& sql) {
        cmd.SetSQLText(sql);
        cmd.Execute();
    }

    std::string QueryValue(const std::string& sql) { return test::QueryValue(conn, sql); }
};

TEST_F(CommandServerTest, ParametersRoundTripByteForByteInBothEscapingModes) {
    BREVANT_REQUIRE_SERVER(server);
    Open(server);
    std::string all256;
    for (int i = 0; i < 256; ++i) all256 += static_cast<char>(i);
    const UString texts[] = {
        u"' \" \\",
        UString(u"nul\0byte", 8),
        u"cr\rlf\nctrl\x1Aend",
        u"ends with \\",
        u"\\",
        u"''",
        u"\u00F1and\u00FA \u20AC \u65E5\u672C\u8A9E",
        u"",
    };
    struct Number {
        const char* name;
        long long i;
        unsigned long long u;
        double d;
    };
    const Number numbers[] = {
        {"min", std::numeric_limits<long long>::min(), 0, -DBL_MAX},
        {"max", std::numeric_limits<long long>::max(), std::numeric_limits<unsigned long long>::max(), DBL_MAX},
        {"2^63", -1, 9223372036854775808ull, 0.1},
        {"small", 0, 1, 2.2250738585072014e-308},
        {"odd", 123456789, 18446744073709551557ull, -1.0000000000000002},
    };
    TDateTime day = 0;
    ASSERT_TRUE(TryEncodeDate(2024, 2, 29, day));

    for (bool noBackslashes : {false, true}) {
        SCOPED_TRACE(noBackslashes ? "NO_BACKSLASH_ESCAPES" : "default sql_mode");
        Run(noBackslashes ? u"SET SESSION sql_mode = CONCAT(@@sql_mode, ',NO_BACKSLASH_ESCAPES')"
                          : u"SET SESSION sql_mode = REPLACE(@@sql_mode, 'NO_BACKSLASH_ESCAPES', '')");
        ASSERT_EQ(conn.Session()->NeedBackslashes(), !noBackslashes);
        Run(u"DROP TEMPORARY TABLE IF EXISTS rt");
        Run(u"CREATE TEMPORARY TABLE rt (k INT PRIMARY KEY, s TEXT CHARACTER SET utf8mb4, b BLOB, i BIGINT, "
            u"u BIGINT UNSIGNED, bits BIT(64), d DOUBLE, t TIME, t3 TIME(3), dt DATETIME(3))");

        cmd.SetSQLText(u"INSERT INTO rt (k, s) VALUES (:k, :s)");
        for (std::size_t k = 0; k < std::size(texts); ++k) {
            SCOPED_TRACE(k);
            cmd.ParamByName(u"k").SetAsInteger(static_cast<int>(k));
            cmd.ParamByName(u"s").SetAsWideString(texts[k]);
            cmd.Execute();
            EXPECT_EQ(cmd.RowsAffected(), 1);
            EXPECT_EQ(QueryValue("SELECT HEX(s) FROM rt WHERE k = " + std::to_string(k)), Hex(Utf16ToUtf8(texts[k])));
        }
        // A value ending in a backslash is written for the mode in force.
        cmd.ParamByName(u"k").SetAsInteger(100);
        cmd.ParamByName(u"s").SetAsString(u"x\\");
        cmd.Execute();
        EXPECT_EQ(api.statements.back(), noBackslashes ? "INSERT INTO rt (k, s) VALUES (100, 'x\\')"
                                                       : "INSERT INTO rt (k, s) VALUES (100, 'x\\\\')");

        Run(u"UPDATE rt SET b = :b WHERE k = 0");
        cmd.ParamByName(u"b").SetAsBlob(all256);
        cmd.Execute();
        EXPECT_EQ(QueryValue("SELECT HEX(b) FROM rt WHERE k = 0"), Hex(all256));

        cmd.SetSQLText(u"UPDATE rt SET i = :i, u = :u, bits = :u, d = :d WHERE k = 1");
        for (const Number& n : numbers) {
            SCOPED_TRACE(n.name);
            cmd.ParamByName(u"i").SetAsLargeInt(n.i);
            cmd.ParamByName(u"u").SetAsUInt64(n.u);
            cmd.ParamByName(u"d").SetAsFloat(n.d);
            cmd.Execute();
            EXPECT_EQ(QueryValue("SELECT i FROM rt WHERE k = 1"), std::to_string(n.i));
            EXPECT_EQ(QueryValue("SELECT u FROM rt WHERE k = 1"), std::to_string(n.u));
            EXPECT_EQ(QueryValue("SELECT CAST(bits AS UNSIGNED) FROM rt WHERE k = 1"), std::to_string(n.u));
            EXPECT_EQ(std::strtod(QueryValue("SELECT d FROM rt WHERE k = 1").c_str(), nullptr), n.d);
        }

        cmd.SetSQLText(u"UPDATE rt SET t = :t, t3 = :t3, dt = :dt WHERE k = 2");
        const std::tuple<TDateTime, TDateTime, TDateTime, const char*, const char*, const char*> times[] = {
            {-Hms(838, 59, 59), -Hms(1, 2, 3, 456), day + Hms(13, 14, 15, 678), "-838:59:59", "-01:02:03.456",
             "2024-02-29 13:14:15.678"},
            {Hms(838, 59, 59), Hms(25, 0, 0, 1), day + Hms(0, 0, 0, 999), "838:59:59", "25:00:00.001",
             "2024-02-29 00:00:00.999"},
            {-Hms(1, 30, 0), -Hms(0, 0, 0, 500), day, "-01:30:00", "-00:00:00.500", "2024-02-29 00:00:00.000"},
        };
        for (const auto& [t, t3, dt, tText, t3Text, dtText] : times) {
            SCOPED_TRACE(tText);
            cmd.ParamByName(u"t").SetAsTime(t);
            cmd.ParamByName(u"t3").SetAsTime(t3);
            cmd.ParamByName(u"dt").SetAsDateTime(dt);
            cmd.Execute();
            EXPECT_EQ(QueryValue("SELECT t FROM rt WHERE k = 2"), tText);
            EXPECT_EQ(QueryValue("SELECT t3 FROM rt WHERE k = 2"), t3Text);
            EXPECT_EQ(QueryValue("SELECT dt FROM rt WHERE k = 2"), dtText);
        }
    }
}

TEST_F(CommandServerTest, QuotedColonStaysTextAndSharedNamesShareAValue) {
    BREVANT_REQUIRE_SERVER(server);
    Open(server);
    Run(u"CREATE TEMPORARY TABLE q (a VARCHAR(10), b INT, c INT)");
    Run(u"INSERT INTO q VALUES ('old', 1, 0), ('old', 2, 0)");
    cmd.SetSQLText(u"UPDATE q SET a=':x' WHERE b=:y");
    ASSERT_EQ(cmd.Params().Count(), 1u);
    cmd.ParamByName(u"y").SetAsInteger(2);
    cmd.Execute();
    EXPECT_EQ(cmd.RowsAffected(), 1);
    EXPECT_EQ(QueryValue("SELECT a FROM q WHERE b = 2"), ":x");
    EXPECT_EQ(QueryValue("SELECT a FROM q WHERE b = 1"), "old");

    cmd.SetSQLText(u"UPDATE q SET c = :v WHERE b = :v");
    cmd.ParamByName(u"v").SetAsInteger(1);
    cmd.Execute();
    EXPECT_EQ(QueryValue("SELECT c FROM q WHERE b = 1"), "1");
}

TEST_F(CommandServerTest, SeveralStatementsRunAndALaterErrorIsRaisedAfterTheEarlierRan) {
    BREVANT_REQUIRE_SERVER(server);
    Open(server);
    Run(u"CREATE TEMPORARY TABLE m (a INT)");
    Run(u"INSERT INTO m VALUES (1); INSERT INTO m VALUES (2), (3); SELECT * FROM m");
    EXPECT_EQ(cmd.RowsAffected(), 1);  // the first statement's count
    EXPECT_EQ(QueryValue("SELECT COUNT(*) FROM m"), "3");

    cmd.SetSQLText(u"INSERT INTO m VALUES (:a); INSERT INTO no_such_table VALUES (5)");
    cmd.ParamByName(u"a").SetAsInteger(4);
    try {
        cmd.Execute();
        FAIL() << "the second statement's error was not raised";
    } catch (const EMyError& e) {
        EXPECT_EQ(e.ErrorCode(), 1146);
    }
    EXPECT_EQ(QueryValue("SELECT COUNT(*) FROM m WHERE a = 4"), "1");
    // The session is ready for the next command.
    Run(u"DELETE FROM m WHERE a > 2");
    EXPECT_EQ(cmd.RowsAffected(), 2);

    // Leading and trailing blank lines and spaces are not sent.
    Run(u"\r\n   \r\n  DELETE FROM m WHERE a = 1   \r\n\r\n");
    EXPECT_EQ(api.statements.back(), "DELETE FROM m WHERE a = 1");
    EXPECT_EQ(cmd.RowsAffected(), 1);
}

TEST_F(CommandServerTest, MacrosWithAndWithoutValues) {
    BREVANT_REQUIRE_SERVER(server);
    Open(server);
    Run(u"CREATE TEMPORARY TABLE f (flags INT, mask INT, r INT)");
    Run(u"INSERT INTO f VALUES (6, 3, 0)");
    // "mask" has no value: the bitwise AND reaches the server as written.
    cmd.SetSQLText(u"UPDATE &tbl SET r = flags&mask");
    ASSERT_EQ(cmd.Macros().Count(), 2u);
    cmd.MacroByName(u"tbl").SetValue(u"f");
    cmd.Execute();
    EXPECT_EQ(api.statements.back(), "UPDATE f SET r = flags&mask");
    EXPECT_EQ(QueryValue("SELECT r FROM f"), "2");
    // Given a value, the macro expands.
    cmd.MacroByName(u"mask").SetValue(u"+1");
    cmd.Execute();
    EXPECT_EQ(QueryValue("SELECT r FROM f"), "7");
}

TEST_F(CommandServerTest, EventsLastInsertIdBatchAndImplicitConnect) {
    BREVANT_REQUIRE_SERVER(server);
    Open(server);
    Run(u"CREATE TABLE IF NOT EXISTS ai (id INT AUTO_INCREMENT PRIMARY KEY, v INT)");
    Run(u"TRUNCATE TABLE ai");
    conn.Close();

    std::vector<std::string> events;
    cmd.BeforeExecute = [&](TCustomDASQL&) { events.push_back("before"); };
    cmd.AfterExecute = [&](TCustomDASQL&, bool ok) { events.push_back(ok ? "after ok" : "after failed"); };
    cmd.SetSQLText(u"INSERT INTO ai (v) VALUES (:v)");
    cmd.ParamByName(u"v").SetAsInteger(10);
    cmd.Execute();  // opens the closed connection
    EXPECT_TRUE(conn.Connected());
    EXPECT_EQ(cmd.LastInsertId(), 1);
    EXPECT_EQ(events, (std::vector<std::string>{"before", "after ok"}));

    TDAParam& v = cmd.ParamByName(u"v");
    v.SetValueCount(3);
    for (int i = 0; i < 3; ++i) v.SetItemValue(i, TVariant(20 + i));
    cmd.Execute(2, 1);  // values 21 and 22
    EXPECT_EQ(cmd.RowsAffected(), 2);
    EXPECT_EQ(cmd.LastInsertId(), 3);
    EXPECT_EQ(QueryValue("SELECT GROUP_CONCAT(v ORDER BY id) FROM ai"), "10,21,22");
    try {
        cmd.Execute(2, 2);  // no value for the fourth run
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), u"Parameter 'v' has no value for iteration 3");
    }
    EXPECT_EQ(QueryValue("SELECT COUNT(*) FROM ai"), "3");  // nothing of the batch ran

    events.clear();
    cmd.SetSQLText(u"INSERT INTO ai (id) VALUES (1)");
    EXPECT_THROW(cmd.Execute(), EMyError);
    EXPECT_EQ(events, (std::vector<std::string>{"before", "after failed"}));
    EXPECT_FALSE(cmd.Executing());
    Run(u"DROP TABLE ai");
}

TEST_F(CommandServerTest, KilledSessionRaisesAndAPreparedCommandVetoesTheReconnect) {
    BREVANT_REQUIRE_SERVER(server);
    Open(server);
    TMyConnection killer(u"Killer");
    test::Configure(killer, server);
    std::vector<bool> results;
    cmd.AfterExecute = [&](TCustomDASQL&, bool ok) { results.push_back(ok); };
    cmd.SetSQLText(u"DO :x");
    cmd.ParamByName(u"x").SetAsInteger(1);
    TMyCommand other(&conn);  // another command of the connection, idle

    for (bool otherPrepared : {false, true}) {
        SCOPED_TRACE(otherPrepared ? "other command prepared" : "no command prepared");
        if (!conn.Connected()) conn.Open();
        if (otherPrepared) other.Prepare();
        const std::uint32_t victim = conn.ThreadId();
        killer.ExecSQL(u"KILL " + IntToStr(victim));
        results.clear();
        try {
            cmd.Execute();
            FAIL() << "the killed session answered";
        } catch (const EMyError& e) {
            EXPECT_TRUE(e.IsFatalError()) << e.ErrorCode() << " " << Narrow(e.Message());
        }
        EXPECT_EQ(results, std::vector<bool>{false});
        EXPECT_FALSE(cmd.Executing());
        // One silent reconnect, unless a prepared command that is not running forbids it.
        EXPECT_EQ(conn.Connected(), !otherPrepared);
        other.UnPrepare();
        cmd.Execute();  // connects again if needed
        EXPECT_NE(conn.ThreadId(), victim);
        EXPECT_EQ(api.statements.back(), "DO 1");
    }
}

}  // namespace
}  // namespace brevant
