// The connection layer's tables: errors, character sets, escaping, the stored
// password form, isolation statements and the reconnect vetoes.

#include <gtest/gtest.h>

#include "mysql/client/DAErrors.h"
#include "mysql/client/EncryptedPassword.h"
#include "mysql/client/MyCharsets.h"
#include "mysql/client/MyEscape.h"
#include "mysql/client/TDAConnectionClient.h"
#include "mysql/client/TMySQLTransaction.h"

namespace brevant {
namespace {

TEST(EMyError, FatalKeyViolationAndLineNumber) {
    struct Case {
        int code;
        const char16_t* message;
        bool fatal, key;
        int line;
    } cases[] = {
        {1053, u"Server shutdown in progress", true, false, 0},
        {2003, u"Can't connect to MySQL server on 'x' (10061)", true, false, 0},
        {2006, u"MySQL server has gone away", true, false, 0},
        {2013, u"Lost connection to MySQL server during query", true, false, 0},
        {1927, u"Connection was killed", false, false, 0},
        {1062, u"#23000Duplicate entry '1' for key 'PRIMARY'", false, true, 0},
        {1064, u"#42000You have an error in your SQL syntax; check the manual near 'x' at line 12", false, false, 12},
        {1064, u"#42000syntax error near 'select 42' at line 3", false, false, 3},
        {1064, u"no digits at all", false, false, 0},
        {1146, u"#42S02Table 't2' doesn't exist at line 9", false, false, 0},  // only syntax errors carry lines
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        EMyError e(c.code, c.message);
        EXPECT_EQ(e.ErrorCode(), c.code);
        EXPECT_EQ(e.Message(), c.message);
        EXPECT_EQ(e.IsFatalError(), c.fatal);
        EXPECT_EQ(e.IsKeyViolation(), c.key);
        EXPECT_EQ(e.LineNumber(), c.line);
    }
    EXPECT_FALSE(EDAError(2013, u"generic").IsFatalError());  // a generic error is never fatal
}

TEST(MyCharsets, CodePageTable) {
    // Over every code page: a set is a plain name the session can send, and
    // the 43 code pages with a set are the only ones.
    int withSet = 0;
    for (unsigned cp = 0; cp <= 65535; ++cp) {
        const UString charset = CharsetForCodePage(cp);
        if (charset.empty()) continue;
        ++withSet;
        EXPECT_TRUE(IsPlainCharsetName(charset)) << cp;
    }
    EXPECT_EQ(withSet, 43);
    // A few rows: the DOS, Windows, Mac, ISO and Unicode families, shared sets
    // and code pages without one.
    struct Case {
        unsigned cp;
        const char16_t* charset;
    } cases[] = {
        {437, u"cp850"},    {858, u"cp850"},      {932, u"cp932"},  {1252, u"latin1"},
        {28591, u"latin1"}, {10000, u"macroman"}, {10002, u"big5"}, {21866, u"koi8u"},
        {51936, u"gb2312"}, {65001, u"utf8"},     {0, u""},         {1200, u""},
        {1258, u""},        {28595, u""},         {65000, u""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cp);
        EXPECT_EQ(CharsetForCodePage(c.cp), c.charset);
    }
}

TEST(MyCharsets, MaxLengthTable) {
    struct Case {
        const char16_t* charset;
        int length;
    } cases[] = {
        {u"utf32", 4}, {u"utf16le", 4}, {u"utf16", 4}, {u"utf8mb4", 4}, {u"eucjpms", 3}, {u"utf8", 3}, {u"utf8mb3", 3},
        {u"ujis", 3},  {u"cp932", 2},   {u"ucs2", 2},  {u"gbk", 2},     {u"gb2312", 2},  {u"euckr", 2},
        {u"sjis", 2},  {u"big5", 2},    {u"latin1", 1}, {u"cp1251", 1}, {u"", 1},        {u"unknown", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Narrow(c.charset));
        EXPECT_EQ(CharsetMaxLength(c.charset), c.length);
    }
}

TEST(MyCharsets, Utf8Names) {
    for (const char16_t* name : {u"utf8", u"UTF8", u"utf8mb3", u"Utf8Mb3", u"utf8mb4", u"UTF8MB4"})
        EXPECT_TRUE(IsUtf8Charset(name)) << Narrow(name);
    for (const char16_t* name : {u"", u"latin1", u"utf16", u"utf8mb5", u"utf8 ", u"ucs2"})
        EXPECT_FALSE(IsUtf8Charset(name)) << Narrow(name);
}

TEST(MyCharsets, PlainNames) {
    EXPECT_TRUE(IsPlainCharsetName(u"utf8mb4"));
    EXPECT_TRUE(IsPlainCharsetName(u"ucs2_bin"));
    EXPECT_FALSE(IsPlainCharsetName(u""));
    EXPECT_FALSE(IsPlainCharsetName(u"latin1'; DROP TABLE t; --"));
    EXPECT_FALSE(IsPlainCharsetName(u"utf8 "));
}

TEST(MyEscape, WithAndWithoutBackslashes) {
    struct Case {
        const char* name;
        std::string value;
        std::string backslashes;
        std::string noBackslashes;
    } cases[] = {
        {"plain", "abc", "'abc'", "'abc'"},
        {"empty", "", "''", "''"},
        {"quote", "O'Brien", "'O\\'Brien'", "'O''Brien'"},
        {"double quote", "say \"hi\"", "'say \\\"hi\\\"'", "'say \"hi\"'"},
        {"backslash", "a\\b", "'a\\\\b'", "'a\\b'"},
        {"NUL", std::string("a\0b", 3), "'a\\0b'", std::string("'a\0b'", 5)},
        {"LF CR", "a\nb\rc", "'a\\nb\\rc'", "'a\nb\rc'"},
        {"ctrl-Z", "a\x1A" "b", "'a\\Zb'", "'a\x1A" "b'"},
        {"tab stays", "a\tb", "'a\tb'", "'a\tb'"},
        {"two quotes", "''", "'\\'\\''", "''''''"},
        {"high bytes", "\xC3\xA9", "'\xC3\xA9'", "'\xC3\xA9'"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(EscapeAndQuoteStr(c.value, true), c.backslashes);
        EXPECT_EQ(EscapeAndQuoteStr(c.value, false), c.noBackslashes);
        UString wide = Widen(c.value);
        EXPECT_EQ(EscapeAndQuoteWideStr(wide, true), Widen(c.backslashes));
        EXPECT_EQ(EscapeAndQuoteWideStr(wide, false), Widen(c.noBackslashes));
    }
    EXPECT_EQ(EscapeAndQuoteWideStr(u"\u00D1o'\u00F1o", true), u"'\u00D1o\\'\u00F1o'");
}

TEST(MyEscape, DoubleByteTrailIsNotABackslash) {
    // 0xBF 0x5C is one gbk character; escaping its trail byte would end it early
    // and let the following quote close the literal.
    const std::string value = "\xBF\x5C' OR 1=1 -- ";
    EXPECT_EQ(EscapeAndQuoteStr(value, true, u"gbk"), "'\xBF\x5C\\' OR 1=1 -- '");
    EXPECT_EQ(EscapeAndQuoteStr("\x95\x5C", true, u"sjis"), "'\x95\x5C'");
    EXPECT_EQ(EscapeAndQuoteStr("\x95\x5C", true, u"cp932"), "'\x95\x5C'");
    // In a single-byte set the same bytes are two characters.
    EXPECT_EQ(EscapeAndQuoteStr("\xBF\x5C", true, u"latin1"), "'\xBF\\\\'");
    // A lead byte before a byte that cannot be a trail is escaped as usual.
    EXPECT_EQ(EscapeAndQuoteStr("\xBF'", true, u"gbk"), "'\xBF\\''");
    EXPECT_EQ(EscapeAndQuoteStr("\xBF", true, u"gbk"), "'\xBF'");
}

TEST(EncryptedPassword, RoundTripsAndHidesThePassword) {
    const UString passwords[] = {u"", u"secret", u"aaaa", u"contraseña€", u"\U0001F600x"};
    for (const auto& p : passwords) {
        SCOPED_TRACE(Narrow(p));
        const UString stored = EncryptPassword(p);
        EXPECT_EQ(stored.size(), p.size() * 4);
        for (char16_t c : stored) EXPECT_TRUE((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F'));
        EXPECT_EQ(DecryptPassword(stored), p);
        if (!p.empty()) EXPECT_EQ(stored.find(Widen(Narrow(p))), UString::npos);
    }
    // Lower-case hex reads back too.
    EXPECT_EQ(DecryptPassword(LowerCaseAscii(EncryptPassword(u"Secret1"))), u"Secret1");
}

TEST(EncryptedPassword, RejectsTextNoPasswordGives) {
    for (const UString bad : {UString(u"ABC"), UString(u"AB"), UString(u"ZZZZ"), UString(u"12 4")}) {
        SCOPED_TRACE(Narrow(bad));
        EXPECT_THROW(DecryptPassword(bad), EDatabaseError);
    }
}

TEST(IsolationStatements, Table) {
    struct Case {
        TCRIsolationLevel level;
        const char16_t* session;
        const char16_t* transaction;
    } cases[] = {
        {ilReadCommitted, u"SET SESSION TRANSACTION ISOLATION LEVEL READ COMMITTED",
         u"SET TRANSACTION ISOLATION LEVEL READ COMMITTED"},
        {ilReadUnCommitted, u"SET SESSION TRANSACTION ISOLATION LEVEL READ UNCOMMITTED",
         u"SET TRANSACTION ISOLATION LEVEL READ UNCOMMITTED"},
        {ilRepeatableRead, u"SET SESSION TRANSACTION ISOLATION LEVEL REPEATABLE READ",
         u"SET TRANSACTION ISOLATION LEVEL REPEATABLE READ"},
        {ilSerializable, u"SET SESSION TRANSACTION ISOLATION LEVEL SERIALIZABLE",
         u"SET TRANSACTION ISOLATION LEVEL SERIALIZABLE"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.level));
        EXPECT_EQ(UString(SessionIsolationStatement(c.level)), c.session);
        EXPECT_EQ(UString(TransactionIsolationStatement(c.level)), c.transaction);
    }
    EXPECT_EQ(SessionIsolationStatement(ilSnapshot), nullptr);
    EXPECT_EQ(TransactionIsolationStatement(ilCustom), nullptr);
}

TEST(ReconnectVetoes, DataSetRule) {
    struct Case {
        const char* name;
        bool prepared, active, fetchAll, fetched, failing;
        TConnLostCause cause;
        bool veto;
    } cases[] = {
        {"prepared always vetoes", true, false, false, false, false, clTransStart, true},
        {"closed dataset", false, false, false, false, false, clExecute, false},
        {"open, half fetched", false, true, false, false, false, clExecute, true},
        {"open, fetch all", false, true, true, false, false, clExecute, false},
        {"open, fully fetched", false, true, false, true, false, clExecute, false},
        {"transaction start exempts all", false, true, false, false, true, clTransStart, false},
        {"open: other datasets exempt", false, true, false, false, false, clOpen, false},
        {"open: the failing one vetoes", false, true, false, false, true, clOpen, true},
        {"refresh: the failing one exempt", false, true, false, false, true, clRefresh, false},
        {"refresh: others veto", false, true, false, false, false, clRefresh, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(DataSetVetoesReconnect(c.prepared, c.active, c.fetchAll, c.fetched, c.failing, c.cause), c.veto);
    }
    EXPECT_TRUE(CommandVetoesReconnect(true, false));
    EXPECT_FALSE(CommandVetoesReconnect(true, true));
    EXPECT_FALSE(CommandVetoesReconnect(false, false));
}

}  // namespace
}  // namespace brevant
