// The MySQL session over a scripted operation set: connect steps and option
// order, character-set negotiation, version decoding, backslash mode, isolation
// levels, transactions, errors and the reconnect loop.

#include <gtest/gtest.h>

#include <algorithm>

#include "ExpectRaises.h"
#include "FakeMySQLAPI.h"
#include "core/Abort.h"
#include "mysql/client/DAConsts.h"
#include "mysql/client/TMySQLConnection.h"
#include "mysql/client/TMySQLTransaction.h"
#include "mysql/wire/MySqlHandshake.h"

namespace brevant {
namespace {

using test::ExpectRaises;
using test::kAnyCode;

using test::FakeError;
using test::FakeMySQLAPI;

class SessionTest : public ::testing::Test {
protected:
    FakeMySQLAPI api;
    test::FakeAPIInstall install{api};
    TMySQLConnection session;

    void SetUp() override {
        session.SetProp(prUsername, UString(u"user"));
        session.SetProp(prPassword, UString(u"pw"));
        session.SetProp(prServer, UString(u"db.example"));
    }
};

TEST_F(SessionTest, DefaultsAsTabled) {
    EXPECT_EQ(PropInt(session.GetProp(prConnectionTimeout)), 15);
    EXPECT_EQ(PropInt(session.GetProp(prPort)), 3306);
    EXPECT_EQ(PropInt(session.GetProp(prIPVersion)), ivIPv4);
    EXPECT_EQ(PropInt(session.GetProp(prProtocol)), mpDefault);
    EXPECT_TRUE(PropBool(session.GetProp(prDirect)));
    EXPECT_FALSE(PropBool(session.GetProp(prEmbedded)));
    EXPECT_FALSE(PropBool(session.GetProp(prUseUnicode)));
    EXPECT_TRUE(PropBool(session.GetProp(prNeedBackslashes)));
    EXPECT_FALSE(PropBool(session.GetProp(prCheckBackslashes)));
    EXPECT_EQ(session.DBCharLength(), 1);
    EXPECT_TRUE(PropStrings(session.GetProp(prEmbParams)).empty());
    EXPECT_FALSE(session.GetConnected());
}

TEST_F(SessionTest, UnknownIdentifierOrWrongValueKindIsAProgrammingError) {
    EXPECT_THROW(session.SetProp(9999, true), EAssertionFailed);
    EXPECT_THROW(session.GetProp(9999), EAssertionFailed);
    EXPECT_THROW(session.SetProp(prCommandTimeout, 5), EAssertionFailed);  // a command's, not a session's
    EXPECT_THROW(session.SetProp(prPort, UString(u"3306")), EAssertionFailed);
}

TEST_F(SessionTest, CharsetIsStoredInLowerCase) {
    session.SetProp(prCharset, UString(u"UTF8MB4"));
    EXPECT_EQ(PropStr(session.GetProp(prCharset)), u"utf8mb4");
}

TEST_F(SessionTest, WorkbenchSettingsConnectWithOptionsInOrderAndSendOnlySetNames) {
    session.SetProp(prUseUnicode, true);
    session.SetProp(prCharset, UString(u"latin1"));
    session.SetProp(prDatabase, UString(u"sakila"));
    session.SetProp(prPort, 3307);
    session.Connect(UString());

    ASSERT_TRUE(session.GetConnected());
    ASSERT_EQ(api.options.size(), 2u);
    EXPECT_EQ(api.options[0].option, MYSQL_OPT_CONNECT_TIMEOUT);
    EXPECT_EQ(api.options[0].value, 15);
    EXPECT_EQ(api.options[1].option, MYSQL_SET_CHARSET_NAME);
    EXPECT_EQ(api.options[1].text, "utf8");
    ASSERT_EQ(api.connects.size(), 1u);
    const auto& c = api.connects[0];
    EXPECT_EQ(c.host, u"db.example");
    EXPECT_EQ(c.user, u"user");
    EXPECT_EQ(c.password, u"pw");
    EXPECT_EQ(c.db, u"sakila");
    EXPECT_EQ(c.port, 3307u);
    EXPECT_EQ(c.flags, CLIENT_FOUND_ROWS | CLIENT_MULTI_STATEMENTS);
    EXPECT_EQ(api.statements, std::vector<std::string>{"SET NAMES 'utf8'"});
    EXPECT_TRUE(session.IsUtf8());
    EXPECT_EQ(session.UsedCharset(), u"utf8");
    EXPECT_EQ(session.DBCharLength(), 3);
    EXPECT_TRUE(session.NeedBackslashes());
}

TEST_F(SessionTest, CharacterSetDecision) {
    struct Case {
        const char* name;
        bool useUnicode;
        const char16_t* charset;
        const char* handshake;  // MYSQL_SET_CHARSET_NAME, "" when not set
        const char* statement;  // after connect, "" when none
        int charLength;
        bool utf8;
    } cases[] = {
        {"unicode ignores latin1", true, u"latin1", "utf8", "SET NAMES 'utf8'", 3, true},
        {"unicode utf8mb4", true, u"utf8mb4", "utf8", "SET NAMES 'utf8mb4'", 4, true},
        {"unicode empty", true, u"", "utf8", "SET NAMES 'utf8'", 3, true},
        {"ansi from code page 1252", false, u"", "", "SET NAMES 'latin1'", 1, false},
        {"explicit cp932", false, u"cp932", "", "SET NAMES 'cp932'", 2, false},
        {"explicit utf8 is utf-8", false, u"utf8", "utf8", "SET NAMES 'utf8'", 3, true},
        {"explicit utf16", false, u"utf16", "", "SET NAMES 'utf16'", 4, false},
        {"explicit ujis", false, u"UJIS", "", "SET NAMES 'ujis'", 3, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeMySQLAPI fake;
        test::FakeAPIInstall use(fake);
        TMySQLConnection s;
        s.SetProp(prUseUnicode, c.useUnicode);
        s.SetProp(prCharset, UString(c.charset));
        s.Connect(UString());
        std::string handshake;
        for (const auto& o : fake.options)
            if (o.option == MYSQL_SET_CHARSET_NAME) handshake = o.text;
        EXPECT_EQ(handshake, c.handshake);
        EXPECT_EQ(fake.statements, std::vector<std::string>{c.statement});
        EXPECT_EQ(s.DBCharLength(), c.charLength);
        EXPECT_EQ(s.IsUtf8(), c.utf8);
    }
}

TEST_F(SessionTest, CodePageDecidesWhenNoCharsetIsGiven) {
    session.DetectUsedCharser(1251);
    EXPECT_EQ(session.UsedCharset(), u"cp1251");
    session.DetectUsedCharser(65001);
    EXPECT_EQ(session.UsedCharset(), u"utf8");
    EXPECT_TRUE(session.IsUtf8());
    session.DetectUsedCharser(1258);  // no set for it: nothing is sent
    EXPECT_EQ(session.UsedCharset(), u"");
}

/// A session on a system with the given 8-bit code page.
class CodePageSession : public TMySQLConnection {
public:
    explicit CodePageSession(unsigned codePage) : codePage_(codePage) {}

protected:
    unsigned SystemCodePage() const override { return codePage_; }

private:
    unsigned codePage_;
};

TEST_F(SessionTest, UnknownCodePageSendsNoSetNames) {
    // Without UseUnicode and Charset the set comes from the code page; one
    // without a set (Johab, 1361) sends nothing at connect.
    struct Case {
        unsigned codePage;
        std::vector<std::string> statements;
        int charLength;
    } cases[] = {
        {1361, {}, 1},
        {1252, {"SET NAMES 'latin1'"}, 1},
        {932, {"SET NAMES 'cp932'"}, 2},
        {65001, {"SET NAMES 'utf8'"}, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.codePage);
        api.ClearLog();
        CodePageSession s(c.codePage);
        s.SetProp(prServer, UString(u"db.example"));
        s.Connect(UString());
        EXPECT_TRUE(s.GetConnected());
        EXPECT_EQ(api.statements, c.statements);
        EXPECT_EQ(s.DBCharLength(), c.charLength);
        s.Disconnect();
    }
}

TEST_F(SessionTest, CharsetThatIsNotANameIsRefused) {
    session.SetProp(prCharset, UString(u"latin1'; DROP DATABASE x; -- "));
    EXPECT_THROW(session.Connect(UString()), EDatabaseError);
    EXPECT_TRUE(api.statements.empty());
    EXPECT_FALSE(session.GetConnected());
    EXPECT_EQ(api.openHandles, 0);
}

TEST_F(SessionTest, HostRule) {
    struct Case {
        const char16_t* server;
        const char16_t* host;
    } cases[] = {{u"", u"localhost"}, {u"db1", u"db1"}, {u"db1,pipe", u"db1"}, {u"10.0.0.1,a,b", u"10.0.0.1"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(Narrow(c.server));
        api.ClearLog();
        TMySQLConnection s;
        s.SetProp(prServer, UString(c.server));
        s.Connect(UString());
        ASSERT_EQ(api.connects.size(), 1u);
        EXPECT_EQ(api.connects[0].host, c.host);
    }
}

TEST_F(SessionTest, ClientFlags) {
    struct Case {
        const char* name;
        bool compress, interactive;
        TClientStructVer ver;
        std::uint32_t flags;
    } cases[] = {
        {"plain", false, false, cvDirect, CLIENT_FOUND_ROWS | CLIENT_MULTI_STATEMENTS},
        {"compress", true, false, cvDirect, CLIENT_FOUND_ROWS | CLIENT_MULTI_STATEMENTS | CLIENT_COMPRESS},
        {"interactive", false, true, cv411, CLIENT_FOUND_ROWS | CLIENT_MULTI_STATEMENTS | CLIENT_INTERACTIVE},
        {"old client", false, false, cv4, CLIENT_FOUND_ROWS},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeMySQLAPI fake;
        fake.structVer = c.ver;
        test::FakeAPIInstall use(fake);
        TMySQLConnection s;
        s.SetProp(prCompress, c.compress);
        s.SetProp(prInteractive, c.interactive);
        s.Connect(UString());
        ASSERT_EQ(fake.connects.size(), 1u);
        EXPECT_EQ(fake.connects[0].flags, c.flags);
    }
}

TEST_F(SessionTest, ProtocolOptions) {
    struct Case {
        const char* name;
        TMyProtocol protocol;
        TClientStructVer ver;
        std::vector<std::pair<TMySqlOption, int>> expected;  // after the connect timeout
        std::string sharedMemory;
    } cases[] = {
        {"default", mpDefault, cvDirect, {}, ""},
        {"tcp", mpTCP, cvDirect, {{MYSQL_OPT_PROTOCOL, 1}}, ""},
        {"pipe", mpPipe, cv411, {{MYSQL_OPT_PROTOCOL, 3}}, ""},
        {"memory", mpMemory, cv410, {{MYSQL_OPT_PROTOCOL, 4}, {MYSQL_SHARED_MEMORY_BASE_NAME, 0}}, "MYSQL"},
        {"old pipe", mpPipe, cv4, {{MYSQL_OPT_NAMED_PIPE, 0}}, ""},
        {"old tcp", mpTCP, cv3, {}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeMySQLAPI fake;
        fake.structVer = c.ver;
        test::FakeAPIInstall use(fake);
        TMySQLConnection s;
        s.SetProp(prServer, UString(u"host,MYSQL"));
        s.SetProp(prProtocol, static_cast<int>(c.protocol));
        s.Connect(UString());
        std::vector<std::pair<TMySqlOption, int>> got;
        std::string memory;
        for (std::size_t i = 1; i < fake.options.size(); ++i) {
            got.emplace_back(fake.options[i].option, fake.options[i].value);
            if (fake.options[i].option == MYSQL_SHARED_MEMORY_BASE_NAME) memory = fake.options[i].text;
        }
        EXPECT_EQ(got, c.expected);
        EXPECT_EQ(memory, c.sharedMemory);
        EXPECT_EQ(fake.connects.at(0).host, u"host");
    }
}

TEST_F(SessionTest, HttpTunnelIsNotSupportedAndLeavesNoHandle) {
    session.SetProp(prProtocol, static_cast<int>(mpHttp));
    // The fake is not the direct client: the protocol is wrong for it.
    ExpectRaises<EDatabaseError>([&] { session.Connect(UString()); }, kAnyCode, SWrongProtocol);
    EXPECT_EQ(api.openHandles, 0);
    session.SetProp(prProtocol, 77);
    EXPECT_THROW(session.Connect(UString()), EDatabaseError);
    EXPECT_EQ(api.openHandles, 0);
}

TEST_F(SessionTest, VersionDecoding) {
    struct Case {
        const char* text;
        int primary, minor, release;
        bool mariadb;
        const char16_t* version;
    } cases[] = {
        {"5.5.5-10.4.12-MariaDB", 10, 4, 12, true, u"10.4.12"},
        {"8.0.21", 8, 0, 21, false, u"8.0.21"},
        {"10.11.6-MariaDB-0+deb12u1", 10, 11, 6, true, u"10.11.6"},
        {"5.7.44-log", 5, 7, 44, false, u"5.7.44"},
        {"5.5.5-x", 5, 5, 5, false, u"5.5.5"},  // no digit after the prefix: kept
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        FakeMySQLAPI fake;
        fake.serverVersion = c.text;
        test::FakeAPIInstall use(fake);
        TMySQLConnection s;
        s.Connect(UString());
        EXPECT_EQ(s.ServerPrimaryVer(), c.primary);
        EXPECT_EQ(s.ServerMinorVer(), c.minor);
        EXPECT_EQ(s.ServerReleaseVer(), c.release);
        EXPECT_EQ(s.IsMariaDB(), c.mariadb);
        EXPECT_EQ(s.GetServerVersion(), c.version);
        EXPECT_EQ(s.GetServerVersionFull(), Widen(c.text));
    }
}

TEST_F(SessionTest, ServerBefore41GetsNoSetNamesAndNoUnicode) {
    api.serverVersion = "4.0.27";
    session.SetProp(prUseUnicode, true);
    session.Connect(UString());
    EXPECT_TRUE(api.statements.empty());
    EXPECT_FALSE(session.IsUtf8());
    EXPECT_FALSE(session.UseUnicode());
    EXPECT_EQ(session.DBCharLength(), 1);
}

TEST_F(SessionTest, BackslashModeFromSqlMode) {
    struct Case {
        const char* mode;
        bool check;
        bool need;
    } cases[] = {
        {"STRICT_TRANS_TABLES,NO_BACKSLASH_ESCAPES", true, false},
        {"no_backslash_escapes", true, false},
        {"STRICT_TRANS_TABLES", true, true},
        {"NO_BACKSLASH_ESCAPES", false, true},  // not asked: not looked at
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        FakeMySQLAPI fake;
        fake.sqlMode = c.mode;
        test::FakeAPIInstall use(fake);
        TMySQLConnection s;
        s.SetProp(prUseUnicode, true);
        s.SetProp(prCheckBackslashes, c.check);
        s.Connect(UString());
        std::vector<std::string> expected{"SET NAMES 'utf8'"};
        if (c.check) expected.push_back("SELECT @@session.sql_mode");
        EXPECT_EQ(fake.statements, expected);
        EXPECT_EQ(s.NeedBackslashes(), c.need);
        EXPECT_EQ(s.EscapeAndQuoteWideStr(u"O'Brien"), c.need ? u"'O\\'Brien'" : u"'O''Brien'");
    }
}

TEST_F(SessionTest, CheckBackslashesOnAnOpenSessionLooksAgain) {
    api.sqlMode = "NO_BACKSLASH_ESCAPES";
    session.Connect(UString());
    EXPECT_TRUE(session.NeedBackslashes());
    session.SetProp(prCheckBackslashes, true);
    EXPECT_FALSE(session.NeedBackslashes());
    EXPECT_EQ(api.statements.back(), "SELECT @@session.sql_mode");
    session.SetProp(prCheckBackslashes, false);
    EXPECT_TRUE(session.NeedBackslashes());
}

TEST_F(SessionTest, IsolationLevelAtConnectAndOnAnOpenSession) {
    session.SetProp(prIsolationLevel, static_cast<int>(ilSerializable));
    EXPECT_TRUE(api.statements.empty());  // closed: only stored
    session.Connect(UString());
    EXPECT_EQ(api.statements.back(), "SET SESSION TRANSACTION ISOLATION LEVEL SERIALIZABLE");
    session.SetIsolationLevel(ilReadUnCommitted);
    EXPECT_EQ(api.statements.back(), "SET SESSION TRANSACTION ISOLATION LEVEL READ UNCOMMITTED");
    const auto sent = api.statements.size();
    ExpectRaises<EDatabaseError>([&] { session.SetIsolationLevel(ilSnapshot); }, kAnyCode, SUnsupportedIsolationLevel);
    EXPECT_EQ(api.statements.size(), sent);
    EXPECT_EQ(session.IsolationLevel(), ilSnapshot);  // stored in every case
}

TEST_F(SessionTest, ReadCommittedAtConnectSendsNothing) {
    session.SetProp(prCharset, UString(u"latin1"));
    session.Connect(UString());
    EXPECT_EQ(api.statements, std::vector<std::string>{"SET NAMES 'latin1'"});
}

TEST_F(SessionTest, TransactionStatements) {
    session.Connect(UString());
    api.ClearLog();
    TCRTransaction& t = *session.GetInternalTransaction();
    t.SetIsolationLevel(ilRepeatableRead);
    t.StartTransaction();
    EXPECT_TRUE(t.GetInTransaction());
    t.Savepoint(u"sp1");
    t.RollbackToSavepoint(u"sp1");
    t.ReleaseSavepoint(u"sp1");
    t.Commit();
    EXPECT_FALSE(t.GetInTransaction());
    t.Commit();  // not started natively: nothing sent
    t.StartTransaction();
    t.Rollback();
    EXPECT_EQ(api.statements, (std::vector<std::string>{
                                  "SET TRANSACTION ISOLATION LEVEL REPEATABLE READ; BEGIN",
                                  "SAVEPOINT sp1",
                                  "ROLLBACK TO SAVEPOINT sp1",
                                  "RELEASE SAVEPOINT sp1",
                                  "COMMIT",
                                  "SET TRANSACTION ISOLATION LEVEL REPEATABLE READ; BEGIN",
                                  "ROLLBACK",
                              }));
    t.SetReadOnly(true);
    ExpectRaises<EDatabaseError>([&] { t.StartTransaction(); }, kAnyCode, SReadOnlyTransactionNotSupported);
}

TEST_F(SessionTest, TransactionOnOldServerSendsTwoStatements) {
    api.serverVersion = "4.0.30";
    session.Connect(UString());
    session.GetInternalTransaction()->StartTransaction();
    EXPECT_EQ(api.statements, (std::vector<std::string>{"SET TRANSACTION ISOLATION LEVEL READ COMMITTED", "BEGIN"}));
}

TEST_F(SessionTest, SetDatabase) {
    session.SetDatabase(u"one");  // closed: stored only
    EXPECT_TRUE(api.selectedDbs.empty());
    session.Connect(UString());
    EXPECT_EQ(api.connects.at(0).db, u"one");
    session.SetDatabase(u"two");
    session.SetDatabase(u"two");  // same name: nothing
    session.SetDatabase(u"");     // empty: stored, nothing sent
    EXPECT_EQ(api.selectedDbs, std::vector<UString>{u"two"});
    EXPECT_EQ(session.Database(), u"");
}

TEST_F(SessionTest, Utf8SessionHandsNamesOverAsUtf8Bytes) {
    session.SetProp(prUseUnicode, true);
    session.SetProp(prUsername, UString(u"jos\u00E9"));
    session.Connect(UString());
    // The code-page form of what the session hands over is the UTF-8 of the name.
    EXPECT_EQ(Utf16ToAnsi(api.connects.at(0).user), "jos\xC3\xA9");
    TMySQLConnection ansi;
    ansi.SetProp(prUsername, UString(u"jos\u00E9"));
    ansi.Connect(UString());
    EXPECT_EQ(Utf16ToAnsi(api.connects.at(1).user), "jos\xE9");
}

TEST_F(SessionTest, FailedConnectRaisesAfterTheHookAndLeavesNoHandle) {
    api.connectError = FakeError{1045, "#28000Access denied for user 'user'@'localhost' (using password: YES)", true};
    int hookCalls = 0;
    session.FOnError = [&](EDAError& e, bool&, bool&, bool&, int attempt, TConnLostCause&) {
        ++hookCalls;
        EXPECT_EQ(e.ErrorCode(), 1045);
        EXPECT_EQ(attempt, 0);
        EXPECT_EQ(e.Component(), &session);
    };
    if (const auto e =
            ExpectRaises<EMyError>([&] { session.Connect(UString()); }, 1045,
                                   u"#28000Access denied for user 'user'@'localhost' (using password: YES)")) {
        EXPECT_FALSE(e->IsFatalError());
    }
    EXPECT_EQ(hookCalls, 1);
    EXPECT_FALSE(session.GetConnected());
    EXPECT_EQ(api.openHandles, 0);
    EXPECT_EQ(session.GetMySQL(), nullptr);

    api.connectError.reset();
    session.Connect(UString());
    EXPECT_TRUE(session.GetConnected());
}

TEST_F(SessionTest, ServerMessagesAreDecodedByTheSessionCharset) {
    session.SetProp(prUseUnicode, true);
    session.Connect(UString());
    struct Case {
        const char* name;
        bool server;
        std::string bytes;
        UString expected;
    } cases[] = {
        {"server utf-8", true, "#42S02Tabla 'a\xC3\xB1o' no existe", u"#42S02Tabla 'a\u00F1o' no existe"},
        {"client code page", false, "Fallo en \xF1", u"Fallo en \u00F1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        api.queryFailures.push_back({"DO 1", {1146, c.bytes, c.server}});
        ExpectRaises<EMyError>([&] { session.ExecuteSQL(u"DO 1"); }, kAnyCode, c.expected);
    }
}

TEST_F(SessionTest, HookClearingFailEndsInSilentAbort) {
    session.Connect(UString());
    session.FOnError = [](EDAError&, bool& fail, bool&, bool&, int, TConnLostCause&) { fail = false; };
    api.queryFailures.push_back({"DO 1", {1146, "#42S02no table", true}});
    EXPECT_THROW(session.ExecuteSQL(u"DO 1"), EAbort);
}

TEST_F(SessionTest, ReconnectLoopWhenTheHookAsksForIt) {
    session.SetProp(prUseUnicode, true);
    session.Connect(UString());
    api.ClearLog();
    int reconnectSuccess = 0, reconnectError = 0;
    std::vector<int> attempts;
    session.FOnReconnectSuccess = [&] { ++reconnectSuccess; };
    session.FOnReconnectError = [&] { ++reconnectError; };
    session.FOnError = [&](EDAError& e, bool&, bool& reconnect, bool&, int attempt, TConnLostCause&) {
        attempts.push_back(attempt);
        reconnect = e.IsFatalError() && attempt == 0;
    };
    api.queryFailures.push_back({"DO 1", {2013, "Lost connection to MySQL server during query", false}});
    EXPECT_THROW(session.ExecuteSQL(u"DO 1"), EMyError);  // the error is still raised
    EXPECT_EQ(attempts, std::vector<int>{0});
    EXPECT_EQ(reconnectSuccess, 1);
    EXPECT_EQ(reconnectError, 0);
    EXPECT_TRUE(session.GetConnected());
    EXPECT_TRUE(session.Reconnected());
    EXPECT_EQ(api.closes, 1);
    EXPECT_EQ(api.connects.size(), 1u);
    // The old handle got a short timeout before it was closed; the new one the usual.
    EXPECT_NE(std::find(api.timeouts.begin(), api.timeouts.end(), 1), api.timeouts.end());
    EXPECT_EQ(api.options.at(0).value, 15);
    EXPECT_EQ(api.statements, (std::vector<std::string>{"DO 1", "SET NAMES 'utf8'"}));
}

TEST_F(SessionTest, FailedReconnectAsksTheHookAgainThenGivesUp) {
    session.Connect(UString());
    int reconnectError = 0;
    std::vector<int> attempts;
    session.FOnReconnectError = [&] { ++reconnectError; };
    session.FOnError = [&](EDAError& e, bool&, bool& reconnect, bool&, int attempt, TConnLostCause&) {
        attempts.push_back(attempt);
        reconnect = e.IsFatalError() && attempt < 2;
    };
    api.queryFailures.push_back({"DO 1", {2006, "MySQL server has gone away", false}});
    api.connectError = FakeError{2003, "Can't connect to MySQL server on 'db.example' (10061)", false};
    if (const auto e = ExpectRaises<EMyError>([&] { session.ExecuteSQL(u"DO 1"); })) {
        EXPECT_EQ(e->ErrorCode(), 2006);  // the original error, not the reconnect's
    }
    EXPECT_EQ(attempts, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(reconnectError, 1);
    EXPECT_FALSE(session.GetConnected());
    EXPECT_EQ(api.openHandles, 0);
}

TEST_F(SessionTest, ReexecuteRaisesFailOverAfterReconnecting) {
    session.Connect(UString());
    session.FOnError = [&](EDAError&, bool&, bool& reconnect, bool& reexecute, int attempt, TConnLostCause& cause) {
        reconnect = attempt == 0;
        reexecute = true;
        cause = clExecute;
    };
    api.queryFailures.push_back({"DO 1", {2013, "lost", false}});
    if (const auto e = ExpectRaises<EFailOver>([&] { session.ExecuteSQL(u"DO 1"); })) {
        EXPECT_EQ(e->ConnLostCause(), clExecute);
    }
    EXPECT_TRUE(session.GetConnected());
    session.ExecuteSQL(u"DO 1");  // the command cache survived
}

TEST_F(SessionTest, PingAndCheckIsValid) {
    session.Connect(UString());
    session.Ping();
    EXPECT_EQ(api.pings, 1);
    EXPECT_TRUE(session.CheckIsValid());
    EXPECT_EQ(api.pings, 3);  // pings twice
    api.pingResult = 2006;
    EXPECT_FALSE(session.CheckIsValid());
    EXPECT_FALSE(session.IsValid());
    EXPECT_THROW(session.Ping(), EMyError);
    session.Disconnect();
    EXPECT_FALSE(session.CheckIsValid());
    EXPECT_THROW(session.Ping(), EMyError);
}

TEST_F(SessionTest, AssignConnectBorrowsTheHandleWithoutClosingIt) {
    session.SetProp(prUseUnicode, true);
    session.Connect(UString());
    TMySQLConnection copy;
    copy.AssignConnect(&session);
    EXPECT_TRUE(copy.GetConnected());
    EXPECT_FALSE(copy.NativeConnection());
    EXPECT_EQ(copy.GetMySQL(), session.GetMySQL());
    EXPECT_TRUE(copy.IsUtf8());
    EXPECT_EQ(PropStr(copy.GetProp(prServer)), u"db.example");
    copy.ExecuteSQL(u"DO 1");
    copy.Disconnect();
    EXPECT_EQ(api.closes, 0);
    EXPECT_TRUE(session.GetConnected());
    session.Disconnect();
    EXPECT_EQ(api.closes, 1);
}

TEST_F(SessionTest, DisconnectAndReconnect) {
    session.Connect(UString());
    session.Connect(UString());  // already connected: nothing
    EXPECT_EQ(api.inits, 1);
    session.Disconnect();
    session.Disconnect();
    EXPECT_EQ(api.closes, 1);
    EXPECT_FALSE(session.GetConnected());
    session.Connect(UString());
    EXPECT_EQ(api.inits, 2);
}

TEST_F(SessionTest, ConnectionTimeoutReachesAnOpenHandle) {
    session.Connect(UString());
    api.ClearLog();
    session.SetProp(prConnectionTimeout, 30);
    EXPECT_EQ(api.timeouts, std::vector<int>{30});
}

TEST_F(SessionTest, UnicodeOrCharsetChangeOnAnOpenSessionAppliesTheSetAgain) {
    session.Connect(UString());
    api.ClearLog();
    session.SetProp(prCharset, UString(u"cp1251"));
    session.SetProp(prUseUnicode, true);
    session.SetProp(prCharset, UString(u"utf8mb4"));  // Unicode on: the charset alone does not re-apply
    session.SetProp(prUseUnicode, false);
    EXPECT_EQ(api.statements, (std::vector<std::string>{"SET NAMES 'cp1251'", "SET NAMES 'utf8'",
                                                         "SET NAMES 'utf8mb4'"}));
}

TEST_F(SessionTest, LastInsertIdAndThreadId) {
    session.Connect(UString());
    api.insertId = 0x1'0000'0005ULL;
    EXPECT_EQ(PropInt64(session.GetProp(prLastInsertId)), 0x1'0000'0005LL);
    EXPECT_EQ(session.GetThreadId(), 42u);
}

TEST(SessionChoice, ClientLibraryAndEmbeddedAreNotInstalledYet) {
    for (auto [embedded, direct] : {std::pair{true, true}, std::pair{false, false}}) {
        TMySQLConnection s;
        s.SetProp(prEmbedded, embedded);
        s.SetProp(prDirect, direct);
        if (const auto e = ExpectRaises<EDatabaseError>([&] { s.Connect(UString()); })) {
            EXPECT_NE(Narrow(e->Message()).find("is not supported in this build"), std::string::npos);
        }
        EXPECT_FALSE(s.GetConnected());
    }
    TMySQLConnection direct;
    EXPECT_EQ(direct.GetClientVersion(), u"8.0.0 Direct");
    EXPECT_TRUE(direct.GetIsClient41());
}

}  // namespace
}  // namespace brevant
