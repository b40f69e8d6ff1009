// The command component without a server: parameters found by the lexer, macros,
// the literal forms of values, the final text and the parameter list's life.

#include <gtest/gtest.h>

#include <cfloat>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <limits>

#include "core/DateTime.h"
#include "mysql/client/DAConsts.h"
#include "mysql/client/MyLiterals.h"
#include "mysql/client/ParamParser.h"
#include "mysql/client/TMacros.h"
#include "mysql/client/TMyCommand.h"

namespace brevant {
namespace {

struct ParseCase {
    const char* name;
    const char16_t* sql;
    const char16_t* parsed;
    std::vector<UString> names;
};

TEST(ParseSQL, FindsParametersOnlyWhereTheLexerSeesThem) {
    const ParseCase cases[] = {
        {"quoted colon stays text", u"update t set a = ':x' where b = :y", u"update t set a = ':x' where b = ?", {u"y"}},
        {"line comment", u"select 1 -- :p", u"select 1 -- :p", {}},
        {"hash comment", u"select 1 # :p", u"select 1 # :p", {}},
        {"block comment", u"select 1 /* :p */", u"select 1 /* :p */", {}},
        {"after a comment line", u"select 1 -- :p\n, :q", u"select 1 -- :p\n, ?", {u"q"}},
        {"double-quoted string", u"select \":x\", :y", u"select \":x\", ?", {u"y"}},
        {"back-quoted name", u"select `a:b` from t where c=:c", u"select `a:b` from t where c=?", {u"c"}},
        {"escaped quote keeps the string open", u"select 'a\\':x'", u"select 'a\\':x'", {}},
        {"doubled quote", u"select 'it''s :x', :y", u"select 'it''s :x', ?", {u"y"}},
        {"label BEGIN", u"lbl:BEGIN select 1; END", u"lbl:BEGIN select 1; END", {}},
        {"label with blank", u"lbl: BEGIN select 1; END", u"lbl: BEGIN select 1; END", {}},
        {"label LOOP", u"l1:LOOP", u"l1:LOOP", {}},
        {"label REPEAT", u"l1:REPEAT", u"l1:REPEAT", {}},
        {"label WHILE", u"l1:WHILE", u"l1:WHILE", {}},
        {"keyword after an operator", u"where a=:begin", u"where a=?", {u"begin"}},
        {"other keyword", u"select :select", u"select ?", {u"select"}},
        {"assignment", u"set @a := 1", u"set @a := 1", {}},
        {"assignment without blank", u"select @a:=1", u"select @a:=1", {}},
        {"at name", u"select :@v", u"select ?", {u"@v"}},
        {"number and identifier", u"select :1abc", u"select ?", {u"1abc"}},
        {"number then blank", u"select :1 abc", u"select ? abc", {u"1"}},
        {"back-quoted parameter", u"select :`my param`", u"select ?", {u"my param"}},
        {"repeated names", u"select :a, :a, :b", u"select ?, ?, ?", {u"a", u"a", u"b"}},
        {"double colon", u"select ::a", u"select :?", {u"a"}},
        {"colon then blank", u"select : a", u"select : a", {}},
        {"colon at the end", u"select x:", u"select x:", {}},
        {"non-ASCII name", u"select :\u00F1ame", u"select ?", {u"\u00F1ame"}},
        {"no colon", u"select 1", u"select 1", {}},
    };
    for (const ParseCase& c : cases) {
        SCOPED_TRACE(c.name);
        const TParsedSQL p = ParseSQLParams(c.sql);
        EXPECT_EQ(p.SQL, UString(c.parsed));
        EXPECT_EQ(p.Names, c.names);
        ASSERT_EQ(p.Infos.size(), c.names.size());
        for (std::size_t i = 0; i < p.Infos.size(); ++i) {
            EXPECT_EQ(p.SQL.substr(p.Infos[i].StartPosition, p.Infos[i].EndPosition - p.Infos[i].StartPosition), u"?");
            EXPECT_EQ(p.Infos[i].ParamRef, static_cast<int>(i));
        }
    }
}

TEST(ParseSQL, NotesTheStatementType) {
    const std::pair<const char16_t*, TParsedSQLType> cases[] = {
        {u"DELETE FROM t WHERE a=:a", qtDelete}, {u"insert into t values (:a)", qtInsert},
        {u"  select :a", qtSelect},                {u"WITH x AS (SELECT 1) SELECT * FROM x", qtSelect},
        {u"(select 1)", qtSelect},                 {u"update t set a=:a", qtUpdate},
        {u"set @a = 1", qtUnknown},                {u"", qtUnknown},
    };
    for (const auto& [sql, type] : cases) EXPECT_EQ(ParseSQLParams(sql).SQLType, type) << Narrow(sql);
}

TEST(Macros, ScanFindsNamesOutsideStringsAndComments) {
    const std::pair<const char16_t*, std::vector<UString>> cases[] = {
        {u"select * from &tbl where &cond", {u"tbl", u"cond"}},
        {u"select '&x', \"&y\", `&z` -- &w\n/* &v */", {}},
        {u"select a & b, a&1", {}},
        {u"select a&&b", {u"b"}},
        {u"select &where, &where", {u"where"}},
    };
    for (const auto& [sql, names] : cases) {
        TMacros m;
        m.Scan(sql);
        std::vector<UString> found;
        for (std::size_t i = 0; i < m.Count(); ++i) found.push_back(m[i].Name());
        EXPECT_EQ(found, names) << Narrow(sql);
    }
}

TEST(Macros, ExpandReplacesGivenMacrosAndLeavesOthersAsWritten) {
    TMacros m;
    const UString sql = u"DELETE FROM &tbl WHERE flags&mask AND '&tbl' = x&other";
    m.Scan(sql);
    ASSERT_EQ(m.Count(), 3u);
    // Never given a value: the text stays exactly as written (a bitwise AND here).
    EXPECT_EQ(m.Expand(sql), sql);
    m.MacroByName(u"tbl").SetValue(u"t1");
    EXPECT_EQ(m.Expand(sql), u"DELETE FROM t1 WHERE flags&mask AND '&tbl' = x&other");
    m.MacroByName(u"MASK").SetValue(u"");  // given, empty
    EXPECT_EQ(m.Expand(sql), u"DELETE FROM t1 WHERE flags AND '&tbl' = x&other");
    m.MacroByName(u"other").SetActive(false);  // inactive: removed
    EXPECT_EQ(m.Expand(sql), u"DELETE FROM t1 WHERE flags AND '&tbl' = x");
    EXPECT_EQ(m.Expand(u"select &unknown"), u"select &unknown");
    EXPECT_EQ(m.Expand(u"select 1"), u"select 1");
}

TEST(Macros, RescanKeepsValuesOfMacrosThatStay) {
    TMacros m;
    int changes = 0;
    m.OnChanged = [&] { ++changes; };
    m.Scan(u"select &a, &b");
    m.MacroByName(u"a").SetValue(u"1");
    m.MacroByName(u"b").SetValue(u"2");
    EXPECT_EQ(changes, 2);
    TMacro* before = m.FindMacro(u"a");
    m.Scan(u"select &b, &a");  // the list of names changed (order)
    EXPECT_NE(m.FindMacro(u"a"), nullptr);
    EXPECT_EQ(m.MacroByName(u"a").Value(), u"1");
    EXPECT_EQ(m.MacroByName(u"b").Value(), u"2");
    m.Scan(u"select &b, &a, &c");
    EXPECT_FALSE(m.MacroByName(u"c").Assigned());
    EXPECT_TRUE(m.MacroByName(u"c").Active());
    m.Scan(u"select &b, &a, &c");  // same names: nothing replaced
    TMacro* c = m.FindMacro(u"c");
    m.Scan(u"select &b, &a, &c");
    EXPECT_EQ(m.FindMacro(u"c"), c);
    (void)before;
    try {
        m.MacroByName(u"zz");
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), u"Macro 'zz' not found");
    }
}

TDateTime Date(int y, int m, int d) {
    TDateTime v = 0;
    EXPECT_TRUE(TryEncodeDate(y, m, d, v));
    return v;
}

TDateTime Hms(int h, int m, int s, int ms = 0) { return (h * 3600000.0 + m * 60000.0 + s * 1000.0 + ms) / MSecsPerDay; }

std::string Literal(TDataType type, const TVariant& v, bool backslashes = true, bool utf8 = true) {
    std::string out;
    AppendValueToSQL(out, type, v, TLiteralContext{utf8, backslashes, UStringView()});
    return out;
}

TEST(Literals, EveryRule) {
    struct Case {
        const char* name;
        TDataType type;
        TVariant value;
        std::string expected;
    };
    const Case cases[] = {
        {"null", dtInteger, TVariant::Null(), "NULL"},
        {"empty variant", dtString, TVariant(), "NULL"},
        {"zero date", dtDate, TVariant::FromDateTime(ZeroDate()), "'0000-00-00 00:00:00'"},
        {"zero date-time", dtDateTime, TVariant::FromDateTime(ZeroDate()), "'0000-00-00 00:00:00'"},
        {"empty string", dtString, TVariant(u""), "''"},
        {"quote", dtWideString, TVariant(u"O'Brien"), "'O\\'Brien'"},
        {"specials", dtMemo, TVariant(UString(u"\"\\\0\r\n\x1A", 6)), "'\\\"\\\\\\0\\r\\n\\Z'"},
        {"non-ASCII as UTF-8", dtString, TVariant(u"\u00F1\u20AC"), "'\xC3\xB1\xE2\x82\xAC'"},
        {"bytes", dtBlob, TVariant::FromBytes(std::string("\0\x1A'\xFF", 4)), std::string("'\\0\\Z\\'\xFF'")},
        {"float shortest", dtFloat, TVariant(0.1), "0.1"},
        {"float large", dtFloat, TVariant(1e300), "1e+300"},
        {"float max", dtFloat, TVariant(DBL_MAX), "1.7976931348623157e+308"},
        {"float negative tiny", dtFloat, TVariant(-4.9406564584124654e-324), "-5e-324"},
        {"single", dtSingle, TVariant(0.5), "0.5"},
        {"currency", dtCurrency, TVariant(12.25), "12.25"},
        {"fmtbcd exact", dtFMTBCD, TVariant::FromDecimal("12345678901234567890.123456789"),
         "12345678901234567890.123456789"},
        {"bcd rounded", dtBCD, TVariant::FromDecimal("1.23456"), "1.2346"},
        {"bcd carry", dtBCD, TVariant::FromDecimal("-9.99995"), "-10.0000"},
        {"bcd double", dtBCD, TVariant(2.00004), "2"},
        {"date", dtDate, TVariant::FromDateTime(Date(2024, 2, 29)), "'2024-02-29'"},
        {"date-time", dtDateTime, TVariant::FromDateTime(Date(2024, 1, 2) + Hms(3, 4, 5)), "'2024-01-02 03:04:05'"},
        {"date-time ms", dtDateTime, TVariant::FromDateTime(Date(2024, 1, 2) + Hms(3, 4, 5, 678)),
         "'2024-01-02 03:04:05.678'"},
        {"time stamp", dtSQLTimeStamp, TVariant::FromDateTime(Date(1999, 12, 31) + Hms(23, 59, 59)),
         "'1999-12-31 23:59:59'"},
        {"time negative", dtTime, TVariant::FromDateTime(-Hms(1, 30, 0)), "'-1:30:00'"},
        {"time above a day", dtTime, TVariant::FromDateTime(Hms(838, 59, 59)), "'838:59:59'"},
        {"time most negative", dtTime, TVariant::FromDateTime(-Hms(838, 59, 59)), "'-838:59:59'"},
        {"time ms", dtTime, TVariant::FromDateTime(Hms(12, 34, 56, 789)), "'12:34:56.789'"},
        {"negative time keeps ms", dtTime, TVariant::FromDateTime(-Hms(0, 0, 1, 500)), "'-0:00:01.500'"},
        {"time zero", dtTime, TVariant::FromDateTime(0), "'0:00:00'"},
        {"boolean true", dtBoolean, TVariant(true), "1"},
        {"boolean false", dtBoolean, TVariant(false), "0"},
        {"int64 min", dtLargeint, TVariant(std::numeric_limits<long long>::min()), "-9223372036854775808"},
        {"int64 max", dtLargeint, TVariant(std::numeric_limits<long long>::max()), "9223372036854775807"},
        {"uint64 max", dtUInt64, TVariant(std::numeric_limits<unsigned long long>::max()), "18446744073709551615"},
        {"uint64 2^63 as largeint", dtLargeint, TVariant(9223372036854775808ull), "9223372036854775808"},
        {"uint64 from text", dtUInt64, TVariant(u"18446744073709551615"), "18446744073709551615"},
        {"integer", dtInteger, TVariant(-42), "-42"},
        {"unknown type by value: text", dtUnknown, TVariant(u"a'b"), "'a\\'b'"},
        {"unknown type by value: integer", dtUnknown, TVariant(7), "7"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Literal(c.type, c.value), c.expected);
    }
}

TEST(Literals, FollowTheEscapingMode) {
    const std::pair<UString, std::string> cases[] = {
        {u"O'Brien", "'O''Brien'"},
        {u"ends with \\", "'ends with \\'"},
        {UString(u"nul\0\r\n\x1A\"", 8), std::string("'nul\0\r\n\x1A\"'", 10)},
    };
    for (const auto& [value, expected] : cases) EXPECT_EQ(Literal(dtString, TVariant(value), false), expected);
    // With backslash escapes a trailing backslash cannot break out of its quotes.
    EXPECT_EQ(Literal(dtString, TVariant(u"x\\"), true), "'x\\\\'");
}

TEST(Literals, TextInTheCodePageForA8BitSession) {
    EXPECT_EQ(Literal(dtString, TVariant(u"caf\u00E9"), true, false), "'caf\xE9'");
}

TEST(Literals, FloatsIgnoreTheLocale) {
    const char* locales[] = {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "C.UTF-8"};
    const char* chosen = nullptr;
    for (const char* l : locales)
        if (std::setlocale(LC_ALL, l)) {
            chosen = l;
            break;
        }
    EXPECT_EQ(Literal(dtFloat, TVariant(1234.5)), "1234.5");
    EXPECT_EQ(Literal(dtBCD, TVariant(0.25)), "0.25");
    std::setlocale(LC_ALL, "C");
    if (!chosen) GTEST_SKIP() << "no other locale installed";
}

TEST(Literals, RefuseValuesThatAreNotLiterals) {
    EXPECT_THROW(Literal(dtFloat, TVariant(std::nan(""))), EDatabaseError);
    EXPECT_THROW(Literal(dtFloat, TVariant(HUGE_VAL)), EDatabaseError);
    EXPECT_THROW(Literal(dtFMTBCD, TVariant::FromDecimal("1; DROP TABLE t")), EDatabaseError);
    EXPECT_THROW(Literal(dtInteger, TVariant(u"12 OR 1=1")), EConvertError);
    EXPECT_THROW(Literal(dtDate, TVariant::FromDateTime(1e12)), EDatabaseError);
}

TEST(Command, FinalSQLIsTrimmedAndMacrosExpanded) {
    TMyCommand cmd;
    cmd.SetSQLText(u"\r\n  \r\n  select * from &t \r\n\t\r\n\r\n");
    EXPECT_EQ(cmd.GetFinalSQL(), u"select * from &t");
    cmd.MacroByName(u"t").SetValue(u"x");
    EXPECT_EQ(cmd.GetFinalSQL(), u"select * from x");
    EXPECT_EQ(cmd.ICommand().GetSQL(), u"select * from x");  // assembled again at once
}

TEST(Command, ParamsAreRebuiltAndKeepTheirValuesByName) {
    TMyCommand cmd;
    cmd.SetSQLText(u"insert into t values (:a, :b)");
    ASSERT_EQ(cmd.Params().Count(), 2u);
    cmd.ParamByName(u"a").SetAsInteger(1);
    cmd.ParamByName(u"B").SetAsString(u"x");
    cmd.SetSQLText(u"insert into t values (:b, :c, :a)");
    ASSERT_EQ(cmd.Params().Count(), 3u);
    EXPECT_EQ(cmd.Params()[0].Name(), u"b");
    EXPECT_EQ(cmd.Params()[0].AsString(), u"x");
    EXPECT_FALSE(cmd.Params()[1].Bound());
    EXPECT_EQ(cmd.Params()[2].AsLargeInt(), 1);
    EXPECT_EQ(cmd.Params()[2].DataType(), dtInteger);
    EXPECT_EQ(cmd.FindParam(u"zz"), nullptr);
    try {
        cmd.ParamByName(u"zz");
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), u"Parameter 'zz' not found");
    }
    // With ParamCheck off the list is the user's own.
    cmd.SetParamCheck(false);
    cmd.Params().Clear();
    cmd.SetSQLText(u"select :p");
    EXPECT_EQ(cmd.Params().Count(), 0u);
}

TEST(Command, ExecuteWithoutConnection) {
    TMyCommand cmd;
    cmd.SetSQLText(u"select 1");
    try {
        cmd.Execute();
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), SConnectionNotDefined);
    }
}

TEST(Command, OutlivesItsConnection) {
    TMyCommand cmd;
    {
        TMyConnection conn;
        cmd.SetConnection(&conn);
        cmd.SetSQLText(u"select 1");
    }
    EXPECT_EQ(cmd.Connection(), nullptr);
    EXPECT_THROW(cmd.Execute(), EDatabaseError);
}

TEST(Command, ParameterCountMustMatch) {
    TMySQLConnection session;  // not connected: an 8-bit session with backslash escapes
    TMySQLCommand cmd(&session);
    cmd.SetSQL(u"select :a, :b");
    cmd.ParseSQL();
    cmd.Params()[0].Value = TVariant(1);
    cmd.Params()[1].Value = TVariant(u"x");
    EXPECT_EQ(cmd.FinalSQLBytes(), "select 1, 'x'");
    cmd.Params().pop_back();
    try {
        cmd.FinalSQLBytes();
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), u"Incorrect parameter count. Expected: 2; Actual: 1");
    }
    // Without recorded positions the values go to the "?" tokens in order.
    cmd.SetScanParams(false);
    cmd.SetSQL(u"select ?, '?', ? -- ?");
    cmd.Params().assign(2, TParamDesc{});
    cmd.Params()[0].Value = TVariant(u"a");
    cmd.Params()[1].Value = TVariant::Null();
    EXPECT_EQ(cmd.FinalSQLBytes(), "select 'a', '?', NULL -- ?");
    cmd.Params().resize(3);
    EXPECT_THROW(cmd.FinalSQLBytes(), EDatabaseError);
}

}  // namespace
}  // namespace brevant
