// Parameter and macro parsing of command texts, and the quoting of values, on
// arbitrary input.
//
// Input: UTF-8 text (invalid sequences become U+FFFD). Checks: no crash or hang;
// every parameter's "?" stands where its position says and the parsed text never
// grows; macros that were never given a value leave the text exactly as it was,
// and giving each macro its own "&name" as value gives the text back; the input's
// bytes written as a literal are one string to the lexer in backslash mode, and
// hold their quotes only in pairs in NO_BACKSLASH_ESCAPES mode.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "mysql/client/MyLiterals.h"
#include "mysql/client/ParamParser.h"
#include "mysql/client/TMacros.h"
#include "script/lexer/TMyParser.h"

using namespace brevant;

namespace {

void Check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "mismatch: %s\n", what);
        std::abort();
    }
}

void CheckParams(const UString& text) {
    TParsedSQL p;
    try {
        p = ParseSQLParams(text);
    } catch (const EParserError&) {
        return;
    }
    Check(p.Names.size() == p.Infos.size(), "one name per occurrence");
    Check(p.SQL.size() <= text.size(), "parsed text grew");
    if (text.find(u':') == UString::npos) Check(p.SQL == text, "text without a colon changed");
    std::size_t last = 0;
    for (std::size_t i = 0; i < p.Infos.size(); ++i) {
        const TParamInfo& info = p.Infos[i];
        Check(info.StartPosition >= last && info.EndPosition == info.StartPosition + 1, "positions in order");
        Check(info.EndPosition <= p.SQL.size() && p.SQL[info.StartPosition] == u'?', "a ? at each position");
        Check(info.ParamRef == static_cast<int>(i), "occurrence refers to its description");
        last = info.EndPosition;
    }
}

void CheckMacros(const UString& text) {
    TMacros m;
    try {
        m.Scan(text);
        Check(m.Expand(text) == text, "unassigned macros changed the text");
        for (std::size_t i = 0; i < m.Count(); ++i) m[i].SetValue(u"&" + m[i].Name());
        Check(SameTextAscii(m.Expand(text), text), "macros given their own names changed the text");
        for (std::size_t i = 0; i < m.Count(); ++i) m[i].SetActive(false);
        Check(m.Expand(text).size() <= text.size(), "inactive macros grew the text");
    } catch (const EParserError&) {
    }
}

void CheckLiteral(const std::string& bytes, bool backslashes) {
    std::string sql;
    AppendValueToSQL(sql, dtBlob, TVariant::FromBytes(bytes), TLiteralContext{false, backslashes, UStringView()});
    Check(sql.size() >= 2 && sql.front() == '\'' && sql.back() == '\'', "literal not quoted");
    if (!backslashes) {
        // The server's rule in NO_BACKSLASH_ESCAPES mode: inside, quotes come in pairs.
        for (std::size_t i = 1; i + 1 < sql.size(); ++i)
            if (sql[i] == '\'') Check(sql[++i] == '\'' && i + 1 < sql.size(), "single quote inside the literal");
        return;
    }
    // The 8-bit code page maps every byte, so the lexer (which reads backslash
    // escapes) sees exactly what the server would.
    const UString text = AnsiToUtf16(sql);
    TMyParser p(text);
    p.OmitBlank = false;
    Check(p.GetNextToken() == lcString, "literal is not a string");
    Check(p.CurrPos() == static_cast<std::int64_t>(text.size()), "literal broke out of its quotes");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const UString text = Utf8ToUtf16(bytes);
    CheckParams(text);
    CheckMacros(text);
    CheckLiteral(bytes, true);
    CheckLiteral(bytes, false);
    return 0;
}
