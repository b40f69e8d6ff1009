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
        {"form feed and Ctrl-Z between statements", u"select 1;\f\nselect 2;\r\n\x1A",
         {u"select 1", u"select 2"}},
    });
}

}  // namespace
}  // namespace brevant
