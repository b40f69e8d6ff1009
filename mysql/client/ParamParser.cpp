#include "mysql/client/ParamParser.h"

#include "script/lexer/TMyParser.h"

namespace brevant {

namespace {

TParsedSQLType TypeOfKeyword(int code) {
    switch (code) {
        case lxDELETE: return qtDelete;
        case lxINSERT: return qtInsert;
        case lxSELECT:
        case lxWITH: return qtSelect;
        case lxUPDATE: return qtUpdate;
        default: return qtUnknown;
    }
}

bool IsKeyword(int code) { return code >= lxALL; }

bool IsLabelKeyword(int code) {
    return code == lxBEGIN || code == lxLOOP || code == lxREPEAT || code == lxWHILE;
}

/// The lexer as the scans here use it: blanks are tokens, comments are skipped,
/// token text as written.
void SetUp(TParser& p) {
    p.OmitBlank = false;
    p.OmitComment = true;
    p.Uppered = false;
}

UString ParamName(UStringView token) {
    if (token.size() >= 1 && token[0] == u'`') {
        token.remove_prefix(1);
        if (!token.empty() && token.back() == u'`') token.remove_suffix(1);
    }
    return UString(token);
}

}  // namespace

TParsedSQLType DetectSQLType(UStringView text) {
    TMyParser p(text);
    SetUp(p);
    for (;;) {
        const int code = p.GetNextToken();
        if (code == lcEnd) return qtUnknown;
        if (code == lcBlank || code == lxLeftBracket) continue;  // "(SELECT ...)"
        return TypeOfKeyword(code);
    }
}

std::vector<std::size_t> FindQuestionMarks(UStringView text) {
    std::vector<std::size_t> marks;
    if (text.find(u'?') == UStringView::npos) return marks;
    TMyParser p(text);
    SetUp(p);
    for (int code; (code = p.GetNextToken()) != lcEnd;)
        if (code == lxQuestion) marks.push_back(static_cast<std::size_t>(p.PrevPos()));
    return marks;
}

TParsedSQL ParseSQLParams(UStringView text) {
    TParsedSQL out;
    if (text.find(u':') == UStringView::npos) {
        out.SQL = UString(text);
        out.SQLType = DetectSQLType(text);
        return out;
    }
    TMyParser p(text);
    SetUp(p);
    out.SQL.reserve(text.size());
    std::size_t copied = 0;  // text before this position is in out.SQL
    int before = lcEnd;      // the token before the current one
    bool typeKnown = false;
    for (;;) {
        const int code = p.GetNextToken();
        if (code == lcEnd) break;
        if (!typeKnown && code != lcBlank && code != lxLeftBracket) {
            out.SQLType = TypeOfKeyword(code);
            typeKnown = true;
        }
        if (code != lxColon) {
            before = code;
            continue;
        }
        const std::size_t colon = static_cast<std::size_t>(p.PrevPos());
        const int colonBefore = before;
        int next = p.GetNextToken();
        UString name;
        if (next == lxAt) {
            name = u"@";
            next = p.GetNextToken();
        }
        const bool nameToken = next == lcIdent || next == lcNumber || IsKeyword(next);
        const bool label = name.empty() && colonBefore == lcIdent && IsLabelKeyword(next);
        if (!nameToken || label) {
            // Not a parameter: the colon stays; look at the token after it again.
            if (next != lcEnd) p.Back();
            before = lxColon;
            continue;
        }
        if (next == lcIdent) {
            name += ParamName(p.Token());
        } else {
            name += UString(p.Token());
            if (next == lcNumber) {
                const std::int64_t numberEnd = p.CurrPos();
                if (p.GetNextToken() == lcIdent && p.PrevPos() == numberEnd) name += ParamName(p.Token());
                else p.Back();
            }
        }
        out.SQL.append(text.substr(copied, colon - copied));
        TParamInfo info;
        info.StartPosition = out.SQL.size();
        out.SQL += u'?';
        info.EndPosition = out.SQL.size();
        info.ParamRef = static_cast<int>(out.Names.size());
        out.Infos.push_back(info);
        out.Names.push_back(std::move(name));
        copied = static_cast<std::size_t>(p.CurrPos());
        before = lcIdent;
    }
    out.SQL.append(text.substr(copied));
    return out;
}

}  // namespace brevant
