// Tokens of the MySQL, SQL and generic lexers over text in memory.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "script/lexer/TMyParser.h"

namespace brevant {
namespace {

struct Tok {
    int code;
    std::u16string text;
    bool operator==(const Tok&) const = default;
};

void PrintTo(const Tok& t, std::ostream* os) { *os << "{" << t.code << ", \"" << Narrow(t.text) << "\"}"; }

std::vector<Tok> Lex(TParser& p) {
    std::vector<Tok> out;
    UString text;
    for (int code; (code = p.GetNext(text)) != lcEnd;) out.push_back({code, text});
    return out;
}

struct Case {
    const char* name;
    std::u16string text;
    std::vector<Tok> expected;
    std::function<void(TParser&)> setup = nullptr;
};

TEST(TMyParserTest, Tokens) {
    const auto keepBlanks = [](TParser& p) { p.OmitBlank = false; };
    const std::vector<Case> cases = {
        {"keywords case-insensitive, upper-cased", u"sElEct a FROM t",
         {{lxSELECT, u"SELECT"}, {lcIdent, u"a"}, {lxFROM, u"FROM"}, {lcIdent, u"t"}}},
        {"keywords of both tables", u"straight_join delimiter values while",
         {{lxSTRAIGHT_JOIN, u"STRAIGHT_JOIN"}, {lxDELIMITER, u"DELIMITER"}, {lxVALUES, u"VALUES"},
          {lxWHILE, u"WHILE"}}},
        {"keyword text kept without Uppered", u"select",
         {{lxSELECT, u"select"}}, [](TParser& p) { p.Uppered = false; }},
        {"identifiers with $ and non-ASCII letters", u"$$ END$$ ñame x1",
         {{lcIdent, u"$$"}, {lcIdent, u"END$$"}, {lcIdent, u"ñame"}, {lcIdent, u"x1"}}},
        {"hash comment to the line end", u"# c;\nx",
         {{lcComment, u"# c;"}, {lcIdent, u"x"}}},
        {"hash right after a name or a number starts a comment", u"a#b ';'\n1#c\nd",
         {{lcIdent, u"a"}, {lcComment, u"#b ';'"}, {lcNumber, u"1"}, {lcComment, u"#c"}, {lcIdent, u"d"}}},
        {"dash-dash-space comment", u"a -- c ; d\r\nb",
         {{lcIdent, u"a"}, {lcComment, u"-- c ; d"}, {lcIdent, u"b"}}},
        {"--x is two minus symbols and a name", u"--x",
         {{lcSymbol, u"-"}, {lcSymbol, u"-"}, {lcIdent, u"x"}}},
        {"dash-dash before a tab, a line break or a control character is a comment",
         u"--\tit's\n--\n--\r\n--\x01x\n---x",
         {{lcComment, u"--\tit's"}, {lcComment, u"--"}, {lcComment, u"--"}, {lcComment, u"--\x01x"},
          {lcSymbol, u"-"}, {lcSymbol, u"-"}, {lcSymbol, u"-"}, {lcIdent, u"x"}}},
        {"dash-dash at the end of the text is a comment", u"a --", {{lcIdent, u"a"}, {lcComment, u"--"}}},
        {"-- with nothing after the space is a comment", u"-- ", {{lcComment, u"-- "}}},
        {"block comment over lines", u"/* a\n b */x /* open",
         {{lcComment, u"/* a\n b */"}, {lcIdent, u"x"}, {lcComment, u"/* open"}}},
        {"comments skipped with OmitComment", u"a /* b */ # c\n-- d\ne",
         {{lcIdent, u"a"}, {lcIdent, u"e"}}, [](TParser& p) { p.OmitComment = true; }},
        {"only inline comments skipped", u"# c\n/*b*/",
         {{lcComment, u"/*b*/"}}, [](TParser& p) { p.OmitInlineComment = true; }},
        {"doubled quote gives two strings", u"'it''s'",
         {{lcString, u"it"}, {lcString, u"s"}}},
        {"back-slash escapes the quote", uR"('a\'b' "c\"d")",
         {{lcString, uR"(a\'b)"}, {lcString, uR"(c\"d)"}}},
        {"quotes kept with QuotedString", u"'x' \"y\"",
         {{lcString, u"'x'"}, {lcString, u"\"y\""}}, [](TParser& p) { p.QuotedString = true; }},
        {"unterminated string takes the rest", u"'abc; d",
         {{lcString, u"abc; d"}}},
        {"string over lines", u"'a\nb'", {{lcString, u"a\nb"}}},
        {"back-quoted names keep their quotes", uR"(`my col` `a;b` `c\`)",
         {{lcIdent, u"`my col`"}, {lcIdent, u"`a;b`"}, {lcIdent, uR"(`c\`)"}}},
        {"numbers with the decimal separator", u"12 3.25 4. 1e5",
         {{lcNumber, u"12"}, {lcNumber, u"3.25"}, {lcNumber, u"4"}, {lxPoint, u"."},
          {lcNumber, u"1"}, {lcIdent, u"e5"}}},
        {"symbols with own codes", u"*,./:;=()@?",
         {{lxAsterisk, u"*"}, {lxComma, u","}, {lxPoint, u"."}, {lxSlash, u"/"}, {lxColon, u":"},
          {lxSemicolon, u";"}, {lxEqual, u"="}, {lxLeftBracket, u"("}, {lxRightBracket, u")"},
          {lxAt, u"@"}, {lxQuestion, u"?"}}},
        {"symbols without own codes", u"!%&+<>[]^{}|~\\\x7F",
         {{lcSymbol, u"!"}, {lcSymbol, u"%"}, {lcSymbol, u"&"}, {lcSymbol, u"+"}, {lcSymbol, u"<"},
          {lcSymbol, u">"}, {lcSymbol, u"["}, {lcSymbol, u"]"}, {lcSymbol, u"^"}, {lcSymbol, u"{"},
          {lcSymbol, u"}"}, {lcSymbol, u"|"}, {lcSymbol, u"~"}, {lcSymbol, u"\\"}, {lcSymbol, u"\x7F"}}},
        {"blanks returned when not omitted", u"a \t\r\nb\n",
         {{lcIdent, u"a"}, {lcBlank, u" \t\r\n"}, {lcIdent, u"b"}, {lcBlank, u"\n"}}, keepBlanks},
        {"form feed, vertical tab and Ctrl-Z are blanks", u"a\f\v\x1A b\x1A",
         {{lcIdent, u"a"}, {lcBlank, u"\f\v\x1A "}, {lcIdent, u"b"}, {lcBlank, u"\x1A"}}, keepBlanks},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TMyParser p(c.text);
        if (c.setup) c.setup(p);
        EXPECT_EQ(Lex(p), c.expected);
    }
}

TEST(TMyParserTest, UnknownSymbolError) {
    const struct {
        std::u16string text;
        std::u16string message;
    } cases[] = {
        {u"select 1\x01", u"Parser: The unknown symbol $0001  '\x01'"},
        {std::u16string(u"a\0b", 3), std::u16string(u"Parser: The unknown symbol $0000  '\0'", 37)},
        {u"\x1B", u"Parser: The unknown symbol $001B  '\x1B'"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Narrow(c.message));
        TMyParser p(c.text);
        try {
            Lex(p);
            ADD_FAILURE() << "no error";
        } catch (const EParserError& e) {
            EXPECT_EQ(e.Message(), c.message);
        }
    }
    // Inside strings and comments any character is text.
    TMyParser q(u"'\f' /* \x01 */ # \x02\n");
    EXPECT_EQ(Lex(q).size(), 3u);
}

TEST(TSQLParserTest, DialectDifferences) {
    TSQLParser sql(u"alter show # x --y");
    EXPECT_EQ(Lex(sql), (std::vector<Tok>{{lcIdent, u"alter"}, {lcIdent, u"show"}, {lcSymbol, u"#"},
                                           {lcIdent, u"x"}, {lcComment, u"--y"}}));
    TParser generic(u"$ % select");
    EXPECT_EQ(Lex(generic), (std::vector<Tok>{{lxDollar, u"$"}, {lxPercent, u"%"}, {lcIdent, u"select"}}));
}

TEST(TMyParserTest, PositionsLinesAndColumns) {
    TMyParser p(u"ab\r\ncd\n  'e\rf' g");
    struct Pos { int code; std::int64_t pos, line, col, endPos, endLine, endCol; };
    const Pos expected[] = {
        {lcIdent, 0, 0, 0, 2, 0, 2},
        {lcIdent, 2, 0, 2, 6, 1, 2},    // the read starts before the skipped line break
        {lcString, 6, 1, 2, 14, 3, 2},  // a lone CR inside the string is a line break
        {lcIdent, 14, 3, 2, 16, 3, 4},
    };
    for (const Pos& e : expected) {
        SCOPED_TRACE(e.pos);
        EXPECT_EQ(p.GetNextToken(), e.code);
        EXPECT_EQ(p.PrevPos(), e.pos);
        EXPECT_EQ(p.PrevLine(), e.line);
        EXPECT_EQ(p.PrevCol(), e.col);
        EXPECT_EQ(p.CurrPos(), e.endPos);
        EXPECT_EQ(p.CurrLine(), e.endLine);
        EXPECT_EQ(p.CurrCol(), e.endCol);
    }
    EXPECT_EQ(p.GetNextToken(), lcEnd);
}

TEST(TMyParserTest, BackToBeginAndToLexem) {
    TMyParser p(u"select (select 1 from x) from t where a");
    UString text;
    EXPECT_EQ(p.GetNext(text), lxSELECT);
    EXPECT_EQ(p.GetNext(text), lxLeftBracket);
    p.Back();
    EXPECT_EQ(p.GetNext(text), lxLeftBracket);
    p.ToBegin();
    EXPECT_EQ(p.ToLexem(lxFROM, true), lxFROM);
    EXPECT_EQ(p.GetNext(text), lcIdent);
    EXPECT_EQ(text, u"t");
    p.ToBegin();
    EXPECT_EQ(p.ToLexem(lxFROM), lxFROM);
    EXPECT_EQ(p.GetNext(text), lcIdent);
    EXPECT_EQ(text, u"x");
    EXPECT_EQ(p.ToLexem(lxSET), lcEnd);
    EXPECT_EQ(p.GetNext(text), lcEnd);

    EXPECT_TRUE(TParser::IsSymbolCode(lxExclamation));
    EXPECT_TRUE(TParser::IsSymbolCode(lxGrave));
    EXPECT_FALSE(TParser::IsSymbolCode(lcSymbol));
    EXPECT_FALSE(TParser::IsSymbolCode(lxALL));
    EXPECT_FALSE(p.IsMacroAllowed(lcString));
    EXPECT_TRUE(p.IsMacroAllowed(lcIdent));
}

}  // namespace
}  // namespace brevant
