// The executable run as a shell would run it, against the private server.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "support/TestServer.h"

namespace {

namespace fs = std::filesystem;

struct TRun {
    int code = -1;
    std::string out, err;
};

std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

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
        const std::string cmd = "BREVANT_PASSWORD=" + Quote(password) + " " + BREVANT_CLI + " " + conn + args +
                                " >" + dir_ + "/out 2>" + dir_ + "/err </dev/null";
        const int status = std::system(cmd.c_str());
        TRun r;
        r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        r.out = Slurp(dir_ + "/out");
        r.err = Slurp(dir_ + "/err");
        return r;
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
    // stderr is not a terminal here: plain lines, the last one at 100 %.
    EXPECT_NE(r.err.find("backup: 100%"), std::string::npos) << r.err;
    r = Run("--database cli_r restore " + file);
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.err.find("restore: 100%"), std::string::npos) << r.err;
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

}  // namespace
