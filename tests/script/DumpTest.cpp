// Backups against the real server, restored with our runner into a fresh database
// and compared there with the command-line client: sakila in each of the three file
// encodings, binary and non-ASCII values byte for byte, awkward table names, the
// statement-size break, the output of a small database word for word, and failures.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "TestServer.h"
#include "core/Abort.h"
#include "core/Text.h"
#include "mysql/client/DAErrors.h"
#include "mysql/client/TCustomMyConnection.h"
#include "script/DumpNames.h"
#include "script/TMyDump.h"

namespace brevant {
namespace {

namespace fs = std::filesystem;

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

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

class DumpTest : public ::testing::Test {
protected:
    test::ServerAddress server_;
    TMyConnection conn{u"MyConn"};
    TMyDump dump{&conn};
    std::string dir_;

    void SetUp() override {
        dir_ = ::testing::TempDir() + "/brevant_dump_" + std::to_string(getpid());
        fs::create_directories(dir_);
    }
    void TearDown() override {
        conn.Close();
        fs::remove_all(dir_);
    }

    void Connect(const test::ServerAddress& server, const std::string& db, bool unicode = true,
                 const UString& charset = u"latin1") {
        server_ = server;
        conn.Close();
        conn.Options().SetUseUnicode(unicode);
        conn.Options().SetCharset(charset);
        conn.Options().SetIPVersion(ivIPBoth);
        conn.SetLoginPrompt(false);
        conn.SetServer(Utf8ToUtf16(server.host));
        conn.SetPort(server.port);
        conn.SetUsername(Utf8ToUtf16(server.user));
        conn.SetPassword(Utf8ToUtf16(server.password));
        conn.SetDatabase(Widen(db));
        conn.Open();
    }
    void Fresh(const std::string& db) {
        Client("-e " + Quote("DROP DATABASE IF EXISTS " + db + "; CREATE DATABASE " + db + " CHARACTER SET utf8mb4"));
    }

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
    std::string Query(const std::string& db, const std::string& sql) {
        return Trimmed(Client("-N -B " + db + " -e " + Quote(sql)));
    }
    std::vector<std::string> Column(const std::string& db, const std::string& sql) {
        std::vector<std::string> out;
        std::stringstream lines(Query(db, sql));
        for (std::string line; std::getline(lines, line);) out.push_back(line);
        return out;
    }

    /// Backs `from` up into a file and restores the file into a fresh `to`.
    std::string RoundTrip(const test::ServerAddress& server, const std::string& from, const std::string& to,
                          bool unicode, const UString& charset) {
        Connect(server, from, unicode, charset);
        const std::string file = dir_ + "/" + from + ".sql";
        dump.BackupToFile(file);
        Fresh(to);
        Connect(server, to, unicode, charset);
        dump.RestoreFromFile(file);
        return ReadFile(file);
    }
};

TEST(DumpNames, ListsAreSplitTrimmedAndQuotedWhereNeeded) {
    struct Case {
        const char16_t* text;
        std::vector<UString> names;
        const char16_t* joined;
    } cases[] = {
        {u" a , b ;c", {u"a", u"b", u"c"}, u"a,b,c"},
        {u"`x y`,,; `o``k`", {u"x y", u"o`k"}, u"`x y`,`o``k`"},
        {u"order;Select2;_t;1a;t$1", {u"order", u"Select2", u"_t", u"1a", u"t$1"}, u"`order`,Select2,`_t`,`1a`,t$1"},
        {u"", {}, u""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseNameList(c.text), c.names) << Narrow(c.text);
        EXPECT_EQ(JoinNameList(c.names), c.joined) << Narrow(c.text);
    }
    // As text every "," splits, also inside back-quotes; the list takes any name whole.
    TMyDump dump;
    dump.SetTableNames(u"a, `b,c`");
    EXPECT_EQ(dump.TableNameList(), (std::vector<UString>{u"a", u"`b", u"c`"}));
    dump.TableNameList() = {u"a", u"b,c"};
    EXPECT_EQ(dump.TableNames(), u"a,`b,c`");
}

TEST_F(DumpTest, SakilaRoundTripsInEachEncoding) {
    BREVANT_REQUIRE_SERVER(server);
    server_ = server;
    const std::string src = "brevant_dump_src", dst = "brevant_dump_dst";
    const std::string data = test::TestDataPath("sakila");
    Client("-e " + Quote("DROP DATABASE IF EXISTS " + src));
    Client("", "sed -E " + Quote("s/\\bsakila\\b/" + src + "/g") + " " + Quote(data + "/sakila-schema.sql") + " " +
                   Quote(data + "/sakila-data.sql"));
    const std::vector<std::string> tables =
        Column(src, "SELECT TABLE_NAME FROM information_schema.TABLES WHERE TABLE_SCHEMA='" + src +
                        "' AND TABLE_TYPE='BASE TABLE' ORDER BY 1");
    ASSERT_EQ(tables.size(), 16u);
    const std::string views = "SELECT GROUP_CONCAT(TABLE_NAME, ':', REPLACE(VIEW_DEFINITION, TABLE_SCHEMA, 'db') "
                              "ORDER BY TABLE_NAME) FROM information_schema.VIEWS WHERE TABLE_SCHEMA=";
    struct Setting {
        bool unicode;
        const char16_t* charset;
        const char* mark;
        TMyDumpObjects objects;
    } settings[] = {
        {true, u"latin1", "\xFF\xFE", doTables | doData | doViews | doStoredProcs | doTriggers},
        {false, u"utf8", "\xEF\xBB\xBF", 56},
        {false, u"latin1", "--", 56},
    };
    for (const Setting& s : settings) {
        SCOPED_TRACE(Narrow(s.charset) + (s.unicode ? " unicode" : ""));
        dump.Objects = s.objects;
        const std::string file = RoundTrip(server, src, dst, s.unicode, s.charset);
        EXPECT_EQ(file.substr(0, std::string(s.mark).size()), s.mark);
        for (const std::string& table : tables) {
            const std::string ours = Query(dst, "CHECKSUM TABLE " + table);
            const std::string theirs = Query(src, "CHECKSUM TABLE " + table);
            EXPECT_EQ(ours.substr(ours.find('\t')), theirs.substr(theirs.find('\t'))) << table;
        }
        EXPECT_EQ(Query(dst, views + "'" + dst + "'"), Query(src, views + "'" + src + "'"));
        const std::string routines = "SELECT COUNT(*) FROM information_schema.ROUTINES WHERE ROUTINE_SCHEMA=DATABASE()";
        const std::string triggers = "SELECT COUNT(*) FROM information_schema.TRIGGERS WHERE TRIGGER_SCHEMA=DATABASE()";
        if (s.objects & doStoredProcs) {
            EXPECT_EQ(Query(dst, routines), Query(src, routines));
            EXPECT_EQ(Query(dst, triggers), "6");
        }
    }
    Client("-e " + Quote("DROP DATABASE " + src + "; DROP DATABASE " + dst));
}

TEST_F(DumpTest, BinaryAndNonAsciiValuesByteForByteAndAwkwardNames) {
    BREVANT_REQUIRE_SERVER(server);
    server_ = server;
    const std::string src = "brevant_dump_bin", dst = "brevant_dump_bin2";
    Fresh(src);
    Client(src + " -e " +
           Quote("CREATE TABLE `order` (id INT PRIMARY KEY, b BLOB, vb VARBINARY(300), bn BINARY(4), bt BIT(12), "
                 "t TEXT, v VARCHAR(40)) CHARACTER SET utf8mb4;"
                 "INSERT INTO `order` VALUES (1, UNHEX(CONCAT(" +
                 [] {
                     std::string hex;
                     for (int i = 0; i < 256; ++i) {
                         if (i) hex += ",";
                         char buf[8];
                         std::snprintf(buf, sizeof buf, "'%02X'", i);
                         hex += buf;
                     }
                     return hex;
                 }() +
                 ")), UNHEX('00FF27225C0D0A1A'), UNHEX('00010203'), b'101010101010', "
                 "'a''b\\\\c\\r\\nd\\0e', '\\xC3\\xB1and\\xC3\\xBA \\xE2\\x82\\xAC'),"
                 "(2, '', '', NULL, NULL, '', NULL);"
                 "CREATE TABLE `o'k` (`select` INT, `a b` VARCHAR(5)); INSERT INTO `o'k` VALUES (7, 'x''y');"
                 "CREATE TABLE a_b (n INT); CREATE TABLE axb (n INT);"
                 "CREATE TRIGGER ta BEFORE INSERT ON a_b FOR EACH ROW SET NEW.n = NEW.n + 1;"
                 "CREATE TRIGGER tx BEFORE INSERT ON axb FOR EACH ROW SET NEW.n = NEW.n + 2;"));
    const std::string values = "SELECT HEX(b), HEX(vb), HEX(bn), HEX(bt), HEX(t), HEX(v) FROM `order` ORDER BY id";
    const std::string expected = Query(src, values);
    ASSERT_NE(expected.find("000102"), std::string::npos);
    struct Setting {
        bool unicode;
        const char16_t* charset;
    } settings[] = {{true, u"latin1"}, {false, u"utf8"}, {false, u"latin1"}};
    for (const Setting& s : settings) {
        SCOPED_TRACE(Narrow(s.charset) + (s.unicode ? " unicode" : ""));
        dump.Objects = 56;
        dump.SetTableNames(u"");
        RoundTrip(server, src, dst, s.unicode, s.charset);
        if (s.charset == UString(u"latin1") && !s.unicode) {
            // latin1 holds the text's characters; the euro sign is 0x80 there.
            EXPECT_EQ(Query(dst, "SELECT HEX(b), HEX(vb), HEX(bn), HEX(bt) FROM `order` ORDER BY id"),
                      Query(src, "SELECT HEX(b), HEX(vb), HEX(bn), HEX(bt) FROM `order` ORDER BY id"));
        } else {
            EXPECT_EQ(Query(dst, values), expected);
        }
        EXPECT_EQ(Query(dst, "SELECT `select`, `a b` FROM `o'k`"), "7\tx'y");
    }
    // The trigger look-up takes the listed table only, not one that "_" would match.
    dump.Objects = doTables | doTriggers;
    dump.SetTableNames(u"a_b");
    Connect(server, src);
    dump.Backup();
    UString text;
    for (const UString& line : dump.SQL().Lines()) text += line + u"\n";
    EXPECT_NE(text.find(u"CREATE TRIGGER ta BEFORE INSERT ON a_b"), UString::npos) << Narrow(text);
    EXPECT_EQ(text.find(u"tx"), UString::npos) << Narrow(text);
    EXPECT_EQ(text.find(u"axb"), UString::npos) << Narrow(text);
    Client("-e " + Quote("DROP DATABASE " + src + "; DROP DATABASE " + dst));
}

TEST_F(DumpTest, StatementsStayUnder16KAndALongRowEndsItsStatement) {
    BREVANT_REQUIRE_SERVER(server);
    server_ = server;
    const std::string db = "brevant_dump_sizes";
    Fresh(db);
    Client(db + " -e " +
           Quote("CREATE TABLE s (n INT, t VARCHAR(20)); INSERT INTO s SELECT seq, CONCAT('row ', seq) FROM seq_1_to_3000;"
                 "CREATE TABLE l (n INT, t TEXT); INSERT INTO l VALUES (1, 'a'), (2, REPEAT('x', 9000)), (3, 'b'), "
                 "(4, REPEAT('y', 9000));"));
    Connect(server, db, false, u"latin1");
    const std::string file = dir_ + "/sizes.sql";
    dump.BackupToFile(file);
    const std::string text = ReadFile(file);
    // Each INSERT statement: from its head line to the line ending in ";".
    std::vector<std::pair<std::string, std::size_t>> statements;  // table, bytes
    std::size_t pos = 0;
    while ((pos = text.find("INSERT INTO ", pos)) != std::string::npos) {
        const std::size_t end = text.find(";\r\n", pos);
        ASSERT_NE(end, std::string::npos);
        statements.emplace_back(text.substr(pos + 12, 1), end + 1 - pos);
        pos = end;
    }
    std::size_t shortOnes = 0;
    for (const auto& [table, size] : statements) {
        if (table == "s") {
            ++shortOnes;
            EXPECT_LE(size, 16384u);
        }
    }
    EXPECT_GE(shortOnes, 3u);
    // l: (1) and the first long row together, (3) and the second long row together.
    std::vector<std::size_t> longSizes;
    for (const auto& [table, size] : statements)
        if (table == "l") longSizes.push_back(size);
    ASSERT_EQ(longSizes.size(), 2u);
    EXPECT_NE(text.find("INSERT INTO l VALUES\r\n (1,'a'),\r\n (2,'xxx"), std::string::npos);
    EXPECT_NE(text.find("yyy');\r\nUNLOCK TABLES;"), std::string::npos);
    Client("-e " + Quote("DROP DATABASE " + db));
}

TEST_F(DumpTest, TwoTablesAndAViewWordForWord) {
    BREVANT_REQUIRE_SERVER(server);
    server_ = server;
    const std::string db = "brevant_dump_golden";
    Fresh(db);
    Client(db + " -e " +
           Quote("CREATE TABLE a (id INT NOT NULL, s VARCHAR(10), PRIMARY KEY (id)) ENGINE=InnoDB DEFAULT CHARSET=latin1;"
                 "INSERT INTO a VALUES (1, 'x'), (2, NULL), (3, '');"
                 "CREATE TABLE b (d DATE, f DOUBLE) ENGINE=InnoDB DEFAULT CHARSET=latin1;"
                 "CREATE VIEW v AS SELECT id FROM a;"));
    Connect(server, db, false, u"latin1");
    const std::string file = dir_ + "/golden.sql";
    dump.BackupToFile(file);
    std::string text = ReadFile(file);
    text = std::regex_replace(text, std::regex("-- Script date [^\r]*"), "-- Script date <date>");
    text = std::regex_replace(text, std::regex("-- MySQL server version: [^\r]*"), "-- MySQL server version: <v>");
    text = std::regex_replace(text, std::regex("DEFINER=`[^`]*`@`[^`]*`"), "DEFINER=<d>");
    const std::string expected =
        "-- Kestrine version: 9.4.10\r\n"
        "-- MySQL server version: <v>\r\n"
        "-- MySQL client version: 8.0.0 Direct\r\n"
        "-- Script date <date>\r\n"
        "-- ---------------------------------------------------------------------- \r\n"
        "-- Server: " + server.host + "\r\n"
        "-- Database: " + db + "\r\n"
        "\r\n"
        "/*!40101 SET @OLD_CHARACTER_SET_CLIENT=@@CHARACTER_SET_CLIENT */;\r\n"
        "/*!40101 SET @OLD_CHARACTER_SET_RESULTS=@@CHARACTER_SET_RESULTS */;\r\n"
        "/*!40101 SET @OLD_COLLATION_CONNECTION=@@COLLATION_CONNECTION */;\r\n"
        "/*!40101 SET NAMES latin1 */;\r\n"
        "/*!40014 SET @OLD_FOREIGN_KEY_CHECKS=@@FOREIGN_KEY_CHECKS, FOREIGN_KEY_CHECKS=0 */;\r\n"
        "/*!40101 SET @OLD_SQL_MODE=@@SQL_MODE, SQL_MODE='NO_AUTO_VALUE_ON_ZERO' */;\r\n"
        "-- \r\n-- Table structure for table a\r\n-- \r\n\r\n"
        "DROP TABLE IF EXISTS a;\r\n"
        "CREATE TABLE `a` (\r\n"
        "  `id` int(11) NOT NULL,\r\n"
        "  `s` varchar(10) DEFAULT NULL,\r\n"
        "  PRIMARY KEY (`id`)\r\n"
        ") ENGINE=InnoDB DEFAULT CHARSET=latin1 COLLATE=latin1_swedish_ci;\r\n"
        "\r\n"
        "-- \r\n-- Dumping data for table a\r\n-- \r\n\r\n"
        "LOCK TABLES a WRITE;\r\n"
        "INSERT INTO a VALUES\r\n"
        " (1,'x'),\r\n"
        " (2,NULL),\r\n"
        " (3,'');\r\n"
        "UNLOCK TABLES;\r\n"
        "\r\n"
        "-- \r\n-- Table structure for table b\r\n-- \r\n\r\n"
        "DROP TABLE IF EXISTS b;\r\n"
        "CREATE TABLE `b` (\r\n"
        "  `d` date DEFAULT NULL,\r\n"
        "  `f` double DEFAULT NULL\r\n"
        ") ENGINE=InnoDB DEFAULT CHARSET=latin1 COLLATE=latin1_swedish_ci;\r\n"
        "\r\n"
        "-- \r\n-- Dumping data for table b\r\n-- \r\n\r\n"
        "-- \r\n-- Table structure for table v\r\n-- \r\n\r\n"
        "DROP VIEW IF EXISTS v;\r\n"
        "CREATE ALGORITHM=UNDEFINED DEFINER=<d> SQL SECURITY DEFINER VIEW `v` AS select `a`.`id` AS `id` from `a`;\r\n"
        "\r\n"
        "/*!40014 SET FOREIGN_KEY_CHECKS=@OLD_FOREIGN_KEY_CHECKS */;\r\n"
        "/*!40101 SET SQL_MODE=@OLD_SQL_MODE */;\r\n"
        "/*!40101 SET CHARACTER_SET_CLIENT=@OLD_CHARACTER_SET_CLIENT */;\r\n"
        "/*!40101 SET CHARACTER_SET_RESULTS=@OLD_CHARACTER_SET_RESULTS */;\r\n"
        "/*!40101 SET COLLATION_CONNECTION=@OLD_COLLATION_CONNECTION */;\r\n";
    EXPECT_EQ(text, expected);

    // Structure only: no data comments, no rows.
    dump.Objects = doTables | doViews;
    dump.Backup();
    UString lines;
    for (const UString& line : dump.SQL().Lines()) lines += line + u"\n";
    EXPECT_EQ(lines.find(u"Dumping data"), UString::npos);
    EXPECT_EQ(lines.find(u"INSERT"), UString::npos);
    EXPECT_EQ(lines.find(u"TRUNCATE"), UString::npos);

    // A query's rows go into the table they come from, with the column list.
    dump.Objects = 56;
    dump.Options().GenerateHeader = false;
    dump.BackupQuery(u"SELECT id, s FROM a WHERE id < 3");
    lines.clear();
    for (const UString& line : dump.SQL().Lines()) lines += line + u"\n";
    EXPECT_NE(lines.find(u"INSERT INTO a(id, s) VALUES\n (1,'x'),\n (2,NULL);\n"), UString::npos) << Narrow(lines);
    Client("-e " + Quote("DROP DATABASE " + db));
}

TEST_F(DumpTest, FailuresKeepThePreviousFileAndSayWhy) {
    BREVANT_REQUIRE_SERVER(server);
    server_ = server;
    const std::string db = "brevant_dump_fail";
    Fresh(db);
    Client(db + " -e " + Quote("CREATE TABLE a (n INT); INSERT INTO a VALUES (1);"));
    Connect(server, db);
    const std::string file = dir_ + "/keep.sql";
    { std::ofstream(file, std::ios::binary) << "previous backup"; }
    dump.SetTableNames(u"a, nosuchtable");
    EXPECT_THROW(dump.BackupToFile(file), EMyError);
    EXPECT_EQ(ReadFile(file), "previous backup");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);

    auto message = [](auto f) {
        try {
            f();
        } catch (const Exception& e) {
            return Narrow(e.Message());
        }
        return std::string("no error");
    };
    EXPECT_EQ(message([&] { dump.BackupQuery(u"  "); }), "No SQL statement provided");
    EXPECT_EQ(message([&] { dump.Backup(u"SELECT * FROM a"); }),
              "To execute BackupQuery TableNames must have not more than one table");
    TMyDump none;
    EXPECT_EQ(message([&] { none.Backup(); }), "Connection is not defined");
    std::ostringstream out;
    EXPECT_EQ(message([&] { none.BackupToStream(out); }), "Connection is not defined");

    // A cancelled backup ends at once and keeps the previous file too.
    dump.SetTableNames(u"");
    dump.OnBackupProgress = [](TMyDump& sender, const UString&, int, int, int) { sender.BreakBackup(); };
    EXPECT_THROW(dump.BackupToFile(file), EAbort);
    EXPECT_EQ(ReadFile(file), "previous backup");
    Client("-e " + Quote("DROP DATABASE " + db));
}

}  // namespace
}  // namespace brevant
