// Splitting mariadb-dump output made from the test server: sakila is loaded with the
// mariadb client, dumped twice (extended and one row per INSERT), and each dump is split.

#include <gtest/gtest.h>

#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "ScriptFiles.h"
#include "TestServer.h"

namespace brevant {
namespace {

constexpr const char* kDatabase = "brevant_lexer_sakila";

std::string Quote(const std::string& s) {
    std::string out = "'";
    for (char c : s) out += (c == '\'') ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

class DumpSplitTest : public ::testing::Test {
protected:
    /// Runs a client program with the server's options (input piped from `source` when
    /// given); returns its output, or fails.
    std::string Run(const std::string& program, const std::string& args, const std::string& source = "") {
        const std::string cmd = "export MYSQL_PWD=" + Quote(server_.password) + "; " +
                                (source.empty() ? "" : source + " | ") + program + " --no-defaults -h " +
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
        const int rc = pclose(p);
        EXPECT_EQ(rc, 0) << cmd;
        return out;
    }

    test::ServerAddress server_;
};

std::string Trimmed(const std::string& s) {
    const auto b = s.find_first_not_of(" \t\r\n");
    const auto e = s.find_last_not_of(" \t\r\n");
    return b == std::string::npos ? "" : s.substr(b, e - b + 1);
}

std::vector<std::string> NonInsertWords(const std::vector<test::SplitStatement>& statements) {
    std::vector<std::string> words;
    for (const auto& s : statements)
        if (test::FirstWord(s.sql) != "INSERT") words.push_back(test::FirstWord(s.sql));
    return words;
}

TEST_F(DumpSplitTest, SakilaDumps) {
    BREVANT_REQUIRE_SERVER(server);
    server_ = server;
    const std::string db = kDatabase;
    const std::string data = test::TestDataPath("sakila");
    Run("mariadb", "", "sed -E " + Quote("s/\\bsakila\\b/" + db + "/g") + " " + Quote(data + "/sakila-schema.sql") +
                           " " + Quote(data + "/sakila-data.sql"));
    if (HasFailure()) return;

    const std::string rowsQuery = Trimmed(Run(
        "mariadb", "-N -e " + Quote("SELECT GROUP_CONCAT(CONCAT('(SELECT COUNT(*) FROM `" + db +
                                    "`.`', TABLE_NAME, '`)') SEPARATOR '+') FROM information_schema.TABLES "
                                    "WHERE TABLE_SCHEMA='" + db + "' AND TABLE_TYPE='BASE TABLE'")));
    const long long rows = std::atoll(Trimmed(Run("mariadb", "-N -e " + Quote("SELECT " + rowsQuery))).c_str());
    EXPECT_EQ(rows, 47268);  // the sakila rows

    const std::string dumpArgs = "--routines --triggers --databases " + db;
    const std::string extended = Run("mariadb-dump", dumpArgs);
    const std::string perRow = Run("mariadb-dump", "--skip-extended-insert " + dumpArgs);
    Run("mariadb", "-e " + Quote("DROP DATABASE `" + db + "`"));

    // The dumps carry no byte-order mark: read as a restore reads them, in the 8-bit code page.
    const auto ext = test::SplitFile(test::WriteTempFile("dump_ext.sql", extended));
    const auto one = test::SplitFile(test::WriteTempFile("dump_rows.sql", perRow));
    ASSERT_FALSE(ext.empty());

    int insertLines = 0;
    for (std::size_t pos = 0; (pos = extended.find("\nINSERT INTO ", pos)) != std::string::npos; ++pos) ++insertLines;
    const auto extWords = test::FirstWordCounts(ext);
    const auto oneWords = test::FirstWordCounts(one);
    EXPECT_EQ(extWords.at("INSERT"), insertLines);
    EXPECT_EQ(oneWords.at("INSERT"), rows);
    EXPECT_EQ(NonInsertWords(ext), NonInsertWords(one));
    EXPECT_EQ(ext.size(), NonInsertWords(ext).size() + static_cast<std::size_t>(insertLines));
    // No statement is comments alone (the dump ends with "-- Dump completed on ...").
    EXPECT_EQ(extWords.count(""), 0u);
    EXPECT_EQ(extWords.count("[omit]"), 1u);
    EXPECT_EQ(extWords.at("[omit]"), 24);  // DELIMITER ;; and DELIMITER ; around 6 triggers and 6 routines

    // Triggers (inside versioned comments) and routines arrive whole, one statement each.
    int triggers = 0, routines = 0;
    for (const auto& s : ext) {
        const std::string sql = Narrow(s.sql);
        const bool trigger = sql.find("*/ /*!50003 TRIGGER ") != std::string::npos;
        const bool routine = sql.rfind("CREATE DEFINER=", 0) == 0 &&
                             (sql.find(" PROCEDURE ") != std::string::npos || sql.find(" FUNCTION ") != std::string::npos);
        if (!trigger && !routine) continue;
        SCOPED_TRACE(sql.substr(0, 100));
        (trigger ? triggers : routines) += 1;
        const std::string tail = Trimmed(sql);
        // A trigger is one versioned comment, from CREATE to its closing "*/".
        EXPECT_TRUE(trigger ? tail.ends_with("*/") && sql.find("FOR EACH ROW") != std::string::npos
                            : tail.ends_with("END"))
            << "cut short: ..." << tail.substr(tail.size() - std::min<std::size_t>(tail.size(), 40));
        if (sql.find("rewards_report") != std::string::npos) {
            EXPECT_NE(sql.find("DROP TABLE tmpCustomer;"), std::string::npos);
        }
    }
    EXPECT_EQ(triggers, 6);
    EXPECT_EQ(routines, 6);

    // With a byte-order mark the dump is read as Unicode and splits as its UTF-8 text.
    const UString text = Utf8ToUtf16(extended);
    const auto expected = test::SplitText(text);
    EXPECT_EQ(expected.size(), ext.size());
    EXPECT_EQ(test::SplitFile(test::WriteTempFile("dump_bom.sql", "\xEF\xBB\xBF" + extended)), expected);
    EXPECT_EQ(test::SplitFile(test::WriteTempFile("dump_utf16.sql", test::Utf16LeBytes(text, true))), expected);

    // The dump rewritten as other tools write routines: with $$ or // stuck to the END
    // and to the trigger's closing comment, and without any DELIMITER, bodies kept whole
    // by their BEGIN ... END blocks alone. Every statement is the same, but for the
    // blanks before the delimiter.
    const auto sent = [](const std::vector<test::SplitStatement>& statements) {
        std::vector<std::string> out;
        for (const auto& s : statements)
            if (!s.omit) out.push_back(Trimmed(Narrow(s.sql)));
        return out;
    };
    const std::vector<std::string> original = sent(expected);
    const struct {
        const char* name;
        std::vector<std::pair<std::string, std::string>> edits;
    } styles[] = {
        {"END$$", {{"DELIMITER ;;\n", "DELIMITER $$\n"}, {"\n;;\n", "$$\n"}, {"*/;;\n", "*/$$\n"}}},
        {"END//", {{"DELIMITER ;;\n", "DELIMITER //\n"}, {"\n;;\n", "//\n"}, {"*/;;\n", "*/ //\n"}}},
        {"no DELIMITER", {{"DELIMITER ;;\n", ""}, {"DELIMITER ;\n", ""}, {"\n;;\n", ";\n"}, {"*/;;\n", "*/;\n"}}},
    };
    for (const auto& style : styles) {
        SCOPED_TRACE(style.name);
        std::string script = extended;
        for (const auto& [from, to] : style.edits) {
            std::string out;
            std::size_t pos = 0;
            for (std::size_t hit; (hit = script.find(from, pos)) != std::string::npos; pos = hit + from.size())
                out.append(script, pos, hit - pos).append(to);
            script = out.append(script, pos);
        }
        ASSERT_NE(script, extended);
        const std::vector<std::string> got = sent(test::SplitText(Utf8ToUtf16(script)));
        EXPECT_EQ(got.size(), original.size());
        const auto diff = std::mismatch(got.begin(), got.end(), original.begin(), original.end());
        if (diff.first != got.end() || diff.second != original.end()) {
            ADD_FAILURE() << "statement " << (diff.first - got.begin()) << " differs:\n"
                          << (diff.first != got.end() ? diff.first->substr(0, 400) : "(none)") << "\ninstead of\n"
                          << (diff.second != original.end() ? diff.second->substr(0, 400) : "(none)");
        }
    }
}

}  // namespace
}  // namespace brevant
