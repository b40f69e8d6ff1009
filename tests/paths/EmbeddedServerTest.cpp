// The real embedded server library, started once in this process on a data
// folder that the fixture bootstraps with mariadb-install-db: a held lock, bad
// arguments that fail or end the server's start without ending this program,
// then statements with NULLs and affected rows, the folder the server opened,
// sharing the started server, and another folder refused.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>

#include "mysql/client/MySQLAPIs.h"
#include "mysql/client/TMySQLCommand.h"
#include "paths/MySQLAPIRegistration.h"
#include "paths/TMyEmbConnection.h"
#include "paths/TMySQLAPIEmbedded.h"
#include "PathsTestSupport.h"
#include "ServerConnection.h"
#include "TestServer.h"

namespace brevant {
namespace {

namespace fs = std::filesystem;

// The data folder's name: blanks and accents reach the server as they are.
const std::string kFolder = "datos de prueba ñandú";
const UString kFolderU = Utf8ToUtf16(kFolder);

using test::MessageOf;

/// Rows of a query read through the operation set; NULL reads as "<null>".
std::vector<std::vector<std::string>> Query(TMyEmbConnection& c, const std::string& sql) {
    std::vector<std::vector<std::string>> rows;
    test::WithResult(*c.Session(), sql, [&](TMySQLAPI& a, PMYSQL_RES result) {
        const std::uint32_t n = a.mysql_num_fields(result);
        std::vector<std::uint32_t> lengths(n);
        while (PMYSQL_ROW row = a.mysql_fetch_row(result)) {
            a._mysql_fetch_lengths(result, lengths.data());
            std::vector<std::string> values;
            for (std::uint32_t i = 0; i < n; ++i)
                values.push_back(a._mysql_fetch_value_is_null(row, i)
                                     ? std::string("<null>")
                                     : std::string(a._mysql_fetch_value_ptr(result, row, i), lengths[i]));
            rows.push_back(values);
        }
    });
    return rows;
}

class EmbeddedServer : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        RegisterMySQLAPIs();
        char tmpl[] = "/tmp/brevant-embedded-test-XXXXXX";
        if (!mkdtemp(tmpl)) return;
        root = fs::canonical(tmpl).string();
        // mariadb-install-db cannot take a folder name with blanks: made under a plain name, then renamed.
        std::error_code ec;
        ready = test::BootstrapDataFolder(root + "/boot", root + "/install.log") &&
                (fs::rename(root + "/boot", root + "/" + kFolder, ec), !ec);
    }
    static void TearDownTestSuite() {
        MyAPIEmbedded().Shutdown();  // before its folder goes
        if (!root.empty()) fs::remove_all(root);
    }
    void SetUp() override {
        if (!ready) {
            if (std::getenv("CI")) FAIL() << "mariadb-install-db could not make a data folder";
            GTEST_SKIP() << "mariadb-install-db could not make a data folder (apt-get install mariadb-server)";
        }
        oldCwd = fs::current_path();
        fs::current_path(root);  // the connections name the folder relative to here
    }
    void TearDown() override {
        if (ready) fs::current_path(oldCwd);
    }
    static void Configure(TMyEmbConnection& c, const UString& dataDir) {
        c.SetLoginPrompt(false);
        c.SetBaseDir(u"/usr");
        c.SetDataDir(dataDir);
        c.SetUsername(u"root");
    }

    static inline std::string root;
    static inline bool ready = false;
    fs::path oldCwd;
};

TEST_F(EmbeddedServer, AFolderLockedElsewhereFailsAfterTheWait) {
    const int fd =
        ::open(TDataDirLock::LockFilePath(root + "/" + kFolder).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
    TMyEmbConnection c;
    Configure(c, kFolderU);
    EXPECT_EQ(MessageOf([&] { c.Open(); }), SSecondEmbServer);
    ::close(fd);
}

TEST_F(EmbeddedServer, BadArgumentsFailTheConnectAndTheProgramGoesOn) {
    const struct {
        std::vector<const char16_t*> extra;
        UString dataDir;
        const char16_t* expectedPart;
    } cases[] = {
        {{u"--no-such-option=1"}, kFolderU, u"unknown variable 'no-such-option=1'"},
        {{u"--help"}, kFolderU, u"while starting"},  // it ends (or breaks) the process that starts it
        {{}, u"no-such-folder", u"no-such-folder"},
    };
    for (const auto& k : cases) {
        TMyEmbConnection c;
        Configure(c, k.dataDir);
        TStrings p = c.Params();
        for (const char16_t* e : k.extra) p.Add(e);
        c.SetParams(p);
        const UString m = MessageOf([&] { c.Open(); });
        EXPECT_EQ(m.rfind(UString(SEmbServerInitFailed), 0), 0u) << Utf16ToUtf8(m);
        EXPECT_NE(m.find(k.expectedPart), UString::npos) << Utf16ToUtf8(m);
        EXPECT_FALSE(c.Connected());
    }
    EXPECT_FALSE(MyAPIEmbedded().ServerInited());
}

TEST_F(EmbeddedServer, RunsStatementsOnTheFolderItLocked) {
    TMyEmbConnection c;
    Configure(c, Utf8ToUtf16(root) + u"/" + kFolderU);  // absolute
    std::vector<UString> logged;
    c.SetOnLog([&](const UString& line) { logged.push_back(line); });
    MySQLEmbDisableEventLog = false;  // the general log feeds OnLog
    c.Open();
    MySQLEmbDisableEventLog = true;
    ASSERT_TRUE(c.Connected());
    EXPECT_EQ(fs::current_path().string(), root);  // the working directory is left alone
    EXPECT_EQ(MyAPIEmbedded().DataDir(), root + "/" + kFolder);
    EXPECT_EQ(Query(c, "SELECT @@datadir")[0][0], root + "/" + kFolder + "/");

    c.ExecSQL(u"CREATE DATABASE emb");
    c.ExecSQL(u"CREATE TABLE emb.t (id INT PRIMARY KEY, name VARCHAR(20), note TEXT)");
    c.ExecSQL(u"INSERT INTO emb.t VALUES (1, 'uno', NULL), (2, NULL, 'dos'), (3, '', 'tres')");
    TMySQLCommand update(c.Session());
    update.SetSQL(u"UPDATE emb.t SET note = 'x' WHERE id >= 2");
    update.Execute();
    EXPECT_EQ(update.RowsAffected(), 2);

    const auto rows = Query(c, "SELECT id, name, note FROM emb.t ORDER BY id");
    const std::vector<std::vector<std::string>> expected = {
        {"1", "uno", "<null>"}, {"2", "<null>", "x"}, {"3", "", "x"}};
    EXPECT_EQ(rows, expected);
    EXPECT_TRUE(std::any_of(logged.begin(), logged.end(), [](const UString& l) {
        return l.find(u"CREATE DATABASE emb") != UString::npos;
    })) << logged.size() << " lines logged";

    // Closing leaves the server running; opening again shares it.
    c.Close();
    EXPECT_TRUE(MyAPIEmbedded().ServerInited());
    c.Open();
    TMyEmbConnection second;
    Configure(second, kFolderU);  // the same folder, relative to the working directory
    second.Open();
    EXPECT_EQ(MyAPIEmbedded().ClientsCount(), 2);
    EXPECT_EQ(Query(second, "SELECT COUNT(*) FROM emb.t")[0][0], "3");

    // Another folder: refused while in use, and after (one start per run).
    TMyEmbConnection other;
    Configure(other, u"otros");
    EXPECT_EQ(MessageOf([&] { other.Open(); }), SSecondEmbServer);
    second.Close();
    c.Close();
    EXPECT_EQ(MessageOf([&] { other.Open(); }), SEmbServerRestartNeeded);
}

}  // namespace
}  // namespace brevant
