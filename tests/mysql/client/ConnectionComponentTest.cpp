// The connection component over a scripted operation set: defaults, the order in
// which settings reach the session, setters on an open connection, the open and
// close sequences, implicit connects, transactions and lost connections.

#include <gtest/gtest.h>

#include "ExpectRaises.h"
#include "FakeMySQLAPI.h"
#include "core/Abort.h"
#include "mysql/client/DAConsts.h"
#include "mysql/client/EncryptedPassword.h"
#include "mysql/client/TCustomMyConnection.h"

namespace brevant {
namespace {

using test::ExpectRaises;
using test::kAnyCode;

using test::FakeError;
using test::FakeMySQLAPI;

/// A session that records the identifiers handed to it.
class RecordingSession : public TMySQLConnection {
public:
    explicit RecordingSession(std::vector<int>* log) : log_(log) {}
    void SetProp(int prop, const TPropValue& value) override {
        log_->push_back(prop);
        TMySQLConnection::SetProp(prop, value);
    }

private:
    std::vector<int>* log_;
};

class RecordingConnection : public TMyConnection {
public:
    using TMyConnection::TMyConnection;
    std::vector<int> props;

protected:
    std::unique_ptr<TCRConnection> CreateIConnectionObject() override {
        return std::make_unique<RecordingSession>(&props);
    }
};

class Client : public TDAConnectionClient {
public:
    std::vector<std::string> events;
    bool veto = false;
    void ConnectChange(bool connected) override { events.push_back(connected ? "open" : "close"); }
    void IConnectionChanged(TCRConnection* session) override { events.push_back(session ? "session" : "no session"); }
    bool VetoesReconnect(TConnLostCause, const void*) const override { return veto; }
};

class ComponentTest : public ::testing::Test {
protected:
    FakeMySQLAPI api;
    test::FakeAPIInstall install{api};
    TMyConnection conn{u"MyConn"};

    /// The workbench's MyConn.
    void Workbench(TMyConnection& c) {
        c.Options().SetUseUnicode(true);
        c.Options().SetCharset(u"latin1");
        c.Options().SetIPVersion(ivIPBoth);
        c.SetLoginPrompt(false);
        c.SetServer(u"localhost");
        c.SetUsername(u"root");
        c.SetPassword(u"pw");
        c.SetDatabase(u"sakila");
    }
    void SetUp() override { Workbench(conn); }
};

TEST(ComponentDefaults, AsTabled) {
    TMyConnection c;
    EXPECT_EQ(c.Database(), u"");
    EXPECT_EQ(c.Port(), 3306);
    EXPECT_EQ(c.ConnectionTimeout(), 15);
    EXPECT_EQ(c.IsolationLevel(), ilReadCommitted);
    EXPECT_EQ(c.Server(), u"");
    EXPECT_EQ(c.Username(), u"");
    EXPECT_EQ(c.Password(), u"");
    EXPECT_TRUE(c.LoginPrompt());
    EXPECT_FALSE(c.Connected());
    EXPECT_FALSE(c.Pooling());
    EXPECT_FALSE(c.Embedded());
    const TMyConnectionOptions& o = c.Options();
    EXPECT_FALSE(o.Compress());
    EXPECT_FALSE(o.UseUnicode());
    EXPECT_EQ(o.Charset(), u"");
    EXPECT_EQ(o.Protocol(), mpDefault);
    EXPECT_FALSE(o.Embedded());
    EXPECT_TRUE(o.Direct());
    EXPECT_EQ(o.IPVersion(), ivIPv4);
    EXPECT_FALSE(o.CheckBackslashes());
    EXPECT_FALSE(o.Interactive());
    EXPECT_TRUE(o.KeepDesignConnected());
    EXPECT_EQ(o.NumericType(), ntFloat);
    EXPECT_FALSE(o.NullForZeroDelphiDate());
    EXPECT_FALSE(o.OptimizedBigInt());
    EXPECT_FALSE(o.DisconnectedMode());
    EXPECT_FALSE(o.LocalFailover());
    EXPECT_EQ(o.DefaultSortType(), stCaseSensitive);
    EXPECT_TRUE(o.AllowImplicitConnect());
    EXPECT_EQ(c.UsedTransaction()->Name(), u"tr");
    EXPECT_TRUE(c.UsedTransaction()->Shared());
    EXPECT_EQ(c.GetClientVersion(), u"8.0.0 Direct");
}

TEST(ComponentOpen, SettingsReachTheSessionInOrder) {
    FakeMySQLAPI api;
    test::FakeAPIInstall install(api);
    RecordingConnection c;
    c.SetLoginPrompt(false);
    c.Open();
    const std::vector<int> expected = {
        prUsername, prPassword, prServer, prDatabase, prConnectionTimeout, prIsolationLevel, prUseUnicode,
        prCharset, prPort, prEmbedded, prDirect, prIPVersion, prCompress, prProtocol, prCheckBackslashes,
        prInteractive, prSSLKey, prSSLCert, prSSLCA, prSSLCAPath, prSSLCipher,
        // SetConnectionProps
        prDisconnectedMode, prEnableBCD, prEnableFmtBCD, prAutoCommit, prConvertEOL, prOptimizedBigInt,
        prNullForZeroDelphiDate, prDefaultSortType};
    EXPECT_EQ(c.props, expected);
    EXPECT_TRUE(c.Connected());
}

TEST_F(ComponentTest, WorkbenchOpenSendsOnlySetNames) {
    conn.Open();
    ASSERT_TRUE(conn.Connected());
    EXPECT_EQ(api.statements, std::vector<std::string>{"SET NAMES 'utf8'"});
    EXPECT_EQ(api.connects.at(0).host, u"localhost");
    EXPECT_EQ(api.connects.at(0).db, u"sakila");
    EXPECT_EQ(api.connects.at(0).port, 3306u);
    EXPECT_EQ(conn.ConnectCount(), 1);
    conn.Open();  // a second open does nothing
    EXPECT_EQ(api.inits, 1);
    conn.Close();
    conn.Close();  // a close on a closed connection does nothing
    EXPECT_EQ(api.closes, 1);
    EXPECT_FALSE(conn.Connected());
}

TEST_F(ComponentTest, EventsAndClientsInOrder) {
    std::vector<std::string> log;
    conn.BeforeConnect = [&](TCustomDAConnection&) { log.push_back("before connect"); };
    conn.AfterConnect = [&](TCustomDAConnection& c) { log.push_back(c.Connected() ? "after connect" : "?"); };
    conn.BeforeDisconnect = [&](TCustomDAConnection&) { log.push_back("before disconnect"); };
    conn.AfterDisconnect = [&](TCustomDAConnection& c) { log.push_back(c.Connected() ? "?" : "after disconnect"); };
    Client client;
    conn.RegisterClient(&client);
    conn.Open();
    conn.Close();
    EXPECT_EQ(log, (std::vector<std::string>{"before connect", "after connect", "before disconnect",
                                             "after disconnect"}));
    EXPECT_EQ(client.events, (std::vector<std::string>{"session", "open", "close"}));
    conn.UnRegisterClient(&client);
}

TEST_F(ComponentTest, ServerPortUserPasswordCloseAnOpenConnection) {
    struct Case {
        const char* name;
        std::function<void(TMyConnection&)> change;
    } cases[] = {
        {"port", [](TMyConnection& c) { c.SetPort(3307); }},
        {"server", [](TMyConnection& c) { c.SetServer(u"other"); }},
        {"user", [](TMyConnection& c) { c.SetUsername(u"other"); }},
        {"password", [](TMyConnection& c) { c.SetPassword(u"other"); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        conn.Open();
        ASSERT_TRUE(conn.Connected());
        c.change(conn);
        EXPECT_FALSE(conn.Connected());
    }
    conn.Open();
    EXPECT_EQ(api.connects.back().port, 3307u);
    EXPECT_EQ(api.connects.back().host, u"other");
    EXPECT_EQ(api.connects.back().user, u"other");
    conn.SetPort(3307);  // same value: nothing happens
    EXPECT_TRUE(conn.Connected());
}

TEST_F(ComponentTest, OptionsNeedAClosedConnection) {
    struct Case {
        const char* name;
        std::function<void(TMyConnection&)> change;
    } cases[] = {
        {"Charset", [](TMyConnection& c) { c.Options().SetCharset(u"utf8mb4"); }},
        {"UseUnicode", [](TMyConnection& c) { c.Options().SetUseUnicode(false); }},
        {"Direct", [](TMyConnection& c) { c.Options().SetDirect(false); }},
        {"Compress", [](TMyConnection& c) { c.Options().SetCompress(true); }},
        {"Protocol", [](TMyConnection& c) { c.Options().SetProtocol(mpTCP); }},
        {"IPVersion", [](TMyConnection& c) { c.Options().SetIPVersion(ivIPv6); }},
        {"Embedded", [](TMyConnection& c) { c.SetEmbedded(true); }},
        {"Interactive", [](TMyConnection& c) { c.Options().SetInteractive(true); }},
        {"OptimizedBigInt", [](TMyConnection& c) { c.Options().SetOptimizedBigInt(true); }},
        {"NullForZeroDelphiDate", [](TMyConnection& c) { c.Options().SetNullForZeroDelphiDate(true); }},
    };
    conn.Open();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ExpectRaises<EDatabaseError>([&] { c.change(conn); }, kAnyCode, SConnectionOpen);
        EXPECT_TRUE(conn.Connected());
    }
    EXPECT_EQ(conn.Options().Charset(), u"latin1");
    EXPECT_EQ(conn.Options().IPVersion(), ivIPBoth);
    // While designing, the change closes the connection instead.
    conn.SetDesigning(true);
    conn.Options().SetCharset(u"utf8mb4");
    EXPECT_FALSE(conn.Connected());
    EXPECT_EQ(conn.Options().Charset(), u"utf8mb4");
    EXPECT_EQ(PropStr(conn.Session()->GetProp(prCharset)), u"utf8mb4");
}

TEST_F(ComponentTest, DatabaseSwitchesOnTheSameSession) {
    conn.Open();
    conn.SetDatabase(u"world");
    EXPECT_TRUE(conn.Connected());
    EXPECT_EQ(api.inits, 1);
    EXPECT_EQ(api.selectedDbs, std::vector<UString>{u"world"});
    conn.SetDatabase(u"");
    EXPECT_EQ(api.selectedDbs.size(), 1u);
    EXPECT_TRUE(conn.Connected());
}

TEST_F(ComponentTest, TimeoutIsolationAndBackslashesReachAnOpenSession) {
    conn.Open();
    api.ClearLog();
    conn.SetConnectionTimeout(5);
    EXPECT_EQ(api.timeouts, std::vector<int>{5});
    conn.SetIsolationLevel(ilRepeatableRead);
    EXPECT_EQ(api.statements.back(), "SET SESSION TRANSACTION ISOLATION LEVEL REPEATABLE READ");
    EXPECT_EQ(conn.UsedTransaction()->IsolationLevel(), ilRepeatableRead);
    api.sqlMode = "NO_BACKSLASH_ESCAPES";
    conn.Options().SetCheckBackslashes(true);
    EXPECT_TRUE(conn.Connected());
    EXPECT_FALSE(conn.Session()->NeedBackslashes());
}

TEST_F(ComponentTest, FailedConnectLeavesItClosedAndARetryWorks) {
    api.connectError = FakeError{1045, "#28000Access denied", true};
    int errors = 0;
    conn.OnError = [&](TCustomDAConnection&, EDAError& e, bool& fail) {
        ++errors;
        EXPECT_TRUE(fail);
        EXPECT_EQ(e.ErrorCode(), 1045);
    };
    EXPECT_THROW(conn.Open(), EMyError);
    EXPECT_FALSE(conn.Connected());
    EXPECT_EQ(errors, 1);
    EXPECT_EQ(conn.Database(), u"sakila");
    api.connectError.reset();
    conn.SetPassword(u"right");
    conn.Open();
    EXPECT_TRUE(conn.Connected());
    EXPECT_EQ(api.connects.back().password, u"right");
}

TEST_F(ComponentTest, LoginPrompt) {
    int logins = 0;
    conn.OnLogin = [&](TCustomDAConnection&, TStrings& params) {
        ++logins;
        EXPECT_EQ(params.Text(), u"Username=root\r\nPassword=pw\r\nServer=localhost\r\nDatabase=sakila\r\nPort=3306\r\n");
        params[1] = u"Password=typed";
        params[3] = u"DATABASE=world";  // names match without regard to case
        params[4] = u"Port=3310";
        params.Add(u"Port=none");  // not a number: ignored
        params.Add(u"no equals sign");
    };
    conn.Open();  // LoginPrompt False: no call
    conn.Close();
    EXPECT_EQ(logins, 0);
    conn.SetLoginPrompt(true);
    conn.Open();
    EXPECT_EQ(logins, 1);
    EXPECT_EQ(conn.Password(), u"typed");
    EXPECT_EQ(api.connects.back().password, u"typed");
    EXPECT_EQ(api.connects.back().port, 3310u);
    EXPECT_EQ(conn.Database(), u"world");
    EXPECT_EQ(api.connects.back().db, u"world");
}

TEST_F(ComponentTest, CancelledConnectDialog) {
    conn.SetLoginPrompt(true);
    conn.ConnectDialog = [](TCustomDAConnection&) { return false; };
    EXPECT_THROW(conn.Open(), EAbort);
    EXPECT_FALSE(conn.Connected());
    conn.SetDesigning(true);
    ExpectRaises<EDatabaseError>([&] { conn.Open(); }, kAnyCode, SCannotConnect);
}

TEST_F(ComponentTest, ConnectedWhileLoadingIsAppliedWhenLoadingEnds) {
    conn.BeginLoading();
    conn.SetConnected(true);
    EXPECT_FALSE(conn.Connected());
    conn.Loaded();
    EXPECT_TRUE(conn.Connected());
}

TEST_F(ComponentTest, EndingATransactionReportsAFailingClose) {
    // In disconnected mode Commit and Rollback close the connection again; an error
    // raised while closing reaches the caller, and a failed statement's own error wins.
    conn.Options().SetDisconnectedMode(true);
    conn.AfterDisconnect = [](TCustomDAConnection&) { throw EDatabaseError(UString(u"close hook")); };
    conn.StartTransaction();
    ExpectRaises<EDatabaseError>([&] { conn.Commit(); }, kAnyCode, u"close hook");
    EXPECT_FALSE(conn.InTransaction());
    EXPECT_FALSE(conn.Connected());

    conn.StartTransaction();
    api.queryFailures.push_back({"ROLLBACK", {1205, "#HY000Lock wait timeout exceeded", true}});
    ExpectRaises<EMyError>([&] { conn.Rollback(); }, 1205);
    EXPECT_FALSE(conn.InTransaction());
    EXPECT_FALSE(conn.Connected());
}

TEST_F(ComponentTest, ImplicitConnects) {
    conn.Options().SetDisconnectedMode(true);
    EXPECT_EQ(conn.GetServerVersion(), u"10.11.6-MariaDB");
    EXPECT_FALSE(conn.Connected());  // disconnected mode: closed again at count 0
    EXPECT_TRUE(conn.IsMariaDB());
    EXPECT_EQ(conn.ThreadId(), 42u);
    EXPECT_EQ(api.inits, 3);
    conn.Options().SetDisconnectedMode(false);
    conn.ExecSQL(u"DO 1");
    EXPECT_TRUE(conn.Connected());  // otherwise it stays open
    EXPECT_EQ(conn.ConnectCount(), 0);
    // An explicit open is not undone by the end of an implicit use.
    conn.Close();
    conn.Options().SetDisconnectedMode(true);
    conn.Open();
    conn.ExecSQL(u"DO 2");
    EXPECT_EQ(conn.ConnectCount(), 1);
    EXPECT_TRUE(conn.Connected());
}

TEST_F(ComponentTest, ExecSqlConvertsTheText) {
    conn.ExecSQL(u"INSERT INTO t VALUES ('a\u00F1o')");
    EXPECT_EQ(api.statements.back(), "INSERT INTO t VALUES ('a\xC3\xB1o')");
    conn.Close();
    conn.Options().SetUseUnicode(false);
    conn.ExecSQL(u"INSERT INTO t VALUES ('a\u00F1o')");
    EXPECT_EQ(api.statements.back(), "INSERT INTO t VALUES ('a\xF1o')");
}

TEST_F(ComponentTest, TransactionsThroughTheDefaultTransaction) {
    conn.Options().SetDisconnectedMode(true);
    conn.StartTransaction();
    EXPECT_TRUE(conn.Connected());
    EXPECT_TRUE(conn.InTransaction());
    conn.Savepoint(u"a");
    conn.RollbackToSavepoint(u"a");
    conn.ReleaseSavepoint(u"a");
    conn.Commit();
    EXPECT_FALSE(conn.InTransaction());
    EXPECT_FALSE(conn.Connected());  // the implicit connect of the transaction ended
    conn.Open();
    conn.StartTransaction();
    conn.Rollback();
    EXPECT_EQ(api.statements, (std::vector<std::string>{
                                  "SET NAMES 'utf8'",
                                  "SET TRANSACTION ISOLATION LEVEL READ COMMITTED; BEGIN",
                                  "SAVEPOINT a",
                                  "ROLLBACK TO SAVEPOINT a",
                                  "RELEASE SAVEPOINT a",
                                  "COMMIT",
                                  "SET NAMES 'utf8'",
                                  "SET TRANSACTION ISOLATION LEVEL READ COMMITTED; BEGIN",
                                  "ROLLBACK",
                              }));
    TDATransaction mine(&conn, u"mine");
    mine.SetIsolationLevel(ilSerializable);
    conn.SetDefaultTransaction(&mine);
    conn.StartTransaction();
    EXPECT_EQ(api.statements.back(), "SET TRANSACTION ISOLATION LEVEL SERIALIZABLE; BEGIN");
    EXPECT_TRUE(mine.Active());
    conn.Close();  // closing ends every attached transaction
    EXPECT_FALSE(mine.Active());
}

TEST_F(ComponentTest, LostConnectionReconnectsOnceSilentlyAndStillRaises) {
    conn.Open();
    int afterConnect = 0, errors = 0;
    conn.AfterConnect = [&](TCustomDAConnection&) { ++afterConnect; };
    conn.OnError = [&](TCustomDAConnection&, EDAError& e, bool&) {
        ++errors;
        EXPECT_EQ(e.ErrorCode(), 2013);
    };
    api.queryFailures.push_back({"DO 1", {2013, "Lost connection to MySQL server during query", false}});
    EXPECT_THROW(conn.ExecSQL(u"DO 1"), EMyError);
    EXPECT_EQ(errors, 1);
    EXPECT_EQ(afterConnect, 1);
    EXPECT_TRUE(conn.Connected());
    EXPECT_EQ(api.inits, 2);
    conn.ExecSQL(u"DO 1");  // the new session works
}

TEST_F(ComponentTest, LostConnectionWithAVetoClosesTheConnection) {
    conn.Open();
    Client client;
    client.veto = true;
    conn.RegisterClient(&client);
    api.queryFailures.push_back({"DO 1", {2006, "MySQL server has gone away", false}});
    EXPECT_THROW(conn.ExecSQL(u"DO 1"), EMyError);
    EXPECT_FALSE(conn.Connected());
    EXPECT_EQ(api.inits, 1);
    conn.UnRegisterClient(&client);
}

TEST_F(ComponentTest, LostConnectionInATransactionIsNotHiddenByAReconnect) {
    conn.Open();
    conn.StartTransaction();
    api.queryFailures.push_back({"DO 1", {2013, "lost", false}});
    EXPECT_THROW(conn.ExecSQL(u"DO 1"), EMyError);
    EXPECT_FALSE(conn.Connected());
    EXPECT_FALSE(conn.InTransaction());
}

TEST_F(ComponentTest, FailedSilentReconnectLeavesItClosed) {
    conn.Open();
    api.queryFailures.push_back({"DO 1", {2013, "lost", false}});
    api.connectError = FakeError{2003, "Can't connect to MySQL server on 'localhost' (10061)", false};
    EXPECT_THROW(conn.ExecSQL(u"DO 1"), EMyError);
    EXPECT_FALSE(conn.Connected());
}

TEST_F(ComponentTest, NonFatalErrorsLeaveTheConnectionAlone) {
    conn.Open();
    api.queryFailures.push_back({"DO 1", {1062, "#23000Duplicate entry", true}});
    if (const auto e = ExpectRaises<EMyError>([&] { conn.ExecSQL(u"DO 1"); })) {
        EXPECT_TRUE(e->IsKeyViolation());
    }
    EXPECT_TRUE(conn.Connected());
    EXPECT_EQ(api.inits, 1);
}

TEST_F(ComponentTest, OnErrorMaySuppressTheError) {
    conn.Open();
    conn.OnError = [](TCustomDAConnection&, EDAError&, bool& fail) { fail = false; };
    api.queryFailures.push_back({"DO 1", {1146, "#42S02no table", true}});
    EXPECT_THROW(conn.ExecSQL(u"DO 1"), EAbort);
}

TEST_F(ComponentTest, LocalFailoverAsksOnConnectionLostAndRepeats) {
    conn.Options().SetLocalFailover(true);
    conn.Open();
    std::vector<TConnLostCause> causes;
    int errors = 0;
    conn.OnError = [&](TCustomDAConnection&, EDAError&, bool&) { ++errors; };
    conn.OnConnectionLost = [&](TCustomDAConnection&, const void*, TConnLostCause cause, TRetryMode& mode) {
        causes.push_back(cause);
        EXPECT_EQ(mode, rmRaise);  // proposed for clExecute
        mode = rmReconnectExecute;
    };
    api.queryFailures.push_back({"DO 1", {2013, "lost", false}});
    conn.ExecSQL(u"DO 1");  // repeated after the reconnect: no error
    EXPECT_EQ(causes, std::vector<TConnLostCause>{clExecute});
    EXPECT_EQ(errors, 0);
    EXPECT_TRUE(conn.Connected());
    EXPECT_EQ(std::count(api.statements.begin(), api.statements.end(), "DO 1"), 2);

    // Left at rmRaise the reconnect is cancelled and the connection closes.
    conn.OnConnectionLost = [&](TCustomDAConnection&, const void*, TConnLostCause, TRetryMode&) {};
    api.queryFailures.push_back({"DO 1", {2013, "lost", false}});
    EXPECT_THROW(conn.ExecSQL(u"DO 1"), EMyError);
    EXPECT_EQ(errors, 1);
    EXPECT_FALSE(conn.Connected());
}

TEST_F(ComponentTest, LocalFailoverRepeatsConnectAndStartTransaction) {
    // A lost connection while connecting or starting a transaction: reconnected
    // and repeated, the caller sees the operation succeed.
    struct Case {
        const char* lost;  // the statement whose answer is lost
        TConnLostCause cause;
        bool openFirst;
        void (*operation)(TMyConnection&);
    } cases[] = {
        {"SET NAMES 'utf8'", clConnect, false, [](TMyConnection& c) { c.Open(); }},
        {"SET NAMES 'utf8'", clConnect, false, [](TMyConnection& c) { c.Connect(); }},
        {"SET TRANSACTION ISOLATION LEVEL READ COMMITTED; BEGIN", clTransStart, true,
         [](TMyConnection& c) { c.StartTransaction(); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lost);
        TMyConnection conn(u"Failover");
        Workbench(conn);
        conn.Options().SetLocalFailover(true);
        std::vector<TConnLostCause> causes;
        conn.OnConnectionLost = [&](TCustomDAConnection&, const void*, TConnLostCause cause, TRetryMode& mode) {
            causes.push_back(cause);
            EXPECT_EQ(mode, rmReconnectExecute);
        };
        if (c.openFirst) conn.Open();
        api.ClearLog();
        api.queryFailures.push_back({c.lost, {2013, "Lost connection to MySQL server during query", false}});
        ASSERT_NO_THROW(c.operation(conn));
        EXPECT_EQ(causes, std::vector<TConnLostCause>{c.cause});
        EXPECT_TRUE(conn.Connected());
        EXPECT_EQ(std::count(api.statements.begin(), api.statements.end(), c.lost), 2);
        if (c.cause == clTransStart) {
            EXPECT_TRUE(conn.InTransaction());
        }
        conn.Close();
    }
}

TEST_F(ComponentTest, EncryptedPasswordProperty) {
    conn.SetEncryptedPassword(EncryptPassword(u"stored"));
    EXPECT_EQ(conn.Password(), u"stored");
    EXPECT_EQ(DecryptPassword(conn.EncryptedPassword()), u"stored");
    EXPECT_THROW(conn.SetEncryptedPassword(u"XYZ"), EDatabaseError);
    EXPECT_EQ(conn.Password(), u"stored");
}

TEST_F(ComponentTest, PoolingAndOtherImplementationsAreNotSupportedYet) {
    conn.SetPooling(true);
    ExpectRaises<EDatabaseError>([&] { conn.Open(); }, kAnyCode, SPoolingNotSupported);
    TMyConnection other;
    EXPECT_THROW(conn.AssignConnect(&other), EDatabaseError);
    conn.SetPooling(false);
    conn.Options().SetDirect(false);
    EXPECT_THROW(conn.Open(), EDatabaseError);
    EXPECT_THROW(conn.GetClientVersion(), EDatabaseError);
    EXPECT_FALSE(conn.Connected());
}

TEST_F(ComponentTest, AssignConnectSharesTheOpenSession) {
    conn.Open();
    TMyConnection borrower(u"Borrower");
    borrower.AssignConnect(&conn);
    EXPECT_TRUE(borrower.Connected());
    EXPECT_EQ(borrower.Session()->GetMySQL(), conn.Session()->GetMySQL());
    borrower.ExecSQL(u"DO 3");
    borrower.Close();
    EXPECT_EQ(api.closes, 0);
    EXPECT_TRUE(conn.Connected());
}

}  // namespace
}  // namespace brevant

namespace brevant {
namespace {

TEST(ComponentLifetime, TransactionOutlivesItsConnection) {
    FakeMySQLAPI api;
    test::FakeAPIInstall install(api);
    auto conn = std::make_unique<TMyConnection>(u"Short");
    conn->SetLoginPrompt(false);
    TDATransaction t(conn.get(), u"t");
    conn->SetDefaultTransaction(&t);
    t.StartTransaction();
    conn.reset();
    EXPECT_FALSE(t.Active());
    EXPECT_EQ(t.DefaultConnection(), nullptr);
    ExpectRaises<EDatabaseError>([&] { t.StartTransaction(); }, kAnyCode, SConnectionNotDefined);
}

}  // namespace
}  // namespace brevant
