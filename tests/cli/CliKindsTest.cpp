// brevant-cli on the two kinds without a server: the embedded server library on a
// data folder bootstrapped for the suite, and an Access file through ODBC. Each
// run is a process of its own, as from a shell or cron.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "CliRun.h"
#include "support/TestServer.h"

namespace {

namespace fs = std::filesystem;

using brevant::test::Quote;
using brevant::test::RunCli;
using brevant::test::TRun;
using brevant::test::WriteFile;

class CliEmbedded : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        char tmpl[] = "/tmp/brevant-cli-embedded-XXXXXX";
        if (!mkdtemp(tmpl)) return;
        root = fs::canonical(tmpl).string();
        ready = brevant::test::BootstrapDataFolder(root + "/datos", root + "/install.log");
    }
    static void TearDownTestSuite() {
        if (!root.empty()) fs::remove_all(root);
    }
    void SetUp() override {
        if (!ready) {
            if (std::getenv("CI")) FAIL() << "mariadb-install-db could not make a data folder";
            GTEST_SKIP() << "mariadb-install-db could not make a data folder (apt-get install mariadb-server)";
        }
    }
    /// One run on the suite's folder; the embedded root has no password.
    static TRun Run(const std::string& args) {
        return RunCli("--embedded --basedir /usr --datadir " + Quote(root + "/datos") + " " + args, "", root);
    }

    static inline std::string root;
    static inline bool ready = false;
};

TEST_F(CliEmbedded, QueryExecBackupAndRestore) {
    for (const char* sql : {"CREATE DATABASE e1 CHARACTER SET utf8mb4", "CREATE DATABASE e2 CHARACTER SET utf8mb4",
                            "CREATE TABLE e1.t (id INT PRIMARY KEY, s VARCHAR(20), d DECIMAL(6,2))"}) {
        const TRun r = Run(std::string("exec ") + Quote(sql));
        ASSERT_EQ(r.code, 0) << sql << "\n" << r.err;
    }
    TRun r = Run("--database e1 exec " + Quote("INSERT INTO t VALUES (1, 'ñandú\\ttab', 2.5), (2, NULL, NULL)"));
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "2\n");
    const std::string rows = "id\ts\td\n1\tñandú\\ttab\t2.50\n2\t\\N\t\\N\n";
    r = Run("--database e1 query " + Quote("SELECT * FROM t ORDER BY id"));
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, rows);

    const std::string file = root + "/e1.sql";
    r = Run("--database e1 backup " + file);
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.err.find("backup: 100%"), std::string::npos) << r.err;
    r = Run("--database e2 --quiet restore " + file);
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "");
    r = Run("--database e2 query " + Quote("SELECT * FROM t ORDER BY id"));
    EXPECT_EQ(r.out, rows) << r.err;

    // The window's settings file, its data folder relative to the file's own folder,
    // read from another working directory.
    WriteFile(root + "/brevant.ini",
              "[setup]\r\ndriverid=1\r\nserver=/usr\r\ndatabase=e2\r\ndatadir=datos\r\nuser=root\r\nport=3306\r\n");
    ASSERT_NE(fs::current_path(), fs::path(root));
    r = RunCli("--settings " + root + "/brevant.ini query 'SELECT COUNT(*) FROM t'", "", root);
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "COUNT(*)\n2\n");
}

std::size_t Lines(const std::string& text) { return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')); }

TEST(CliAccess, CustomersFromTheFileAndFromTheSettings) {
    const std::string nwind = brevant::test::TestDataPath("access/nwind.mdb");
    ASSERT_TRUE(fs::exists(nwind)) << nwind;
    const std::string dir = ::testing::TempDir() + "/brevant_cli_access_" + std::to_string(getpid());
    fs::create_directories(dir);
    TRun r = RunCli("--access " + Quote(nwind) + " query 'SELECT * FROM Customers'", "", dir);
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(Lines(r.out), 92u) << "a header and 91 customers";
    EXPECT_EQ(r.out.rfind("CustomerID\tCompanyName\t", 0), 0u) << r.out.substr(0, 80);
    r = RunCli("--access " + Quote(nwind) + " query --csv " +
                   Quote("SELECT CustomerID, City FROM Customers WHERE CustomerID = 'ALFKI'"),
               "", dir);
    EXPECT_EQ(r.out, "CustomerID,City\nALFKI,Berlin\n") << r.err;

    // driverid 2: "database" is the file, here by a name relative to the settings file.
    fs::create_symlink(nwind, dir + "/nw.mdb");
    WriteFile(dir + "/brevant.ini", "[setup]\ndriverid=2\ndatabase=nw.mdb\n");
    r = RunCli("--settings " + dir + "/brevant.ini query 'SELECT CustomerID FROM Customers'", "", dir);
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(Lines(r.out), 92u);
    EXPECT_EQ(r.out.rfind("CustomerID\nALFKI\n", 0), 0u) << r.out.substr(0, 40);

    // The driver reads only: a command fails with the driver's message, and what
    // the driver itself prints stays off stdout.
    r = RunCli("--access " + Quote(nwind) + " exec 'DELETE FROM Customers'", "", dir);
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("ERROR"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
    fs::remove_all(dir);
}

}  // namespace
