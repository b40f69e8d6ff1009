// The statement splitter over scripts in memory and over the sakila script files.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ScriptFiles.h"
#include "TestServer.h"

namespace brevant {
namespace {

using test::SplitStatement;
using test::SplitText;

// Expected statements: "[omit]" in front marks an omitted one (a DELIMITER command).
std::vector<std::u16string> Texts(const std::vector<SplitStatement>& statements) {
    std::vector<std::u16string> out;
    for (const auto& s : statements) out.push_back((s.omit ? u"[omit]" : u"") + s.sql);
    return out;
}

TEST(TMyScriptProcessorTest, Splitting) {
    const struct {
        const char* name;
        std::u16string script;
        std::vector<std::u16string> expected;
    } cases[] = {
        {"quoted delimiter stays in the string", u"select ';' ; select 2",
         {u"select ';' ", u"select 2"}},
        {"delimiter inside a comment does not split", u"select 1 -- x ; y\n; select 2",
         {u"select 1 -- x ; y\n", u"select 2"}},
        {"DELIMITER $$ around a procedure",
         u"DELIMITER $$\nCREATE PROCEDURE p()\nBEGIN\n  select 1;\n  select 2;\nEND $$\nDELIMITER ;\nselect 3;",
         {u"[omit]DELIMITER $$", u"CREATE PROCEDURE p()\nBEGIN\n  select 1;\n  select 2;\nEND ",
          u"[omit]DELIMITER ;", u"select 3"}},
        {"routine body kept together with ;", u"CREATE PROCEDURE p() BEGIN select 1; END; select 2;",
         {u"CREATE PROCEDURE p() BEGIN select 1; END", u"select 2"}},
        {"DEFINER clause before PROCEDURE",
         u"CREATE DEFINER=`root`@`localhost` PROCEDURE p() BEGIN select 1; select 2; END;",
         {u"CREATE DEFINER=`root`@`localhost` PROCEDURE p() BEGIN select 1; select 2; END"}},
        {"nested blocks in a $$ body",
         u"DELIMITER $$\nCREATE FUNCTION f() RETURNS int\nBEGIN\n IF 1 THEN BEGIN select 1; END; END IF;\n RETURN 1;\nEND $$\n",
         {u"[omit]DELIMITER $$",
          u"CREATE FUNCTION f() RETURNS int\nBEGIN\n IF 1 THEN BEGIN select 1; END; END IF;\n RETURN 1;\nEND "}},
        {"a set delimiter ends a statement also stuck to a word",
         u"DELIMITER $$\nselect 1 as END$$\nselect 2 as x END $$",
         {u"[omit]DELIMITER $$", u"select 1 as END", u"select 2 as x END "}},
        {"lone slash line ends a statement", u"select 1\n/\nselect 2\n/",
         {u"select 1\n", u"select 2\n"}},
        {"slash inside a line does not", u"select 4 / 2;\nselect 4\n/ 2;",
         {u"select 4 / 2", u"select 4\n/ 2"}},
        {"slash is no terminator under another delimiter", u"DELIMITER $$\nselect 1\n/\n$$",
         {u"[omit]DELIMITER $$", u"select 1\n/\n"}},
        {"--x is not a comment", u"select 1 --x;select 2", {u"select 1 --x", u"select 2"}},
        {"versioned comment is a statement", u"/*!40101 SET NAMES utf8 */;\nselect 1;",
         {u"/*!40101 SET NAMES utf8 */", u"select 1"}},
        {"comment lines belong to the next statement, blanks do not",
         u"  \n -- head\n# more\nselect 1;\n\n  select 2",
         {u"-- head\n# more\nselect 1", u"select 2"}},
        {"empty statements are skipped", u";;; select 1;;  ;", {u"select 1"}},
        {"two-character delimiter", u"DELIMITER //\nselect 1//\nselect 2 //\nselect '//'//\nDELIMITER ;\nselect 3;",
         {u"[omit]DELIMITER //", u"select 1", u"select 2 ", u"select '//'", u"[omit]DELIMITER ;", u"select 3"}},
        {"trigger under ;; keeps its body",
         u"DELIMITER ;;\nCREATE TRIGGER t AFTER INSERT ON x FOR EACH ROW BEGIN\n INSERT INTO y VALUES (1);\nEND;;\nDELIMITER ;\n",
         {u"[omit]DELIMITER ;;",
          u"CREATE TRIGGER t AFTER INSERT ON x FOR EACH ROW BEGIN\n INSERT INTO y VALUES (1);\nEND",
          u"[omit]DELIMITER ;"}},
        {"DELIMITER after comment lines is still a command",
         u"--\n-- Procedure\n--\n\nDELIMITER //\nselect 1//",
         {u"[omit]--\n-- Procedure\n--\n\nDELIMITER //", u"select 1"}},
        {"a column called delimiter is not a command", u"select delimiter from t; select 2",
         {u"select delimiter from t", u"select 2"}},
        {"DELIMITER without a value changes nothing", u"DELIMITER\n;select 1;",
         {u"[omit]DELIMITER", u"select 1"}},
        {"unterminated string ends the script", u"select 'abc; select 2", {u"select 'abc; select 2"}},
        {"back-quoted names hide the delimiter", u"select `a;b` from t; x", {u"select `a;b` from t", u"x"}},
        {"last statement without a delimiter", u"select 1; select 2", {u"select 1", u"select 2"}},
        {"only blanks", u" \r\n\t ", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Texts(SplitText(c.script)), c.expected);
        EXPECT_EQ(SplitText(c.script, false), SplitText(c.script)) << "token by token differs";
    }
}

TEST(TMyScriptProcessorTest, StatementStartAndType) {
    const auto s = SplitText(u"select 1;\r\n  /* c */ select 2;\nCREATE TRIGGER t BEFORE INSERT ON x FOR EACH ROW SET @a = 1;");
    ASSERT_EQ(s.size(), 3u);
    EXPECT_EQ(s[0].startPos, 0);
    EXPECT_EQ(s[1].startPos, 13);
    EXPECT_EQ(s[1].startLine, 1);
    EXPECT_EQ(s[1].startCol, 2);
    EXPECT_EQ(s[1].type, ST_UNKNOWN);
    EXPECT_EQ(s[2].startLine, 2);
    EXPECT_EQ(s[2].startCol, 0);
    EXPECT_EQ(s[2].type, ST_SPECIFIC_SQL);
    const auto d = SplitText(u"delimiter $$\n");
    ASSERT_EQ(d.size(), 1u);
    EXPECT_EQ(d[0].type, ST_DELIMETER);
    EXPECT_TRUE(d[0].omit);
    // Comments alone are not handed over by the MySQL splitter; a versioned comment is.
    EXPECT_TRUE(SplitText(u"-- only\n; /* c */ # d\n;\n-- Dump completed\n").empty());
    const auto c = SplitText(u"-- only\n/*!40101 SET NAMES utf8 */;/*M!100100 SET x=1 */");
    ASSERT_EQ(c.size(), 2u);
    EXPECT_EQ(c[0].sql, u"-- only\n/*!40101 SET NAMES utf8 */");
    EXPECT_FALSE(c[0].omit);
    EXPECT_EQ(c[1].sql, u"/*M!100100 SET x=1 */");
}

TEST(TDAScriptProcessorTest, CommentOnlyStatementIsOmitted) {
    TDAScriptProcessor proc;
    std::vector<TScriptStatement> seen;
    std::vector<UString> texts;
    proc.OnStatement = [&](const TScriptStatement& s) {
        seen.push_back(s);
        texts.emplace_back(s.SQL);
        return true;
    };
    proc.AttachText(u"-- only\n; select 1;");
    while (proc.ExecuteNext()) {}
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].StatementType, ST_COMMENT);
    EXPECT_TRUE(seen[0].Omit);
    EXPECT_EQ(texts[1], u"select 1");
    EXPECT_FALSE(seen[1].Omit);
}

TEST(TMyScriptProcessorTest, StopErrorAndDelimiterCarryOver) {
    TMyScriptProcessor proc;
    int calls = 0;
    proc.OnStatement = [&](const TScriptStatement&) { return ++calls != 1; };
    proc.AttachText(u"DELIMITER $$\nselect 1$$ select 2$$");
    EXPECT_FALSE(proc.ExecuteNext());  // the callback asked to stop
    EXPECT_EQ(proc.CurrDelimiter(), u"$$");
    EXPECT_TRUE(proc.ExecuteNext());
    EXPECT_TRUE(proc.ExecuteNext());
    EXPECT_FALSE(proc.ExecuteNext());
    EXPECT_EQ(proc.Parser(), nullptr);  // released at the end
    EXPECT_FALSE(proc.ExecuteNext());

    // A new script starts again from the script's own delimiter.
    proc.AttachText(u"select 1;\x02select 2;");
    EXPECT_TRUE(proc.ExecuteNext());
    EXPECT_EQ(proc.CurrDelimiter(), u";");
    try {
        proc.ExecuteNext();
        ADD_FAILURE() << "no error";
    } catch (const EParserError& e) {
        EXPECT_EQ(e.Message(), u"Parser: The unknown symbol $0002  '\x02'");
    }
}

// ---- real scripts ------------------------------------------------------------------

TEST(TMyScriptProcessorTest, SakilaScripts) {
    const struct {
        const char* file;
        std::size_t total;
        std::map<std::string, int> firstWords;
    } cases[] = {
        {"sakila/sakila-schema.sql", 60,
         {{"/*!", 1}, {"CREATE", 33}, {"[omit]", 14}, {"DROP", 1}, {"SET", 10}, {"USE", 1}}},
        {"sakila/sakila-data.sql", 62,
         {{"COMMIT", 15}, {"CREATE", 3}, {"INSERT", 17}, {"LOCK", 1}, {"SET", 24}, {"UNLOCK", 1}, {"USE", 1}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string bytes = test::ReadFileBytes(test::TestDataPath(c.file));
        const UString text = Utf8ToUtf16(bytes);
        const auto statements = SplitText(text);
        EXPECT_EQ(statements.size(), c.total);
        EXPECT_EQ(SplitText(text, false), statements) << "token by token differs";
        EXPECT_EQ(test::FirstWordCounts(statements), c.firstWords);

        // The file read as a stream, and copies in UTF-16 LE and UTF-8 with a mark,
        // split identically to the text in memory.
        const std::string name = std::string(c.file).substr(std::string(c.file).find('/') + 1);
        const std::vector<std::pair<const char*, std::string>> copies = {
            {"utf8", bytes},
            {"utf8bom", "\xEF\xBB\xBF" + bytes},
            {"utf16", test::Utf16LeBytes(text, true)},
        };
        for (const auto& [kind, content] : copies) {
            SCOPED_TRACE(kind);
            // Without a mark the stream is read in the 8-bit code page: compare that
            // copy with the text decoded the same way.
            const auto expected = std::string(kind) == "utf8" ? SplitText(AnsiToUtf16(bytes)) : statements;
            const std::string path = test::WriteTempFile(std::string(kind) + "_" + name, content);
            EXPECT_EQ(test::SplitFile(path), expected);
            EXPECT_EQ(test::SplitFile(path, false), expected) << "token by token differs";
        }
    }
}

TEST(TMyScriptProcessorTest, SchemaRoutinesAndTriggers) {
    const auto statements =
        SplitText(Utf8ToUtf16(test::ReadFileBytes(test::TestDataPath("sakila/sakila-schema.sql"))));
    int routines = 0;
    for (const auto& s : statements) {
        if (s.omit) continue;
        const UString upper = UpperCaseAscii(s.sql);
        if (upper.find(u"CREATE PROCEDURE") != UString::npos || upper.find(u"CREATE FUNCTION") != UString::npos ||
            upper.find(u"CREATE TRIGGER") != UString::npos) {
            ++routines;
            SCOPED_TRACE(Narrow(s.sql.substr(0, 80)));
            const std::u16string_view tail = TrimView(s.sql);
            EXPECT_TRUE(UpperCaseAscii(tail.substr(tail.size() - 3)) == u"END") << "body cut short";
        }
    }
    EXPECT_EQ(routines, 9);  // 3 triggers, 3 procedures, 3 functions
}

}  // namespace
}  // namespace brevant
