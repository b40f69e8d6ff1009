// The connection component against the real server: the workbench's settings,
// character sets, switching, refusals, failed logins, escaping, isolation levels,
// transactions and a session killed from another connection.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "ExpectRaises.h"
#include "ServerConnection.h"
#include "core/Abort.h"
#include "mysql/client/DAConsts.h"
#include "mysql/client/MyEscape.h"
#include "mysql/client/TCustomMyConnection.h"

namespace brevant {
namespace {

using test::Configure;
using test::ExpectRaises;
using test::kAnyCode;
using test::QueryValue;

/// The workbench's MyConn on the test server (latin1 until a test says otherwise),
/// each statement it sends recorded in `api`.
using ServerTest = test::CapturingTest;

TEST_F(ServerTest, WorkbenchSettingsSendOnlySetNamesUtf8) {
    BREVANT_REQUIRE_SERVER(server);
    TMyConnection conn(u"MyConn");
    Configure(conn, server);
    conn.Open();
    ASSERT_TRUE(conn.Connected());
    EXPECT_EQ(api.statements, std::vector<std::string>{"SET NAMES 'utf8'"});
    EXPECT_EQ(conn.Session()->DBCharLength(), 3);
    EXPECT_TRUE(conn.Session()->IsUtf8());
    const std::string client = QueryValue(conn, "SELECT @@character_set_client");
    EXPECT_TRUE(client == "utf8" || client == "utf8mb3") << client;
    EXPECT_TRUE(conn.IsMariaDB());
    EXPECT_NE(Narrow(conn.GetServerVersion()).find("MariaDB"), std::string::npos);
    EXPECT_GE(conn.Session()->ServerPrimaryVer(), 10);
    EXPECT_EQ(conn.GetClientVersion(), u"8.0.0 Direct");
    EXPECT_NE(conn.ThreadId(), 0u);
}

TEST_F(ServerTest, Utf8mb4GivesFourBytesPerCharacter) {
    BREVANT_REQUIRE_SERVER(server);
    TMyConnection conn;
    Configure(conn, server);
    conn.Options().SetCharset(u"utf8mb4");
    conn.Open();
    EXPECT_EQ(api.statements, std::vector<std::string>{"SET NAMES 'utf8mb4'"});
    EXPECT_EQ(conn.Session()->DBCharLength(), 4);
    EXPECT_EQ(QueryValue(conn, "SELECT @@character_set_client"), "utf8mb4");
    // A character outside the BMP survives the round trip.
    EXPECT_EQ(QueryValue(conn, "SELECT HEX('\xF0\x9F\x98\x80')"), "F09F9880");
}

TEST_F(ServerTest, AnsiSessionDerivesLatin1FromCodePage1252) {
    BREVANT_REQUIRE_SERVER(server);
    if (const char* cp = std::getenv("BREVANT_CODEPAGE"); cp && std::string(cp) != "1252")
        GTEST_SKIP() << "the system code page is not 1252";
    TMyConnection conn;
    Configure(conn, server);
    conn.Options().SetUseUnicode(false);
    conn.Options().SetCharset(u"");
    conn.Open();
    EXPECT_EQ(api.statements, std::vector<std::string>{"SET NAMES 'latin1'"});
    EXPECT_FALSE(conn.Session()->IsUtf8());
    EXPECT_EQ(QueryValue(conn, "SELECT @@character_set_client"), "latin1");
    // Text goes over in the code page: n-tilde is one byte, stored as two in utf8mb4.
    EXPECT_EQ(QueryValue(conn, "SELECT HEX(CONVERT('\xF1' USING utf8mb4))"), "C3B1");
}

TEST_F(ServerTest, DatabaseSwitchesWithoutReconnecting) {
    BREVANT_REQUIRE_SERVER(server);
    TMyConnection conn;
    Configure(conn, server);
    conn.Open();
    conn.ExecSQL(u"CREATE DATABASE IF NOT EXISTS brevant_client_a");
    conn.ExecSQL(u"CREATE DATABASE IF NOT EXISTS brevant_client_b");
    conn.SetDatabase(u"brevant_client_a");
    const std::uint32_t thread = conn.ThreadId();
    EXPECT_EQ(QueryValue(conn, "SELECT DATABASE()"), "brevant_client_a");
    conn.SetDatabase(u"brevant_client_b");
    EXPECT_EQ(QueryValue(conn, "SELECT DATABASE()"), "brevant_client_b");
    conn.SetDatabase(u"");  // nothing changes on the server
    EXPECT_EQ(QueryValue(conn, "SELECT DATABASE()"), "brevant_client_b");
    EXPECT_EQ(conn.ThreadId(), thread);
    EXPECT_TRUE(conn.Connected());
    // A database that does not exist: the server's error, the session stays.
    ExpectRaises<EMyError>([&] { conn.SetDatabase(u"brevant_client_missing"); }, 1049);
    EXPECT_TRUE(conn.Connected());
    // The next open uses the database set.
    conn.Close();
    conn.SetDatabase(u"brevant_client_a");
    conn.Open();
    EXPECT_EQ(QueryValue(conn, "SELECT DATABASE()"), "brevant_client_a");
}

TEST_F(ServerTest, PortAndServerChangesCloseTheConnection) {
    BREVANT_REQUIRE_SERVER(server);
    TMyConnection conn;
    Configure(conn, server);
    conn.Open();
    conn.SetPort(1);  // nothing listens there
    EXPECT_FALSE(conn.Connected());
    if (const auto e = ExpectRaises<EMyError>([&] { conn.Open(); }, 2003)) {
        EXPECT_TRUE(e->IsFatalError());
    }
    EXPECT_FALSE(conn.Connected());
    conn.SetPort(server.port);
    conn.Open();
    ASSERT_TRUE(conn.Connected());
    conn.SetServer(Utf8ToUtf16(server.host) + u",ignored");  // the host ends at the first comma
    EXPECT_FALSE(conn.Connected());
    conn.Open();
    EXPECT_TRUE(conn.Connected());
}

TEST_F(ServerTest, OptionChangeOnAnOpenConnectionIsRefused) {
    BREVANT_REQUIRE_SERVER(server);
    TMyConnection conn;
    Configure(conn, server);
    conn.Open();
    ExpectRaises<EDatabaseError>([&] { conn.Options().SetCharset(u"utf8mb4"); }, kAnyCode,
                                 u"Cannot perform this operation on an open connection");
    EXPECT_TRUE(conn.Connected());
    EXPECT_EQ(conn.Options().Charset(), u"latin1");
    conn.ExecSQL(u"DO 1");
}

TEST_F(ServerTest, WrongPasswordLeavesItClosedAndARetryWorks) {
    BREVANT_REQUIRE_SERVER(server);
    TMyConnection conn;
    Configure(conn, server);
    conn.SetPassword(u"not the password");
    if (const auto e = ExpectRaises<EMyError>([&] { conn.Open(); }, 1045)) {
        EXPECT_NE(Narrow(e->Message()).find("Access denied"), std::string::npos) << Narrow(e->Message());
    }
    EXPECT_FALSE(conn.Connected());
    conn.SetPassword(Utf8ToUtf16(server.password));
    conn.Open();
    EXPECT_TRUE(conn.Connected());
}

TEST_F(ServerTest, NonAsciiNamesGoOverInTheSessionCharset) {
    BREVANT_REQUIRE_SERVER(server);
    TMyConnection admin;
    Configure(admin, server);
    admin.ExecSQL(u"CREATE DATABASE IF NOT EXISTS `brevant_a\u00F1o`");
    admin.ExecSQL(u"CREATE USER IF NOT EXISTS 'brevant_\u00F1'@'%' IDENTIFIED BY 'contrase\u00F1a\u20AC'");
    admin.ExecSQL(u"GRANT ALL PRIVILEGES ON `brevant_a\u00F1o`.* TO 'brevant_\u00F1'@'%'");

    TMyConnection conn;
    Configure(conn, server);
    conn.SetUsername(u"brevant_\u00F1");
    conn.SetPassword(u"contrase\u00F1a\u20AC");
    conn.SetDatabase(u"brevant_a\u00F1o");
    conn.Open();  // a UTF-8 session sends the names in UTF-8
    EXPECT_EQ(QueryValue(conn, "SELECT HEX(DATABASE())"), "62726576616E745F61C3B16F");
    conn.SetDatabase(u"information_schema");
    conn.SetDatabase(u"brevant_a\u00F1o");  // switched by name, in UTF-8 too
    EXPECT_EQ(QueryValue(conn, "SELECT HEX(DATABASE())"), "62726576616E745F61C3B16F");
    conn.Close();

    // An 8-bit session sends the code-page bytes, which name no account.
    conn.Options().SetUseUnicode(false);
    conn.Options().SetCharset(u"");
    conn.SetDatabase(u"");
    ExpectRaises<EMyError>([&] { conn.Open(); }, 1045);
}

TEST_F(ServerTest, EscapedValuesReadBackUnchanged) {
    BREVANT_REQUIRE_SERVER(server);
    TMyConnection conn;
    Configure(conn, server);
    conn.Open();
    const std::string values[] = {
        "O'Brien", "back\\slash", std::string("nul\0byte", 8), "line\nfeed", "carriage\rreturn", "ctrl\x1AZ",
        "\"double\"", "''", "\\'", "a\xC3\xB1o \xE2\x82\xAC", "",
    };
    for (bool noBackslashes : {false, true}) {
        SCOPED_TRACE(noBackslashes ? "NO_BACKSLASH_ESCAPES" : "default sql_mode");
        conn.ExecSQL(noBackslashes ? u"SET SESSION sql_mode = CONCAT(@@sql_mode, ',NO_BACKSLASH_ESCAPES')"
                                   : u"SET SESSION sql_mode = REPLACE(@@sql_mode, 'NO_BACKSLASH_ESCAPES', '')");
        // The mode is looked at again when CheckBackslashes is switched on.
        conn.Options().SetCheckBackslashes(false);
        conn.Options().SetCheckBackslashes(true);
        EXPECT_EQ(conn.Session()->NeedBackslashes(), !noBackslashes);
        EXPECT_EQ(conn.Session()->EscapeAndQuoteWideStr(u"O'Brien"), noBackslashes ? u"'O''Brien'" : u"'O\\'Brien'");
        for (const std::string& v : values) {
            SCOPED_TRACE(v);
            const std::string literal = conn.Session()->EscapeAndQuoteStr(v);
            std::string hex;
            for (unsigned char c : v) {
                static const char* digits = "0123456789ABCDEF";
                hex += digits[c >> 4];
                hex += digits[c & 15];
            }
            EXPECT_EQ(QueryValue(conn, "SELECT HEX(" + literal + ")"), hex);
            const std::string wide = Utf16ToUtf8(conn.Session()->EscapeAndQuoteWideStr(Utf8ToUtf16(v)));
            EXPECT_EQ(QueryValue(conn, "SELECT HEX(" + wide + ")"), hex);
        }
    }
}

TEST_F(ServerTest, IsolationLevelsAndTransactions) {
    BREVANT_REQUIRE_SERVER(server);
    TMyConnection conn;
    Configure(conn, server);
    conn.SetIsolationLevel(ilSerializable);
    conn.Open();
    EXPECT_EQ(api.statements.back(), "SET SESSION TRANSACTION ISOLATION LEVEL SERIALIZABLE");
    EXPECT_EQ(QueryValue(conn, "SELECT @@session.tx_isolation"), "SERIALIZABLE");
    struct Case {
        TMyIsolationLevel level;
        const char* server;
    } cases[] = {{ilReadUnCommitted, "READ-UNCOMMITTED"},
                 {ilRepeatableRead, "REPEATABLE-READ"},
                 {ilReadCommitted, "READ-COMMITTED"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.server);
        conn.SetIsolationLevel(c.level);
        EXPECT_EQ(QueryValue(conn, "SELECT @@session.tx_isolation"), c.server);
    }

    conn.ExecSQL(u"CREATE DATABASE IF NOT EXISTS brevant_client_a");
    conn.SetDatabase(u"brevant_client_a");
    conn.ExecSQL(u"DROP TABLE IF EXISTS tx_test");
    conn.ExecSQL(u"CREATE TABLE tx_test (id INT PRIMARY KEY) ENGINE=InnoDB");
    conn.StartTransaction();
    EXPECT_EQ(api.statements.back(), "SET TRANSACTION ISOLATION LEVEL READ COMMITTED; BEGIN");
    EXPECT_EQ(QueryValue(conn, "SELECT @@in_transaction"), "1");
    conn.ExecSQL(u"INSERT INTO tx_test VALUES (1)");
    conn.Savepoint(u"sp");
    conn.ExecSQL(u"INSERT INTO tx_test VALUES (2)");
    conn.RollbackToSavepoint(u"sp");
    conn.ReleaseSavepoint(u"sp");
    conn.Rollback();
    EXPECT_EQ(QueryValue(conn, "SELECT COUNT(*) FROM tx_test"), "0");
    conn.StartTransaction();
    conn.ExecSQL(u"INSERT INTO tx_test VALUES (1)");
    conn.Savepoint(u"sp");
    conn.ExecSQL(u"INSERT INTO tx_test VALUES (2)");
    conn.RollbackToSavepoint(u"sp");
    conn.Commit();
    EXPECT_EQ(QueryValue(conn, "SELECT @@in_transaction"), "0");
    EXPECT_EQ(QueryValue(conn, "SELECT GROUP_CONCAT(id) FROM tx_test"), "1");
    // A duplicate key is a key violation and leaves the connection alone.
    if (const auto e = ExpectRaises<EMyError>([&] { conn.ExecSQL(u"INSERT INTO tx_test VALUES (1)"); })) {
        EXPECT_TRUE(e->IsKeyViolation());
        EXPECT_FALSE(e->IsFatalError());
    }
    // A syntax error carries its line number.
    if (const auto e = ExpectRaises<EMyError>([&] { conn.ExecSQL(u"SELECT 1,\n2,\nFROM DUAL"); }, 1064)) {
        EXPECT_EQ(e->LineNumber(), 3) << Narrow(e->Message());
    }
    EXPECT_TRUE(conn.Connected());
    conn.ExecSQL(u"DROP TABLE tx_test");
}

TEST_F(ServerTest, KilledSessionIsFatalReconnectsOnceAndStillRaises) {
    BREVANT_REQUIRE_SERVER(server);
    TMyConnection conn(u"MyConn"), killer(u"Killer");
    Configure(conn, server);
    Configure(killer, server);
    int afterConnect = 0;
    std::vector<int> errors;
    conn.AfterConnect = [&](TCustomDAConnection&) { ++afterConnect; };
    conn.OnError = [&](TCustomDAConnection&, EDAError& e, bool&) { errors.push_back(e.ErrorCode()); };
    conn.Open();
    const std::uint32_t victim = conn.ThreadId();
    killer.ExecSQL(u"KILL " + IntToStr(victim));
    if (const auto e = ExpectRaises<EMyError>([&] { conn.ExecSQL(u"DO 1"); })) {
        EXPECT_TRUE(e->IsFatalError()) << e->ErrorCode() << " " << Narrow(e->Message());
    }
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(afterConnect, 2);  // the open and the one silent reconnect
    ASSERT_TRUE(conn.Connected());
    EXPECT_NE(conn.ThreadId(), victim);
    conn.ExecSQL(u"DO 1");
    EXPECT_EQ(api.statements.back(), "DO 1");
}

TEST_F(ServerTest, ErrorAmongSkippedRowsReachesTheCaller) {
    BREVANT_REQUIRE_SERVER(server);
    TMyConnection conn;
    Configure(conn, server);
    conn.Open();
    conn.ExecSQL(u"CREATE DATABASE IF NOT EXISTS brevant_client_a");
    conn.SetDatabase(u"brevant_client_a");
    conn.ExecSQL(u"CREATE OR REPLACE TABLE two_rows (a INT)");
    conn.ExecSQL(u"INSERT INTO two_rows VALUES (1), (2)");
    // The command closes the result unread: the rows it skips hold the error.
    for (const char16_t* sql : {u"SELECT (SELECT a FROM two_rows)", u"SELECT (SELECT a FROM two_rows); SELECT 2",
                                u"DO 1; SELECT (SELECT a FROM two_rows)"}) {
        SCOPED_TRACE(Narrow(sql));
        if (const auto e = ExpectRaises<EMyError>([&] { conn.ExecSQL(sql); }, 1242)) {
            EXPECT_FALSE(e->IsFatalError());
        }
        EXPECT_TRUE(conn.Connected());
        conn.ExecSQL(u"DO 1");
        EXPECT_EQ(QueryValue(conn, "SELECT 'after'"), "after");
    }
    conn.ExecSQL(u"DROP TABLE two_rows");
}

/// Tells what the connection says to its registered clients.
class RecordingClient : public TDAConnectionClient {
public:
    std::vector<bool> changes;
    void ConnectChange(bool connected) override { changes.push_back(connected); }
};

TEST_F(ServerTest, FailedSilentReconnectClosesTheComponentOnce) {
    BREVANT_REQUIRE_SERVER(server);
    TMyConnection admin(u"Admin"), conn(u"MyConn");
    Configure(admin, server);
    admin.Open();
    admin.ExecSQL(u"CREATE OR REPLACE USER 'brevant_lost'@'%' IDENTIFIED BY 'lost_pw'");
    admin.ExecSQL(u"CREATE OR REPLACE USER 'brevant_lost'@'localhost' IDENTIFIED BY 'lost_pw'");
    Configure(conn, server);
    conn.SetUsername(u"brevant_lost");
    conn.SetPassword(u"lost_pw");
    RecordingClient client;
    int afterDisconnect = 0;
    conn.AfterDisconnect = [&](TCustomDAConnection&) { ++afterDisconnect; };
    conn.Open();
    conn.RegisterClient(&client);
    // The account goes away with the session: the silent reconnect is refused.
    admin.ExecSQL(u"DROP USER 'brevant_lost'@'%', 'brevant_lost'@'localhost'");
    admin.ExecSQL(u"KILL " + IntToStr(conn.ThreadId()));
    if (const auto e = ExpectRaises<EMyError>([&] { conn.ExecSQL(u"DO 1"); })) {
        EXPECT_TRUE(e->IsFatalError()) << e->ErrorCode() << " " << Narrow(e->Message());
    }
    EXPECT_FALSE(conn.Connected());
    EXPECT_EQ(afterDisconnect, 1);
    EXPECT_EQ(client.changes, std::vector<bool>{false});
    conn.Close();  // already closed: nothing happens twice
    EXPECT_EQ(afterDisconnect, 1);
    EXPECT_EQ(client.changes, std::vector<bool>{false});
    conn.UnRegisterClient(&client);
}

TEST_F(ServerTest, Utf8NamesAreUtf8WithoutUnicode) {
    BREVANT_REQUIRE_SERVER(server);
    // Text sent in a session whose set is UTF-8 by name goes over as UTF-8,
    // whether or not UseUnicode is on.
    struct Case {
        const char16_t* charset;
        bool useUnicode;
    } cases[] = {{u"utf8mb3", false}, {u"UTF8MB3", false}, {u"utf8mb4", false}, {u"Utf8mb4", false},
                 {u"utf8", false},    {u"utf8mb4", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(Narrow(c.charset) + (c.useUnicode ? " unicode" : ""));
        TMyConnection conn;
        Configure(conn, server);
        conn.Options().SetUseUnicode(c.useUnicode);
        conn.Options().SetCharset(c.charset);
        conn.Open();
        conn.ExecSQL(u"SET @t = '\u00f1and\u00fa'");
        EXPECT_EQ(QueryValue(conn, "SELECT HEX(CONVERT(@t USING utf8mb4))"), "C3B1616E64C3BA");
    }
}

}  // namespace
}  // namespace brevant
