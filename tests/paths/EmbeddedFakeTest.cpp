// The embedded server's start against the fake library: the exact arguments and
// option groups, the path rules, blank and "#" lines, a failing start, a start
// that ends the process, sharing one started server, other arguments while open
// and after a start, the data-folder lock, and the component's rules.

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>

#include "mysql/client/DAConsts.h"
#include "mysql/client/MySQLAPIs.h"
#include "paths/TMyEmbConnection.h"
#include "paths/ProvenStart.h"
#include "paths/TMySQLAPIEmbedded.h"
#include "PathsTestSupport.h"

namespace brevant {
namespace {

namespace fs = std::filesystem;

using test::MessageOf;

std::vector<UString> Lines(std::initializer_list<const char16_t*> lines) {
    std::vector<UString> v;
    for (const char16_t* l : lines) v.emplace_back(l);
    return v;
}

/// Runs in a fresh working directory with its own embedded implementation on
/// the fake library.
class EmbeddedFake : public ::testing::Test {
protected:
    void SetUp() override {
        MySQLClientLibrary = BREVANT_FAKE_MYSQL_LIB;
        oldCwd = fs::current_path();
        char tmpl[] = "/tmp/brevant-embfake-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = fs::canonical(tmpl).string();
        fs::current_path(dir);
        previous = SetMySQLAPI(akEmbedded, &api);
        lib = dlopen(BREVANT_FAKE_MYSQL_LIB, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(lib, nullptr);
        started = reinterpret_cast<const char* (*)()>(dlsym(lib, "fake_started"));
        inits = reinterpret_cast<int (*)()>(dlsym(lib, "fake_inits"));
        ends = reinterpret_cast<int (*)()>(dlsym(lib, "fake_ends"));
    }
    void TearDown() override {
        conn.reset();
        api.Shutdown();
        SetMySQLAPI(akEmbedded, previous);
        fs::current_path(oldCwd);
        fs::remove_all(dir);
        MySQLClientLibrary.clear();
        dlclose(lib);
    }
    TMyEmbConnection& Conn() {
        if (!conn) {
            conn = std::make_unique<TMyEmbConnection>();
            conn->SetLoginPrompt(false);
        }
        return *conn;
    }

    TMySQLAPIEmbedded api;
    TMySQLAPI* previous = nullptr;
    std::unique_ptr<TMyEmbConnection> conn;
    fs::path oldCwd;
    std::string dir;
    void* lib = nullptr;
    const char* (*started)() = nullptr;
    int (*inits)() = nullptr;
    int (*ends)() = nullptr;
};

TEST_F(EmbeddedFake, StartsOnceWithTheArgumentsAndOptionGroups) {
    TMyEmbConnection& c = Conn();
    c.SetBaseDir(u".");
    c.SetDataDir(u"datos");
    const int before = inits();
    c.Open();
    EXPECT_TRUE(c.Connected());
    EXPECT_EQ(inits(), before + 1);  // the trial ran in a child
    EXPECT_EQ(std::string(started()), "ignored|--basedir=" + dir + "|--datadir=" + dir +
                                          "/datos||embedded|server|" + program_invocation_short_name + "|");
    EXPECT_EQ(api.DataDir(), dir + "/datos");
    EXPECT_EQ(fs::current_path().string(), dir);
}

TEST(EmbeddedStartArguments, PathRulesAndSkippedLines) {
    const std::string cwd = fs::current_path().string();
    using Args = std::vector<std::string>;
    const struct {
        std::vector<UString> params;
        Args expected;
    } cases[] = {
        // Relative folders are made absolute against the working directory.
        {Lines({u"--basedir=.", u"--datadir=datos"}), Args{"--basedir=" + cwd, "--datadir=" + cwd + "/datos"}},
        // A first "\" goes and "\" becomes "/"; a first "/" stays.
        {Lines({u"--basedir=\\opt\\x", u"--datadir=/srv/d\\b"}), Args{"--basedir=" + cwd + "/opt/x", "--datadir=/srv/d/b"}},
        {Lines({u"--datadir=/srv/d", u"--tmpdir=\\tmp\\y", u"--log-bin=\\a\\b", u"--skip-grant-tables"}),
         Args{"--datadir=/srv/d", "--tmpdir=tmp/y", "--log-bin=a/b", "--skip-grant-tables"}},
        // Blanks and accents inside a folder name stay; the name is handed over as UTF-8.
        {Lines({u"--datadir=/srv/datos de prueba ñandú", u"--basedir=mi carpeta"}),
         Args{"--datadir=/srv/datos de prueba ñandú", "--basedir=" + cwd + "/mi carpeta"}},
        // Blank and "#" lines are not passed; other lines are trimmed.
        {Lines({u"", u"  ", u"# a comment", u"  #--datadir=x", u"  --datadir=/srv/d  "}), Args{"--datadir=/srv/d"}},
        // Without a data folder: "data" under the base folder, else under the working directory.
        {Lines({u"--basedir=/usr"}), Args{"--basedir=/usr", "--datadir=/usr/data"}},
        {Lines({u"--character-set-server=latin1"}), Args{"--character-set-server=latin1", "--datadir=" + cwd + "/data"}},
        {Lines({}), Args{"--datadir=" + cwd + "/data"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TMySQLAPIEmbedded::StartArguments(c.params), c.expected);
        EXPECT_EQ(TMySQLAPIEmbedded::DataDirOf(c.expected), TMySQLAPIEmbedded::DataDirOf(
                                                                 TMySQLAPIEmbedded::StartArguments(c.params)));
    }
}

TEST_F(EmbeddedFake, FailingStartsReportWhatTheServerWroteAndLeaveNothingBehind) {
    struct {
        const char16_t* arg;
        std::u16string expectedPart;
    } cases[] = {
        {u"--fake-fail", u"[ERROR] fake failure"},
        {u"--fake-exit", u"fake help text"},
    };
    const int before = inits();
    for (const auto& c : cases) {
        TStrings params;
        params.Add(u"--datadir=datos");
        params.Add(c.arg);
        Conn().SetParams(params);
        const UString m = MessageOf([&] { Conn().Open(); });
        EXPECT_EQ(m.rfind(UString(SEmbServerInitFailed) + u"\r\n", 0), 0u) << Utf16ToUtf8(m);
        EXPECT_NE(m.find(c.expectedPart), UString::npos) << Utf16ToUtf8(m);
        EXPECT_FALSE(Conn().Connected());
        EXPECT_FALSE(api.ServerInited());
        EXPECT_EQ(api.ClientsCount(), 0);
        EXPECT_FALSE(MySQLEmbServerIniting);
    }
    EXPECT_NE(MessageOf([&] { Conn().Open(); }).find(u"exit code 0"), UString::npos);
    EXPECT_EQ(inits(), before);  // never started in this process

    // The lock was released, and good arguments still start the server.
    TStrings good;
    good.Add(u"--datadir=datos");
    Conn().SetParams(good);
    Conn().Open();
    EXPECT_TRUE(Conn().Connected());
    EXPECT_EQ(inits(), before + 1);
}

TEST_F(EmbeddedFake, ConnectionsShareTheServerStartedWithTheSameArguments) {
    TMyEmbConnection& a = Conn();
    a.SetDataDir(u"datos");
    const int before = inits();
    a.Open();
    a.Close();
    EXPECT_TRUE(api.ServerInited());  // stays running while idle
    EXPECT_EQ(api.ClientsCount(), 0);
    a.Open();

    // The same arguments written with comments, blank lines and blanks around.
    TMyEmbConnection b;
    b.SetLoginPrompt(false);
    TStrings p;
    p.Add(u"# the same folder");
    p.Add(u"");
    p.Add(u"  --basedir=.  ");
    p.Add(u"--datadir=" + Utf8ToUtf16(dir) + u"/datos");
    b.SetParams(p);
    b.Open();
    EXPECT_EQ(api.ClientsCount(), 2);
    EXPECT_EQ(inits(), before + 1);

    // Other arguments while it is in use: refused.
    TMyEmbConnection other;
    other.SetLoginPrompt(false);
    other.SetDataDir(u"otros");
    EXPECT_EQ(MessageOf([&] { other.Open(); }), SSecondEmbServer);
    b.Close();
    a.Close();
    // ... and once idle: the library cannot be started twice, so the program must be restarted.
    EXPECT_EQ(MessageOf([&] { other.Open(); }), SEmbServerRestartNeeded);
    EXPECT_EQ(inits(), before + 1);
    a.Open();  // the running server still serves its own arguments
    EXPECT_TRUE(a.Connected());
}

TEST_F(EmbeddedFake, StoppedOnlyWhenAskedOrAtTheEnd) {
    Conn().SetDataDir(u"datos");
    const int before = ends();
    UnloadEmbLibraryOnDisconnect = true;
    Conn().Open();
    Conn().Close();
    UnloadEmbLibraryOnDisconnect = false;
    EXPECT_EQ(ends(), before + 1);
    EXPECT_FALSE(api.ServerInited());
    EXPECT_EQ(MessageOf([&] { Conn().Open(); }), SEmbServerRestartNeeded);
}

TEST_F(EmbeddedFake, AFolderLockedElsewhereFailsAfterTheWait) {
    const std::string data = dir + "/datos";
    const int fd = ::open(TDataDirLock::LockFilePath(data).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
    Conn().SetDataDir(u"datos");
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(MessageOf([&] { Conn().Open(); }), SSecondEmbServer);
    EXPECT_GE(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(1900));
    ::close(fd);
    Conn().Open();  // free again
    EXPECT_TRUE(Conn().Connected());
}

// The trial start in a child is left out only when the folder's record proves
// that the same start worked and stopped cleanly, and nothing it reads changed.
TEST_F(EmbeddedFake, TheTrialIsLeftOutOnlyForAProvenStart) {
    const std::string log = dir + "/inits.log";
    setenv("BREVANT_FAKE_INIT_LOG", log.c_str(), 1);
    fs::create_directory(dir + "/datos");
    const auto trials = [&] {  // starts in another process since the last call
        std::ifstream in(log);
        int n = 0;
        for (long pid; in >> pid;) n += pid != getpid();
        fs::remove(log);
        return n;
    };
    const auto startAndStop = [&](const std::vector<const char16_t*>& extra) {
        TMySQLAPIEmbedded own;
        TMySQLAPI* before = SetMySQLAPI(akEmbedded, &own);
        TMyEmbConnection c;
        c.SetLoginPrompt(false);
        c.SetDataDir(u"datos");
        TStrings p = c.Params();
        for (const char16_t* e : extra) p.Add(e);
        c.SetParams(p);
        c.Open();
        EXPECT_FALSE(fs::exists(ProvenStartPath(dir + "/datos")));  // no record while it runs
        c.Close();
        own.Shutdown();
        SetMySQLAPI(akEmbedded, before);
    };
    const struct {
        const char* change;
        std::function<void()> apply;
        std::vector<const char16_t*> extra;
        int trials;
    } cases[] = {
        {"first start", [] {}, {}, 1},
        {"the same again", [] {}, {}, 0},
        {"other arguments", [] {}, {u"--fake-other"}, 1},
        {"back to the first arguments", [] {}, {}, 1},
        {"a file of the folder rewritten", [&] { std::ofstream(dir + "/datos/ibdata1") << "x"; }, {}, 1},
        {"nothing changed", [] {}, {}, 0},
        {"the record damaged", [&] { std::ofstream(ProvenStartPath(dir + "/datos")) << "0"; }, {}, 1},
        {"a run that did not stop cleanly", [&] { fs::remove(ProvenStartPath(dir + "/datos")); }, {}, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.change);
        c.apply();
        startAndStop(c.extra);
        EXPECT_EQ(trials(), c.trials);
        EXPECT_TRUE(fs::exists(ProvenStartPath(dir + "/datos")));  // written after the clean stop
    }
    unsetenv("BREVANT_FAKE_INIT_LOG");
}

TEST(DataDirLockName, FollowsTheNamingRule) {
    EXPECT_EQ(DataDirLockName("/Work/WS/Datos"), " work ws datos");
    EXPECT_EQ(DataDirLockName("  C:\\Data\\x  "), "c  data x");
    EXPECT_EQ(DataDirLockName(std::string(300, 'a')).size(), 255u);
}

TEST_F(EmbeddedFake, StartArgumentsChangeOnlyOnAClosedConnection) {
    TMyEmbConnection& c = Conn();
    EXPECT_EQ(c.BaseDir(), u".");
    EXPECT_EQ(c.DataDir(), u"data");
    c.SetDataDir(u"datos");
    c.SetBaseDir(u"");
    EXPECT_EQ(c.Params().Text(), u"--datadir=datos\r\n");
    c.Open();
    for (const auto& change : std::initializer_list<std::function<void()>>{
             [&] { c.SetDataDir(u"x"); }, [&] { c.SetBaseDir(u"x"); }, [&] { c.SetParams(TStrings()); },
             [&] { c.SetOnLog([](const UString&) {}); }, [&] { c.SetOnLogError(nullptr); }})
        EXPECT_EQ(MessageOf(change), SConnectionOpen);
    EXPECT_EQ(c.DataDir(), u"datos");
}

TEST_F(EmbeddedFake, StandardOutputAndErrorAreRestoredAfterTheStart) {
    struct stat outBefore{}, errBefore{}, outAfter{}, errAfter{};
    ASSERT_EQ(fstat(1, &outBefore), 0);
    ASSERT_EQ(fstat(2, &errBefore), 0);
    Conn().SetDataDir(u"datos");
    Conn().Open();
    ASSERT_EQ(fstat(1, &outAfter), 0);
    ASSERT_EQ(fstat(2, &errAfter), 0);
    EXPECT_EQ(outBefore.st_ino, outAfter.st_ino);
    EXPECT_EQ(errBefore.st_ino, errAfter.st_ino);
}

}  // namespace
}  // namespace brevant
