// Scripts of the kinds people restore: server dumps with routines and triggers, exports
// of desktop tools written in the END$$ style, and hand-written scripts. Each must split
// where the server's own command-line client splits it, from memory and from a stream
// read in blocks of a few bytes.

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "ScriptFiles.h"

namespace brevant {
namespace {

// "[omit]" in front marks an omitted statement (a DELIMITER command).
std::vector<std::u16string> Texts(const std::vector<test::SplitStatement>& statements) {
    std::vector<std::u16string> out;
    for (const auto& s : statements) out.push_back((s.omit ? u"[omit]" : u"") + s.sql);
    return out;
}

std::vector<test::SplitStatement> SplitStream(const std::string& bytes, TParserEncoding encoding) {
    std::istringstream in(bytes);
    TMyScriptProcessor proc;
    std::vector<test::SplitStatement> out;
    proc.OnStatement = [&](const TScriptStatement& s) {
        out.push_back({UString(s.SQL), s.StatementType, s.Omit, s.StartPos, s.StartLine, s.StartCol});
        return true;
    };
    proc.AttachStream(in, encoding);
    while (proc.ExecuteNext()) {}
    return out;
}

struct ScriptCase {
    const char* name;
    std::u16string script;
    std::vector<std::u16string> expected;
};

/// Splits each script from memory (token by token and with bulk skipping) and from
/// UTF-8 and UTF-16 streams in tiny blocks; all must give the expected statements.
void CheckCases(const std::vector<ScriptCase>& cases) {
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto fromText = test::SplitText(c.script);
        EXPECT_EQ(Texts(fromText), c.expected);
        EXPECT_EQ(test::SplitText(c.script, false), fromText) << "token by token differs";
        for (std::size_t block : {1u, 2u, 3u, 5u}) {
            TParserSource::BlockSizeForTesting = block;
            const auto utf8 = SplitStream(Utf16ToUtf8(c.script), peUtf8);
            const auto utf16 = SplitStream(test::Utf16LeBytes(c.script, false), peUtf16);
            TParserSource::BlockSizeForTesting = 0;
            EXPECT_EQ(utf8, fromText) << "UTF-8 stream in blocks of " << block;
            EXPECT_EQ(utf16, fromText) << "UTF-16 stream in blocks of " << block;
        }
    }
}

TEST(RealScriptsTest, CommentsAndBlanks) {
    CheckCases({
        {"dump: --<tab> comment with an apostrophe",
         u"--\tBrevant's table\nCREATE TABLE t (a int);\nINSERT INTO t VALUES (1);\n",
         {u"--\tBrevant's table\nCREATE TABLE t (a int)", u"INSERT INTO t VALUES (1)"}},
        {"export: bare -- lines around a section title, then a procedure under $$",
         u"--\n-- Procedures\n--\nDELIMITER $$\r\nCREATE PROCEDURE p()\r\nBEGIN\r\n  SELECT 1;\r\nEND $$\r\n"
         u"DELIMITER ;\r\n",
         {u"[omit]--\n-- Procedures\n--\nDELIMITER $$", u"CREATE PROCEDURE p()\r\nBEGIN\r\n  SELECT 1;\r\nEND ",
          u"[omit]DELIMITER ;"}},
        {"hand-written: -- right before a line break and at the end",
         u"select 1; --\nselect 2 --", {u"select 1", u"--\nselect 2 --"}},
        {"hand-written: a bare -- line before a procedure under ;",
         u"--\nCREATE PROCEDURE p() BEGIN SELECT 1; SELECT 2; END;\nSELECT 3;",
         {u"--\nCREATE PROCEDURE p() BEGIN SELECT 1; SELECT 2; END", u"SELECT 3"}},
        {"hand-written: # right after a name", u"select a#, b;\n from t;\nselect 2;",
         {u"select a#, b;\n from t", u"select 2"}},
        {"dump: the closing comment lines are no statement",
         u"/*!40111 SET SQL_NOTES=@OLD_SQL_NOTES */;\n\n-- Dump completed on 2026-12-10 14:00:00\n",
         {u"/*!40111 SET SQL_NOTES=@OLD_SQL_NOTES */"}},
        {"export: comment blocks between statements and at the end",
         u"SELECT 1;\r\n/* ---- */\r\n;\r\n# end\r\n/* open", {u"SELECT 1"}},
        {"hand-written: a sandbox line and a versioned comment are statements",
         u"/*M!999999\\- enable the sandbox mode */ \n-- c\n/*!40101 SET NAMES utf8 */;\n--\n",
         {u"/*M!999999\\- enable the sandbox mode */ \n-- c\n/*!40101 SET NAMES utf8 */"}},
        {"form feed and Ctrl-Z between statements", u"select 1;\f\nselect 2;\r\n\x1A",
         {u"select 1", u"select 2"}},
    });
}

// Routines under a delimiter set by DELIMITER: the delimiter ends the statement whatever
// the BEGIN ... END count says, and wherever it stands outside quotes and comments.
TEST(RealScriptsTest, SetDelimiterAlwaysEnds) {
    CheckCases({
        {"dump ;;: END label subtracts nothing, the next routine still splits",
         u"DELIMITER ;;\nCREATE PROCEDURE p1()\nlbl: BEGIN\n  SELECT 1;\nEND lbl ;;\nDELIMITER ;\n"
         u"DELIMITER ;;\nCREATE PROCEDURE p2()\nBEGIN\n  SELECT 2;\nEND ;;\nDELIMITER ;\nSELECT 3;\n",
         {u"[omit]DELIMITER ;;", u"CREATE PROCEDURE p1()\nlbl: BEGIN\n  SELECT 1;\nEND lbl ",
          u"[omit]DELIMITER ;", u"[omit]DELIMITER ;;", u"CREATE PROCEDURE p2()\nBEGIN\n  SELECT 2;\nEND ",
          u"[omit]DELIMITER ;", u"SELECT 3"}},
        {"dump ;;: a column named begin inside a trigger body",
         u"DELIMITER ;;\nCREATE TRIGGER t BEFORE INSERT ON x FOR EACH ROW BEGIN\n  SET NEW.begin = 1;\nEND ;;\n"
         u"DELIMITER ;\nINSERT INTO x VALUES (1);\n",
         {u"[omit]DELIMITER ;;", u"CREATE TRIGGER t BEFORE INSERT ON x FOR EACH ROW BEGIN\n  SET NEW.begin = 1;\nEND ",
          u"[omit]DELIMITER ;", u"INSERT INTO x VALUES (1)"}},
        {"export $$: END$$ and names stuck to the delimiter",
         u"DELIMITER $$\r\nDROP PROCEDURE IF EXISTS p$$\r\nCREATE PROCEDURE p()\r\nBEGIN\r\n  SELECT 1 AS x;\r\nEND$$\r\n"
         u"SELECT 1 AS x$$\r\nDELIMITER ;\r\nSELECT '$$';\r\n",
         {u"[omit]DELIMITER $$", u"DROP PROCEDURE IF EXISTS p", u"CREATE PROCEDURE p()\r\nBEGIN\r\n  SELECT 1 AS x;\r\nEND",
          u"SELECT 1 AS x", u"[omit]DELIMITER ;", u"SELECT '$$'"}},
        {"hand-written //: a nested block miscounted would not matter",
         u"DELIMITER //\nCREATE FUNCTION f() RETURNS int\nBEGIN\n  BEGIN SELECT 1; END;\n  RETURN 1;\nEND//\n"
         u"CREATE PROCEDURE q() SELECT 2//\nDELIMITER ;\n",
         {u"[omit]DELIMITER //", u"CREATE FUNCTION f() RETURNS int\nBEGIN\n  BEGIN SELECT 1; END;\n  RETURN 1;\nEND",
          u"CREATE PROCEDURE q() SELECT 2", u"[omit]DELIMITER ;"}},
        {"dump ;; and hand-written // stuck to the last word",
         u"DELIMITER ;;\nCREATE PROCEDURE p() BEGIN SELECT 1; END;;\nDELIMITER //\nDROP PROCEDURE IF EXISTS p//\n"
         u"SELECT 1 AS x//\nDELIMITER ;\n",
         {u"[omit]DELIMITER ;;", u"CREATE PROCEDURE p() BEGIN SELECT 1; END", u"[omit]DELIMITER //",
          u"DROP PROCEDURE IF EXISTS p", u"SELECT 1 AS x", u"[omit]DELIMITER ;"}},
        {"the rest of a word after the delimiter starts the next statement",
         u"DELIMITER $$\nselect 1 as x$$select 2$$$\n", {u"[omit]DELIMITER $$", u"select 1 as x", u"select 2", u"$\n"}},
        {"quotes and comments hide a set delimiter",
         u"DELIMITER $$\nselect '$$', `a$$b`, \"$$\" -- $$\n /* $$ */ # $$\n$$",
         {u"[omit]DELIMITER $$", u"select '$$', `a$$b`, \"$$\" -- $$\n /* $$ */ # $$\n"}},
        {"a delimiter of three symbols across tokens",
         u"DELIMITER |||\nselect 1 || 2|||select 3 |||", {u"[omit]DELIMITER |||", u"select 1 || 2", u"select 3 "}},
    });
}

// A DELIMITER line inside an unfinished statement: the statement is handed over as it
// stands, then the command runs. Nothing is swallowed into the omitted command.
TEST(RealScriptsTest, DelimiterLineEndsAnUnfinishedStatement) {
    CheckCases({
        {"dump ;;: a trigger in versioned comments whose closing ;; is missing",
         u"DELIMITER ;;\n/*!50003 CREATE*/ /*!50017 DEFINER=`root`@`localhost`*/ /*!50003 TRIGGER t BEFORE INSERT ON x "
         u"FOR EACH ROW BEGIN\n  SET NEW.a = 1;\nEND */\nDELIMITER ;\nINSERT INTO x VALUES (1);\n",
         {u"[omit]DELIMITER ;;",
          u"/*!50003 CREATE*/ /*!50017 DEFINER=`root`@`localhost`*/ /*!50003 TRIGGER t BEFORE INSERT ON x "
          u"FOR EACH ROW BEGIN\n  SET NEW.a = 1;\nEND */\n",
          u"[omit]DELIMITER ;", u"INSERT INTO x VALUES (1)"}},
        {"dump ;;: a routine whose closing ;; is missing",
         u"DELIMITER ;;\nCREATE DEFINER=`root`@`localhost` PROCEDURE p()\nBEGIN\n  SELECT 1;\nEND\nDELIMITER ;\n",
         {u"[omit]DELIMITER ;;", u"CREATE DEFINER=`root`@`localhost` PROCEDURE p()\nBEGIN\n  SELECT 1;\nEND\n",
          u"[omit]DELIMITER ;"}},
        {"export $$: END without $$ before DELIMITER ;",
         u"DELIMITER $$\r\nCREATE PROCEDURE p()\r\nBEGIN\r\n  SELECT 1;\r\nEND\r\nDELIMITER ;\r\nCALL p();\r\n",
         {u"[omit]DELIMITER $$", u"CREATE PROCEDURE p()\r\nBEGIN\r\n  SELECT 1;\r\nEND\r\n", u"[omit]DELIMITER ;",
          u"CALL p()"}},
        {"hand-written //: a statement without its ; before DELIMITER //",
         u"select 1\ndelimiter //\nselect 2//\ndelimiter ;\n",
         {u"select 1\n", u"[omit]delimiter //", u"select 2", u"[omit]delimiter ;"}},
        {"comments before a DELIMITER line belong to the omitted command",
         u"select 1;\n-- next\nDELIMITER $$\nselect 2$$",
         {u"select 1", u"[omit]-- next\nDELIMITER $$", u"select 2"}},
        {"DELIMITER inside a string or a comment is no command",
         u"select 'a\nDELIMITER $$\n', 1 /*\nDELIMITER $$\n*/ -- x\n;select 2;",
         {u"select 'a\nDELIMITER $$\n', 1 /*\nDELIMITER $$\n*/ -- x\n", u"select 2"}},
        {"several DELIMITER lines in one statement and in the next",
         u"CREATE TABLE t (\ndelimiter int\n) ENGINE=InnoDB\nDELIMITER $$\nselect (1\ndelimiter x\n)$$\n"
         u"select 2\nDELIMITER ;\nselect 3\nDELIMITER //\n",
         {u"CREATE TABLE t (\ndelimiter int\n) ENGINE=InnoDB\n", u"[omit]DELIMITER $$", u"select (1\ndelimiter x\n)",
          u"select 2\n", u"[omit]DELIMITER ;", u"select 3\n", u"[omit]DELIMITER //"}},
        {"a column named delimiter at a line start",
         u"CREATE TABLE t (\n  a int,\ndelimiter varchar(10)\n);\nselect a,\ndelimiter from t;\n"
         u"update t set\ndelimiter = 'x';\nselect 1 as\ndelimiter $$;",
         {u"CREATE TABLE t (\n  a int,\ndelimiter varchar(10)\n)", u"select a,\ndelimiter from t",
          u"update t set\ndelimiter = 'x'", u"select 1 as\ndelimiter $$"}},
    });
}

// Under the script's own ";" the body of a routine stays together while its blocks are
// open: one END closes one block, END IF / END LOOP ... close none.
TEST(RealScriptsTest, RoutineBodiesUnderSemicolon) {
    const std::u16string function =
        u"CREATE FUNCTION f(a INT) RETURNS INT\r\nBEGIN\r\n  DECLARE r INT;\r\n"
        u"  SET r = CASE WHEN a > 0 THEN 1 ELSE 0 END;\r\n"
        u"  CASE a WHEN 1 THEN SET r = 2; ELSE SET r = 3; END CASE;\r\n"
        u"  IF a > 5 THEN SET r = 4; ELSEIF a > 3 THEN IF a = 4 THEN SET r = 5; END IF; END IF;\r\n"
        u"  lbl: WHILE a > 0 DO SET a = a - 1; END WHILE lbl;\r\n"
        u"  REPEAT SET a = a + 1; UNTIL a > 3 END REPEAT;\r\n"
        u"  l2: LOOP LEAVE l2; END LOOP;\r\n"
        u"  blk: BEGIN SELECT 1 INTO r; END blk;\r\n"
        u"  RETURN IF(r > 1, r, 0);\r\nEND";
    CheckCases({
        {"hand-written: nested blocks", u"CREATE PROCEDURE p() BEGIN BEGIN SELECT 1; END; SELECT 2; END;\nSELECT 3;",
         {u"CREATE PROCEDURE p() BEGIN BEGIN SELECT 1; END; SELECT 2; END", u"SELECT 3"}},
        {"export: CASE, IF, loops and labelled blocks in one body", function + u";\r\nSELECT f(1);\r\n",
         {function, u"SELECT f(1)"}},
        {"hand-written: CREATE OR REPLACE and events",
         u"CREATE OR REPLACE PROCEDURE p() BEGIN SELECT 1; END;\n"
         u"CREATE OR REPLACE DEFINER=root@localhost FUNCTION g() RETURNS int BEGIN RETURN 1; END;\n"
         u"CREATE OR REPLACE TRIGGER t AFTER INSERT ON x FOR EACH ROW BEGIN INSERT INTO y VALUES (1); END;\n"
         u"CREATE DEFINER = 'root'@'%' EVENT e ON SCHEDULE EVERY 1 DAY DO BEGIN DELETE FROM y; SELECT 1; END;\n"
         u"ALTER EVENT e DO BEGIN SELECT 2; SELECT 3; END;\n",
         {u"CREATE OR REPLACE PROCEDURE p() BEGIN SELECT 1; END",
          u"CREATE OR REPLACE DEFINER=root@localhost FUNCTION g() RETURNS int BEGIN RETURN 1; END",
          u"CREATE OR REPLACE TRIGGER t AFTER INSERT ON x FOR EACH ROW BEGIN INSERT INTO y VALUES (1); END",
          u"CREATE DEFINER = 'root'@'%' EVENT e ON SCHEDULE EVERY 1 DAY DO BEGIN DELETE FROM y; SELECT 1; END",
          u"ALTER EVENT e DO BEGIN SELECT 2; SELECT 3; END"}},
        {"dump style: a trigger whose body is one IF, without BEGIN",
         u"CREATE TRIGGER t BEFORE INSERT ON x FOR EACH ROW IF NEW.a < 0 THEN SET NEW.a = 0; END IF;\n"
         u"CREATE TRIGGER u BEFORE UPDATE ON x FOR EACH ROW SET NEW.b = IF(NEW.a > 0, 1, 2);\nINSERT INTO x VALUES (1);\n",
         {u"CREATE TRIGGER t BEFORE INSERT ON x FOR EACH ROW IF NEW.a < 0 THEN SET NEW.a = 0; END IF",
          u"CREATE TRIGGER u BEFORE UPDATE ON x FOR EACH ROW SET NEW.b = IF(NEW.a > 0, 1, 2)", u"INSERT INTO x VALUES (1)"}},
        {"other objects are no routines",
         u"CREATE TABLE event (begin int, a int);\nCREATE OR REPLACE VIEW v AS SELECT CASE WHEN 1 THEN 2 END;\nSELECT 3;",
         {u"CREATE TABLE event (begin int, a int)", u"CREATE OR REPLACE VIEW v AS SELECT CASE WHEN 1 THEN 2 END",
          u"SELECT 3"}},
    });
}

}  // namespace
}  // namespace brevant
