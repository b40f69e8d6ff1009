// Restoring scripts against the real server: routines under DELIMITER with "&" and
// labels in their bodies, files in each encoding on connections with and without
// Unicode, failing statements under each error action, progress, a break, a server
// that cannot be reached, and sakila restored beside the command-line client's load.
// Results are read back with the command-line client, which shares no code with ours.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#define BREVANT_TEST_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define BREVANT_TEST_ASAN 1
#endif
#endif
#ifdef BREVANT_TEST_ASAN
#include <sanitizer/allocator_interface.h>
#endif

#include "TestServer.h"
#include "core/ErrorHook.h"
#include "core/ScopeExit.h"
#include "core/Text.h"
#include "mysql/client/DAErrors.h"
#include "mysql/client/TCustomMyConnection.h"
#include "mysql/client/TMySQLConnection.h"
#include "script/TMyDump.h"
#include "script/TMyScript.h"

namespace brevant {
namespace {

constexpr const char* kDb = "brevant_restore";

std::string Quote(const std::string& s) {
    std::string out = "'";
    for (char c : s) out += (c == '\'') ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

std::string Trimmed(const std::string& s) {
    const auto b = s.find_first_not_of(" \t\r\n");
    const auto e = s.find_last_not_of(" \t\r\n");
    return b == std::string::npos ? "" : s.substr(b, e - b + 1);
}

std::string Utf16Le(const UString& text) {
    std::string out;
    for (char16_t c : text) {
        out += static_cast<char>(c & 0xFF);
        out += static_cast<char>(c >> 8);
    }
    return out;
}

std::string HexOf(const std::string& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

/// Counts what reaches the application's default error report.
struct ReportedErrors {
    std::vector<std::string> texts;
    ApplicationErrorHandler previous;
    ReportedErrors() {
        previous = SetApplicationErrorHandler([this](const std::exception& e) { texts.emplace_back(e.what()); });
    }
    ~ReportedErrors() { SetApplicationErrorHandler(previous); }
};

/// A script of `blocks` copies of `block`, made as it is read (nothing of it is held
/// beyond one read buffer), seekable so that the restore can learn its size.
class RepeatedScript : public std::streambuf {
public:
    RepeatedScript(std::string block, std::int64_t blocks)
        : block_(std::move(block)), size_(static_cast<std::int64_t>(block_.size()) * blocks) {}

protected:
    int_type underflow() override {
        if (pos_ >= size_) return traits_type::eof();
        const std::int64_t n = std::min<std::int64_t>(static_cast<std::int64_t>(sizeof buf_), size_ - pos_);
        const std::size_t b = block_.size();
        for (std::int64_t i = 0; i < n;) {
            const std::size_t at = static_cast<std::size_t>((pos_ + i) % static_cast<std::int64_t>(b));
            const std::size_t take = std::min<std::size_t>(b - at, static_cast<std::size_t>(n - i));
            std::copy_n(block_.data() + at, take, buf_ + i);
            i += static_cast<std::int64_t>(take);
        }
        setg(buf_, buf_, buf_ + n);
        pos_ += n;
        return traits_type::to_int_type(buf_[0]);
    }
    pos_type seekoff(off_type off, std::ios_base::seekdir dir, std::ios_base::openmode) override {
        const std::int64_t here = pos_ - (egptr() - gptr());
        const std::int64_t to = dir == std::ios_base::beg ? off : dir == std::ios_base::cur ? here + off : size_ + off;
        if (to < 0 || to > size_) return pos_type(off_type(-1));
        pos_ = to;
        setg(nullptr, nullptr, nullptr);
        return pos_type(to);
    }
    pos_type seekpos(pos_type pos, std::ios_base::openmode which) override {
        return seekoff(off_type(pos), std::ios_base::beg, which);
    }

private:
    std::string block_;
    std::int64_t size_;
    std::int64_t pos_ = 0;
    char buf_[1 << 16];
};

/// The process's resident memory now, in bytes.
/// The memory the process holds. Under AddressSanitizer freed blocks stay resident
/// in its quarantine, so the heap's live bytes are taken there instead.
std::int64_t MemoryInUse() {
#ifdef BREVANT_TEST_ASAN
    return static_cast<std::int64_t>(__sanitizer_get_current_allocated_bytes());
#else
    std::ifstream statm("/proc/self/statm");
    std::int64_t pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * 4096;
#endif
}

class RestoreTest : public ::testing::Test {
protected:
    test::ServerAddress server_;
    TMyConnection conn{u"MyConn"};
    TMyDump dump{&conn};

    void TearDown() override { conn.Close(); }

    void Open(const test::ServerAddress& server, bool unicode = true, const UString& charset = u"latin1") {
        server_ = server;
        conn.Options().SetUseUnicode(unicode);
        conn.Options().SetCharset(charset);
        conn.Options().SetIPVersion(ivIPBoth);
        conn.SetLoginPrompt(false);
        conn.SetServer(Utf8ToUtf16(server.host));
        conn.SetPort(server.port);
        conn.SetUsername(Utf8ToUtf16(server.user));
        conn.SetPassword(Utf8ToUtf16(server.password));
        conn.SetDatabase(u"");  // the database is dropped and made again below
        conn.Open();
        conn.ExecSQL(u"DROP DATABASE IF EXISTS " + Widen(kDb));
        conn.ExecSQL(u"CREATE DATABASE " + Widen(kDb) + u" CHARACTER SET utf8mb4");
        conn.SetDatabase(Widen(kDb));
    }

    /// Runs the command-line client with the server's options; returns its output.
    std::string Client(const std::string& args, const std::string& source = "") {
        const std::string cmd = "export MYSQL_PWD=" + Quote(server_.password) + "; " +
                                (source.empty() ? "" : source + " | ") + "mariadb --no-defaults -h " +
                                Quote(server_.host) + " -P " + std::to_string(server_.port) + " -u " +
                                Quote(server_.user) + " " + args;
        std::FILE* p = popen(cmd.c_str(), "r");
        if (!p) {
            ADD_FAILURE() << "cannot run " << cmd;
            return {};
        }
        std::string out;
        char buf[4096];
        for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
        EXPECT_EQ(pclose(p), 0) << cmd;
        return out;
    }
    /// One query's output, tab-separated, without headers, from a second connection.
    std::string Query(const std::string& sql, const std::string& db = kDb) {
        return Trimmed(Client("-N -B " + db + " -e " + Quote(sql)));
    }

    void RestoreText(const std::string& bytes) {
        std::istringstream in(bytes);
        dump.RestoreFromStream(in);
    }
};

TEST(DetectDumpEncoding, MarksAndShortStreams) {
    struct Case {
        std::string bytes;
        TParserEncoding encoding;
        int next;  // where reading goes on
    } cases[] = {
        {"", peAnsi, 0},
        {"\xFF", peAnsi, 0},
        {"x", peAnsi, 0},
        {"\xFF\xFE", peUtf16, 2},
        {"\xFF\xFEs\0", peUtf16, 2},
        {"\xEF\xBB\xBF", peUtf8, 3},
        {"\xEF\xBB\xBFselect", peUtf8, 3},
        {"\xEF\xBB", peAnsi, 0},
        {"\xEF\xBBx", peAnsi, 0},
        {"\xFE\xFF", peAnsi, 0},
    };
    for (const Case& c : cases) {
        std::istringstream in(c.bytes);
        EXPECT_EQ(DetectDumpEncoding(in), c.encoding) << HexOf(c.bytes);
        EXPECT_EQ(static_cast<int>(in.tellg()), c.next) << HexOf(c.bytes);
    }
}

TEST_F(RestoreTest, RoutineUnderDelimiterKeepsAmpersandsAndLabelsIntact) {
    BREVANT_REQUIRE_SERVER(server);
    Open(server);
    RestoreText(
        "DROP FUNCTION IF EXISTS f_and;\r\n"
        "DELIMITER $$\r\n"
        "CREATE FUNCTION f_and(a INT, b INT) RETURNS INT DETERMINISTIC\r\n"
        "BEGIN\r\n"
        "  DECLARE r INT DEFAULT 0;\r\n"
        "  lbl: FOR i IN 1..2 DO\r\n"
        "    SET r = r + (a&b);\r\n"
        "  END FOR lbl;\r\n"
        "  RETURN r;\r\n"
        "END $$\r\n"
        "CREATE TABLE amp (a INT, b INT, s VARCHAR(20))$$\r\n"
        "DELIMITER ;\r\n"
        "INSERT INTO amp VALUES (6, 3, 'x:y'), (12, 10, ':q');\r\n"
        "INSERT INTO amp SELECT a&b, b, CONCAT(s, '&z') FROM amp WHERE a=6;\r\n");
    EXPECT_EQ(Query("SELECT f_and(6, 3)"), "4");
    const std::string body = Query("SELECT ROUTINE_DEFINITION FROM information_schema.ROUTINES WHERE "
                                   "ROUTINE_SCHEMA=DATABASE() AND ROUTINE_NAME='f_and'");
    EXPECT_NE(body.find("(a&b)"), std::string::npos) << body;
    EXPECT_NE(body.find("lbl: FOR"), std::string::npos) << body;
    EXPECT_EQ(Query("SELECT GROUP_CONCAT(CONCAT(a,',',b,',',s) ORDER BY a SEPARATOR ' ') FROM amp"),
              "2,3,x:y&z 6,3,x:y 12,10,:q");
}

TEST_F(RestoreTest, EachEncodingOnConnectionsWithAndWithoutUnicode) {
    BREVANT_REQUIRE_SERVER(server);
    const UString text = u"\u00F1and\u00FA \u20AC \u00FF";  // all in Windows-1252
    const std::string expectedHex = HexOf(Utf16ToUtf8(text));
    auto script = [](const std::string& names, const std::string& value) {
        return "/*!40101 SET NAMES " + names + " */;\r\nCREATE TABLE enc (s VARCHAR(20)) CHARACTER SET utf8mb4;\r\n" +
               "INSERT INTO enc VALUES ('" + value + "');\r\n";
    };
    const std::string utf8Script = script("utf8", Utf16ToUtf8(text));
    struct File {
        const char* name;
        std::string bytes;
    } files[] = {
        {"UTF-16", "\xFF\xFE" + Utf16Le(Utf8ToUtf16(utf8Script))},
        {"UTF-8", "\xEF\xBB\xBF" + utf8Script},
        {"8-bit", script("latin1", Utf16ToAnsi(text))},
    };
    struct Setting {
        bool unicode;
        const char16_t* charset;
    } settings[] = {{true, u"latin1"}, {false, u"latin1"}, {false, u"utf8"}};
    for (const Setting& setting : settings) {
        for (const File& file : files) {
            SCOPED_TRACE(std::string(file.name) + (setting.unicode ? " unicode" : " no unicode ") +
                         Narrow(setting.charset));
            conn.Close();
            Open(server, setting.unicode, setting.charset);
            TMySQLConnection& session = *conn.Session();
            const bool unicodeBefore = session.UseUnicode(), utf8Before = session.IsUtf8();
            RestoreText(file.bytes);
            EXPECT_EQ(Query("SELECT HEX(s) FROM enc"), expectedHex);
            EXPECT_EQ(session.UseUnicode(), unicodeBefore);
            EXPECT_EQ(session.IsUtf8(), utf8Before);
        }
    }
}

TEST_F(RestoreTest, EmptyAndOneByteFilesRunNothing) {
    BREVANT_REQUIRE_SERVER(server);
    Open(server);
    const std::string path = ::testing::TempDir() + "/brevant_restore_short.sql";
    for (const std::string& bytes : {std::string(), std::string(";"), std::string("\n")}) {
        { std::ofstream(path, std::ios::binary) << bytes; }
        ReportedErrors errors;
        std::vector<int> progress;
        dump.OnRestoreProgress = [&](TDADump&, int percent) { progress.push_back(percent); };
        EXPECT_NO_THROW(dump.RestoreFromFile(path)) << HexOf(bytes);
        EXPECT_TRUE(errors.texts.empty()) << HexOf(bytes);
        EXPECT_EQ(progress, std::vector<int>{100}) << HexOf(bytes);
    }
    EXPECT_THROW(dump.RestoreFromFile(path + ".missing"), Exception);
}

const char* const kFailingThird =
    "CREATE TABLE seq (n INT);\n"
    "INSERT INTO seq VALUES (1);\n"
    "INSERT INTO nosuchtable VALUES (3);\n"
    "INSERT INTO seq VALUES (4);\n"
    "INSERT INTO seq VALUES (5);\n";

TEST_F(RestoreTest, ThirdStatementFailingUnderEachErrorAction) {
    BREVANT_REQUIRE_SERVER(server);
    struct Case {
        const char* name;
        bool assigned;
        TErrorAction action;
        bool throws;
        int reported;
        const char* rows;
    } cases[] = {
        {"unassigned", false, eaException, false, 1, "1,4,5"},
        {"eaException", true, eaException, false, 1, "1,4,5"},
        {"eaAbort", true, eaAbort, false, 0, "1"},
        {"eaFail", true, eaFail, true, 0, "1"},
        {"eaContinue", true, eaContinue, false, 0, "1,4,5"},
    };
    for (const bool throughScript : {false, true}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (throughScript ? " TMyScript.Execute" : " restore"));
            conn.Close();
            Open(server);
            ReportedErrors errors;
            int calls = 0;
            UString failedText;
            TDAScript::TOnErrorEvent onError;
            if (c.assigned)
                onError = [&](TDAScript&, const std::exception&, const UString& sql, TErrorAction& action) {
                    ++calls;
                    failedText = sql;
                    EXPECT_EQ(action, eaException);
                    action = c.action;
                };
            bool threw = false;
            std::int64_t errorOffset = -1;
            try {
                if (throughScript) {
                    TMyScript script(&conn);
                    script.SetSQLText(Widen(kFailingThird));
                    script.OnError = onError;
                    const ScopeExit offset([&] { errorOffset = script.ErrorOffset(); });
                    script.Execute();
                } else {
                    dump.OnError = onError;
                    RestoreText(kFailingThird);
                }
            } catch (const EMyError& e) {
                threw = true;
                EXPECT_EQ(e.ErrorCode(), 1146);
            }
            EXPECT_EQ(threw, c.throws);
            EXPECT_EQ(static_cast<int>(errors.texts.size()), c.reported);
            EXPECT_EQ(calls, c.assigned ? 1 : 0);
            if (c.assigned) {
                EXPECT_EQ(failedText, u"INSERT INTO nosuchtable VALUES (3)");
            }
            if (throughScript) {
                EXPECT_EQ(errorOffset, 56);  // the lines joined with CR LF
            }
            EXPECT_EQ(Query("SELECT GROUP_CONCAT(n ORDER BY n) FROM seq"), c.rows);
        }
    }
}

TEST_F(RestoreTest, BreakEndsAfterTheRunningStatementAndProgressRisesToTheEnd) {
    BREVANT_REQUIRE_SERVER(server);
    Open(server);
    std::string script = "CREATE TABLE seq (n INT);\n";
    for (int i = 1; i <= 20; ++i) script += "INSERT INTO seq VALUES (" + std::to_string(i) + ");\n";
    std::vector<int> progress;
    dump.OnRestoreProgress = [&](TDADump&, int percent) { progress.push_back(percent); };
    RestoreText(script);
    ASSERT_EQ(progress.size(), 21u);
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    EXPECT_GT(progress.front(), 0);
    EXPECT_EQ(progress.back(), 100);
    EXPECT_FALSE(dump.RestoreStopped());

    conn.ExecSQL(u"DROP TABLE seq");
    progress.clear();
    dump.OnRestoreProgress = [&](TDADump& sender, int percent) {
        progress.push_back(percent);
        if (progress.size() == 3) sender.BreakRestore();
    };
    RestoreText(script);
    EXPECT_TRUE(dump.RestoreStopped());
    EXPECT_EQ(progress.size(), 3u);
    EXPECT_LT(progress.back(), 100);
    EXPECT_EQ(Query("SELECT GROUP_CONCAT(n ORDER BY n) FROM seq"), "1,2");
}

TEST_F(RestoreTest, A200MegabyteScriptRestoresInConstantMemory) {
    BREVANT_REQUIRE_SERVER(server);
    Open(server);
    // Each 64 KB block: a long comment line, then a statement. Held whole, the text
    // would take 400 MB as UTF-16; streamed, only a block or two is in memory.
    const std::string statement = "DO 1;\n";
    const std::string block = "-- " + std::string(65536 - 4 - statement.size(), 'x') + "\n" + statement;
    const std::int64_t blocks = 200 * 16;
    RepeatedScript script(block, blocks);
    std::istream in(&script);
    std::int64_t statements = 0, baseline = 0, peak = 0;
    dump.BeforeExecute = [&](TDAScript&, UString&, bool&) {
        // Measured once the first blocks have settled the buffers.
        if (++statements == 64) baseline = MemoryInUse();
        if (statements > 64 && statements % 16 == 0) peak = std::max(peak, MemoryInUse());
    };
    int last = 0;
    dump.OnRestoreProgress = [&](TDADump&, int percent) { last = percent; };
    dump.RestoreFromStream(in);
    EXPECT_EQ(statements, blocks);
    EXPECT_EQ(last, 100);
    EXPECT_FALSE(dump.RestoreStopped());
    EXPECT_LT(peak - baseline, 16 << 20) << "baseline " << baseline << " peak " << peak;
}

TEST_F(RestoreTest, UnreachableServerFailsOnce) {
    BREVANT_REQUIRE_SERVER(server);
    TMyConnection closed{u"Closed"};
    closed.SetLoginPrompt(false);
    closed.SetServer(u"127.0.0.1");
    closed.SetPort(1);  // nothing listens there
    closed.SetUsername(Utf8ToUtf16(server.user));
    TMyDump unreachable(&closed);
    ReportedErrors errors;
    int calls = 0;
    unreachable.OnError = [&](TDAScript&, const std::exception&, const UString&, TErrorAction&) { ++calls; };
    std::istringstream in(kFailingThird);
    EXPECT_THROW(unreachable.RestoreFromStream(in), EDAError);
    EXPECT_EQ(calls, 0);
    EXPECT_TRUE(errors.texts.empty());

    TMyDump none;
    std::istringstream again(kFailingThird);
    try {
        none.RestoreFromStream(again);
        ADD_FAILURE() << "no error without a connection";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), u"Connection is not defined");
    }
}

TEST_F(RestoreTest, SakilaRestoresLikeTheCommandLineClientLoadsIt) {
    BREVANT_REQUIRE_SERVER(server);
    Open(server);
    const std::string data = test::TestDataPath("sakila");
    ReportedErrors errors;
    std::vector<int> progress;
    dump.OnRestoreProgress = [&](TDADump&, int percent) { progress.push_back(percent); };
    dump.RestoreFromFile(data + "/sakila-schema.sql");
    progress.clear();
    dump.RestoreFromFile(data + "/sakila-data.sql");
    for (const std::string& text : errors.texts) ADD_FAILURE() << text;
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.back(), 100);

    const std::string peer = "brevant_restore_peer";
    Client("-e " + Quote("DROP DATABASE IF EXISTS " + peer));
    Client("", "sed -E " + Quote("s/\\bsakila\\b/" + peer + "/g") + " " + Quote(data + "/sakila-schema.sql") + " " +
                   Quote(data + "/sakila-data.sql"));
    const std::string tables =
        Query("SELECT GROUP_CONCAT(TABLE_NAME ORDER BY TABLE_NAME) FROM information_schema.TABLES WHERE "
              "TABLE_SCHEMA='sakila' AND TABLE_TYPE='BASE TABLE'",
              "sakila");
    ASSERT_FALSE(tables.empty());
    std::vector<std::string> names;
    std::stringstream list(tables);
    for (std::string name; std::getline(list, name, ',');) names.push_back(name);
    EXPECT_EQ(names.size(), 16u);
    for (const std::string& name : names) {
        const std::string ours = Query("CHECKSUM TABLE sakila." + name, "sakila");
        const std::string theirs = Query("CHECKSUM TABLE " + peer + "." + name, "sakila");
        EXPECT_EQ(ours.substr(ours.find('\t')), theirs.substr(theirs.find('\t'))) << name;
    }
    EXPECT_EQ(Query("SELECT COUNT(*) FROM information_schema.ROUTINES WHERE ROUTINE_SCHEMA='sakila'", "sakila"),
              Query("SELECT COUNT(*) FROM information_schema.ROUTINES WHERE ROUTINE_SCHEMA='" + peer + "'", "sakila"));
    EXPECT_EQ(Query("SELECT COUNT(*) FROM information_schema.TRIGGERS WHERE TRIGGER_SCHEMA='sakila'", "sakila"), "6");
    EXPECT_EQ(Query("SELECT COUNT(*) FROM rental", "sakila"), "16044");
    Client("-e " + Quote("DROP DATABASE " + peer + "; DROP DATABASE sakila"));
}

}  // namespace
}  // namespace brevant
