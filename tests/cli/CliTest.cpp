// The executable run as a shell would run it, against the private server.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "CliRun.h"
#include "data/TMyQuery.h"
#include "mysql/client/TCustomMyConnection.h"
#include "support/TestServer.h"

namespace {

namespace fs = std::filesystem;

using brevant::test::Quote;
using brevant::test::TRun;

class Cli : public ::testing::Test {
protected:
    brevant::test::ServerAddress server_;
    std::string dir_;

    void SetUp() override {
        dir_ = ::testing::TempDir() + "/brevant_cli_" + std::to_string(getpid());
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    /// Runs brevant-cli with the server's options and `args`; stdout and stderr apart.
    TRun Run(const std::string& args, const std::string& password, bool connection = true) {
        const std::string conn = connection ? "--server " + Quote(server_.host) + " --port " +
                                                  std::to_string(server_.port) + " --user " + Quote(server_.user) + " "
                                            : "";
        return brevant::test::RunCli(conn + args, password, dir_);
    }
    TRun Run(const std::string& args) { return Run(args, server_.password); }
    void Exec(const std::string& sql) {
        const TRun r = Run("exec " + Quote(sql));
        ASSERT_EQ(r.code, 0) << sql << "\n" << r.err;
    }
    std::string One(const std::string& db, const std::string& sql) {
        TRun r = Run("--database " + db + " query " + Quote(sql));
        EXPECT_EQ(r.code, 0) << r.err;
        const auto nl = r.out.find('\n');
        return nl == std::string::npos ? "" : r.out.substr(nl + 1);
    }
};

TEST_F(Cli, QueryWritesTabsOrCsvWithNullsAndEscapes) {
    BREVANT_REQUIRE_SERVER(server);
    server_ = server;
    Exec("DROP DATABASE IF EXISTS cli_q");
    Exec("CREATE DATABASE cli_q CHARACTER SET utf8mb4");
    Exec("CREATE TABLE cli_q.t (id INT, txt VARCHAR(40), n INT)");
    Exec("INSERT INTO cli_q.t VALUES (1, 'a\\tb', NULL), (2, 'line1\\nline2', 5), (3, 'back\\\\slash \"q\", c', 6),"
         " (4, 'ñandú € 日本', 7)");
    struct Case {
        const char* flag;
        const char* expected;
    } cases[] = {
        {"", "id\ttxt\tn\n1\ta\\tb\t\\N\n2\tline1\\nline2\t5\n3\tback\\\\slash \"q\", c\t6\n4\tñandú € 日本\t7\n"},
        {"--csv ", "id,txt,n\n1,a\tb,\n2,\"line1\nline2\",5\n3,\"back\\slash \"\"q\"\", c\",6\n4,ñandú € 日本,7\n"},
    };
    for (const Case& c : cases) {
        const TRun r = Run(std::string("--database cli_q query ") + c.flag + Quote("SELECT * FROM t ORDER BY id"));
        EXPECT_EQ(r.code, 0) << r.err;
        EXPECT_EQ(r.out, c.expected) << c.flag;
        EXPECT_EQ(r.err, "");
    }
    Exec("DROP DATABASE cli_q");
}

TEST_F(Cli, ExecPrintsTheAffectedRows) {
    BREVANT_REQUIRE_SERVER(server);
    server_ = server;
    Exec("DROP DATABASE IF EXISTS cli_e");
    Exec("CREATE DATABASE cli_e");
    Exec("CREATE TABLE cli_e.t (id INT)");
    struct Case {
        const char* sql;
        const char* count;
    } cases[] = {
        {"INSERT INTO t VALUES (1),(2),(3)", "3\n"},
        {"UPDATE t SET id = id + 10 WHERE id > 1", "2\n"},
        {"UPDATE t SET id = id WHERE id = 99", "0\n"},
        {"DELETE FROM t", "3\n"},
    };
    for (const Case& c : cases) {
        const TRun r = Run(std::string("--database cli_e exec ") + Quote(c.sql));
        EXPECT_EQ(r.code, 0) << r.err;
        EXPECT_EQ(r.out, c.count) << c.sql;
    }
    Exec("DROP DATABASE cli_e");
}

TEST_F(Cli, BackupThenRestoreGivesEqualChecksumsAndProgressLines) {
    BREVANT_REQUIRE_SERVER(server);
    server_ = server;
    for (const char* sql : {"DROP DATABASE IF EXISTS cli_b", "DROP DATABASE IF EXISTS cli_r", "CREATE DATABASE cli_b CHARACTER SET utf8mb4",
                            "CREATE DATABASE cli_r CHARACTER SET utf8mb4",
                            "CREATE TABLE cli_b.a (id INT PRIMARY KEY, s VARCHAR(20), b BLOB)",
                            "CREATE TABLE cli_b.b (x DOUBLE, d DATETIME)",
                            "INSERT INTO cli_b.a VALUES (1,'ñ\\ttab',0x00FF10),(2,NULL,NULL),(3,'日本',x'')",
                            "INSERT INTO cli_b.b VALUES (1.5,'2024-02-29 12:00:00'),(NULL,NULL)"})
        Exec(sql);
    const std::string file = dir_ + "/b.sql";
    TRun r = Run("--database cli_b backup " + file);
    ASSERT_EQ(r.code, 0) << r.err;
    // stderr is not a terminal here: plain lines, never a bar redrawn with "\r", the
    // last one at 100 %.
    EXPECT_NE(r.err.find("backup: 100%"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find('\r'), std::string::npos) << r.err;
    for (std::size_t at = 0; at < r.err.size(); at = r.err.find('\n', at) + 1)
        EXPECT_EQ(r.err.compare(at, 8, "backup: "), 0) << r.err.substr(at);
    r = Run("--database cli_r restore " + file);
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.err.find("restore: 100%"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find('\r'), std::string::npos) << r.err;
    for (const char* t : {"a", "b"}) {
        const std::string sum = std::string("CHECKSUM TABLE ") + t;
        const std::string from = One("cli_b", sum), to = One("cli_r", sum);
        EXPECT_EQ(from.substr(from.find('\t')), to.substr(to.find('\t'))) << t;
    }
    // --quiet: nothing on stderr; --structure: no rows; --tables: only those.
    r = Run("--database cli_b --quiet backup --structure --tables b " + file);
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "");
    Exec("DROP DATABASE cli_r");
    Exec("CREATE DATABASE cli_r");
    ASSERT_EQ(Run("--database cli_r --quiet restore " + file).code, 0);
    EXPECT_EQ(One("cli_r", "SELECT COUNT(*) FROM b"), "0\n");
    EXPECT_EQ(Run("--database cli_r query 'SELECT 1 FROM a'").code, 1);
    // --per-table: one file per table in the folder.
    r = Run("--database cli_b --quiet backup --per-table " + dir_ + "/per");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(fs::exists(dir_ + "/per/a.sql"));
    EXPECT_TRUE(fs::exists(dir_ + "/per/b.sql"));
    Exec("DROP DATABASE cli_b");
    Exec("DROP DATABASE cli_r");
}

TEST_F(Cli, AFailingStatementStopsTheRestoreUnlessForced) {
    BREVANT_REQUIRE_SERVER(server);
    server_ = server;
    const std::string file = dir_ + "/bad.sql";
    std::ofstream(file) << "CREATE TABLE t (id INT);\nINSERT INTO t VALUES (1);\n\nINSERT INTO nowhere VALUES (2);\n"
                           "INSERT INTO t VALUES (3);\n";
    struct Case {
        const char* flag;
        const char* rows;
    } cases[] = {{"", "1\n"}, {"--force ", "2\n"}};
    for (const Case& c : cases) {
        Exec("DROP DATABASE IF EXISTS cli_f");
        Exec("CREATE DATABASE cli_f");
        const TRun r = Run(std::string("--database cli_f --quiet restore ") + c.flag + file);
        EXPECT_EQ(r.code, 1) << c.flag;
        EXPECT_NE(r.err.find("ERROR 1146 at line 4: "), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("nowhere"), std::string::npos) << r.err;
        EXPECT_EQ(One("cli_f", "SELECT COUNT(*) FROM t"), c.rows) << c.flag;
    }
    Exec("DROP DATABASE cli_f");
}

TEST_F(Cli, FailuresAndWrongUsageHaveTheirExitCodes) {
    BREVANT_REQUIRE_SERVER(server);
    server_ = server;
    TRun r = Run("query 'SELECT 1'", server.password + "-wrong");
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("ERROR 1045"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("Access denied"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");

    r = Run("query 'SELEC 1'");
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("ERROR 1064"), std::string::npos) << r.err;

    r = Run("frobnicate");
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("usage:"), std::string::npos) << r.err;
    r = Run("--help", "", false);
    EXPECT_EQ(r.code, 0);
    EXPECT_NE(r.out.find("usage:"), std::string::npos);
}

// Numbers, dates and binary columns as the server writes them: the scale of a
// DECIMAL, fractions of a second, every digit of a DOUBLE, bytes after a NUL.
TEST_F(Cli, QueryWritesTheServersOwnTextForEveryKind) {
    BREVANT_REQUIRE_SERVER(server);
    server_ = server;
    const TRun r = Run("query " + Quote("SELECT CAST(1 AS DECIMAL(12,2)) AS d, CAST('2024-01-01 00:00:00.123456' AS "
                                        "DATETIME(6)) AS t, CAST('-12:00:00.5' AS TIME(3)) AS tm, "
                                        "-2.2250738585072014e-308 AS f, CAST(18446744073709551615 AS UNSIGNED) AS u, "
                                        "BINARY 'a\\0b' AS b, x'C3B1' AS x, b'101' + 0 AS bits"));
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "d\tt\ttm\tf\tu\tb\tx\tbits\n1.00\t2024-01-01 00:00:00.123456\t-12:00:00.500\t"
                     "-2.2250738585072014e-308\t18446744073709551615\ta\\0b\t\xC3\xB1\t5\n");
}

// --settings reads the connection row the window remembers; what the command line
// gives wins over the file.
TEST_F(Cli, SettingsFileGivesTheConnectionAndTheCommandLineWins) {
    BREVANT_REQUIRE_SERVER(server);
    server_ = server;
    Exec("CREATE DATABASE IF NOT EXISTS cli_s");
    const std::string ini = dir_ + "/brevant.ini";
    auto write = [&](const std::string& port, const std::string& driverid = "0") {
        brevant::test::WriteFile(ini, "[setup]\r\ndriverid=" + driverid + "\r\nserver=" + server.host +
                                          "\r\ndatabase=cli_s\r\ndatadir=datos\r\nuser=" + server.user +
                                          "\r\nport=" + port + "\r\n");
    };
    auto query = [&](const std::string& options) {
        return brevant::test::RunCli(options + " query 'SELECT DATABASE()'", server.password, dir_);
    };
    write(std::to_string(server.port));
    TRun r = query("--settings " + ini);
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "DATABASE()\ncli_s\n");
    r = query("--settings " + ini + " --database mysql");
    EXPECT_EQ(r.out, "DATABASE()\nmysql\n") << r.err;

    write("abc");  // kept as typed by the window; only a connect finds it wrong
    r = query("--settings " + ini + " --port " + std::to_string(server.port));
    EXPECT_EQ(r.out, "DATABASE()\ncli_s\n") << r.err;
    struct Case {
        const char* name;
        std::string options;
        const char* message;
    } failures[] = {
        {"a port that is no number", "--settings " + ini, "the port 'abc' of the settings file"},
        {"a missing file", "--settings " + dir_ + "/none.ini", "cannot read the settings file"},
    };
    for (const Case& c : failures) {
        SCOPED_TRACE(c.name);
        r = query(c.options);
        EXPECT_EQ(r.code, 1);
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
    }
    write(std::to_string(server.port), "7");
    r = query("--settings " + ini);
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("selects no connection kind (driverid=7)"), std::string::npos) << r.err;
    Exec("DROP DATABASE cli_s");
}

/// A connection of the test's own that holds a table locked, so that the child's
/// statement on it waits, without any timing, until the test lets it go.
class TTableLock {
public:
    TTableLock(const brevant::test::ServerAddress& server, const std::string& table) {
        using namespace brevant;
        FConn.Options().SetIPVersion(ivIPBoth);
        FConn.SetLoginPrompt(false);
        FConn.SetServer(Utf8ToUtf16(server.host));
        FConn.SetPort(server.port);
        FConn.SetUsername(Utf8ToUtf16(server.user));
        FConn.SetPassword(Utf8ToUtf16(server.password));
        FConn.Open();
        FConn.ExecSQL(Utf8ToUtf16("LOCK TABLES " + table + " WRITE"));
    }
    /// True once another session waits for the lock (checked for at most 60 s).
    bool SomeoneWaits() {
        for (int i = 0; i < 1200; ++i) {
            brevant::TMyQuery q(&FConn);
            q.SetSQLText(u"SELECT COUNT(*) FROM information_schema.processlist WHERE state LIKE 'Waiting for table%'");
            q.Open();
            if (q.Fields()[0].AsInteger() > 0) return true;
            usleep(50 * 1000);
        }
        return false;
    }
    void Release() { FConn.ExecSQL(u"UNLOCK TABLES"); }

private:
    brevant::TMyConnection FConn;
};

// Ctrl-C while a backup waits on a table: the backup stops, the file that was
// there before is kept and nothing half-written is left beside it.
TEST_F(Cli, InterruptedBackupKeepsTheOldFile) {
    BREVANT_REQUIRE_SERVER(server);
    server_ = server;
    for (const char* sql : {"DROP DATABASE IF EXISTS cli_i", "CREATE DATABASE cli_i", "CREATE TABLE cli_i.a (id INT)",
                            "CREATE TABLE cli_i.b (id INT)", "INSERT INTO cli_i.a VALUES (1), (2)"})
        Exec(sql);
    const std::string folder = dir_ + "/backups", file = folder + "/nightly.sql";
    fs::create_directories(folder);
    brevant::test::WriteFile(file, "-- last night's backup\n");
    TTableLock lock(server, "cli_i.a");
    brevant::test::TCliChild child({"--server", server.host, "--port", std::to_string(server.port), "--user",
                                    server.user, "--database", "cli_i", "backup", file},
                                   server.password, dir_);
    ASSERT_TRUE(child.Started());
    ASSERT_TRUE(lock.SomeoneWaits());
    child.Signal(SIGINT);
    lock.Release();
    const TRun r = child.Wait();
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("backup interrupted; the previous file is kept"), std::string::npos) << r.err;
    EXPECT_EQ(brevant::test::Slurp(file), "-- last night's backup\n");
    std::vector<std::string> entries;
    for (const auto& e : fs::directory_iterator(folder)) entries.push_back(e.path().string());
    EXPECT_EQ(entries, std::vector<std::string>{file});
    Exec("DROP DATABASE cli_i");
}

// Ctrl-C while a restore statement waits: that statement still runs to its end,
// the ones after it do not.
TEST_F(Cli, InterruptedRestoreStopsAfterTheRunningStatement) {
    BREVANT_REQUIRE_SERVER(server);
    server_ = server;
    for (const char* sql : {"DROP DATABASE IF EXISTS cli_j", "CREATE DATABASE cli_j", "CREATE TABLE cli_j.r (id INT)"})
        Exec(sql);
    const std::string file = dir_ + "/r.sql";
    brevant::test::WriteFile(file, "INSERT INTO r VALUES (1);\nINSERT INTO r VALUES (2);\nINSERT INTO r VALUES (3);\n");
    TTableLock lock(server, "cli_j.r");
    brevant::test::TCliChild child({"--server", server.host, "--port", std::to_string(server.port), "--user",
                                    server.user, "--database", "cli_j", "--quiet", "restore", file},
                                   server.password, dir_);
    ASSERT_TRUE(child.Started());
    ASSERT_TRUE(lock.SomeoneWaits());
    child.Signal(SIGINT);
    lock.Release();
    const TRun r = child.Wait();
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("restore interrupted after the running statement"), std::string::npos) << r.err;
    EXPECT_EQ(One("cli_j", "SELECT GROUP_CONCAT(id) FROM r"), "1\n");
    Exec("DROP DATABASE cli_j");
}

}  // namespace
