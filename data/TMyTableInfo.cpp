#include "data/TMyTableInfo.h"

#include "data/FieldDesc.h"
#include "mysql/client/DAErrors.h"
#include "script/lexer/Keywords.h"

namespace brevant {

namespace {

bool AsciiLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }
bool NameChar(char16_t c) { return AsciiLetter(c) || (c >= u'0' && c <= u'9') || c == u'_' || c == u'$'; }
bool Enclosed(UStringView n) {
    return n.size() >= 2 && (n[0] == u'`' || n[0] == u'"' || n[0] == u'\'') && n.back() == n[0];
}
bool Blank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }
bool SameText(UStringView a, UStringView b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char16_t x = a[i], y = b[i];
        if (x >= u'A' && x <= u'Z') x = static_cast<char16_t>(x + 32);
        if (y >= u'A' && y <= u'Z') y = static_cast<char16_t>(y + 32);
        if (x != y) return false;
    }
    return true;
}

/// A small scanner over the statement: words, quoted names, strings and comments
/// skipped, parentheses counted, enough to find the table references after FROM.
class FromScanner {
public:
    explicit FromScanner(UStringView s) : S(s) {}

    /// The next token: a word or quoted name (Name set), or one other character.
    bool Next(UString& token, bool& isName) {
        SkipSpace();
        if (P >= S.size()) return false;
        const std::size_t start = P;
        const char16_t c = S[P];
        isName = false;
        if (c == u'`' || c == u'"') {
            ++P;
            while (P < S.size()) {
                if (S[P] == c) {
                    if (P + 1 < S.size() && S[P + 1] == c) { P += 2; continue; }
                    ++P;
                    break;
                }
                ++P;
            }
            isName = true;
        } else if (c == u'\'') {
            ++P;
            while (P < S.size() && S[P] != u'\'') P += S[P] == u'\\' ? 2 : 1;
            P = std::min(P + 1, S.size());
        } else if (NameChar(c) || c > 127) {
            while (P < S.size() && (NameChar(S[P]) || S[P] > 127)) ++P;
            isName = true;
        } else {
            ++P;
        }
        token.assign(S.substr(start, P - start));
        return true;
    }

private:
    void SkipSpace() {
        for (;;) {
            while (P < S.size() && Blank(S[P])) ++P;
            if (S.substr(P, 2) == u"/*") {
                const std::size_t e = S.find(u"*/", P + 2);
                P = e == UStringView::npos ? S.size() : e + 2;
            } else if (P < S.size() && (S[P] == u'#' || (S.substr(P, 3).size() == 3 && S.substr(P, 2) == u"--" && Blank(S[P + 2])))) {
                const std::size_t e = S.find(u'\n', P);
                P = e == UStringView::npos ? S.size() : e + 1;
            } else {
                return;
            }
        }
    }
    UStringView S;
    std::size_t P = 0;
};

bool IsClauseEnd(UStringView w) {
    static constexpr UStringView ends[] = {u"WHERE", u"GROUP", u"ORDER", u"LIMIT", u"HAVING", u"UNION",
                                           u"FOR", u"LOCK", u"PROCEDURE", u"INTO", u"WINDOW"};
    for (UStringView e : ends)
        if (SameText(w, e)) return true;
    return false;
}
bool IsJoinWord(UStringView w) {
    static constexpr UStringView words[] = {u"JOIN", u"INNER", u"LEFT", u"RIGHT", u"OUTER", u"CROSS",
                                            u"NATURAL", u"STRAIGHT_JOIN", u"ON", u"USING", u"USE",
                                            u"IGNORE", u"FORCE", u"INDEX", u"KEY", u"PARTITION"};
    for (UStringView e : words)
        if (SameText(w, e)) return true;
    return false;
}

}  // namespace

bool NameNeedsQuote(UStringView name) {
    if (name.empty() || !AsciiLetter(name[0])) return true;
    for (std::size_t i = 1; i < name.size(); ++i)
        if (!NameChar(name[i])) return true;
    return false;
}

UString QuoteName(UStringView name, bool force) {
    if (Enclosed(name)) return UString(name);
    // A keyword as a name would end the statement's syntax: quoted like any other.
    if (!force && !NameNeedsQuote(name) && TKeywordTable::MySql().Find(name) == 0) return UString(name);
    UString out = u"`";
    for (char16_t c : name) {
        if (c == u'`') out += u'`';
        out += c;
    }
    out += u'`';
    return out;
}

UString UnquoteName(UStringView name) {
    if (!Enclosed(name)) return UString(name);
    const char16_t q = name[0];
    UString out;
    for (std::size_t i = 1; i + 1 < name.size(); ++i) {
        out += name[i];
        if (name[i] == q && i + 2 < name.size() && name[i + 1] == q) ++i;
    }
    return out;
}

UString NormalizeName(UStringView name, bool force) {
    // Split at a "." outside quotes.
    char16_t quote = 0;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const char16_t c = name[i];
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == u'`' || c == u'"' || c == u'\'') {
            quote = c;
        } else if (c == u'.') {
            return QuoteName(name.substr(0, i), force) + u"." + NormalizeName(name.substr(i + 1), force);
        }
    }
    return QuoteName(name, force);
}

int TMyTablesInfo::FindByName(UStringView name) const {
    const UString n = UnquoteName(name);
    for (std::size_t i = 0; i < FItems.size(); ++i)
        if (UnquoteName(FItems[i]->TableName) == n) return static_cast<int>(i);
    return -1;
}

int TMyTablesInfo::FindByAlias(UStringView alias) const {
    const UString n = UnquoteName(alias);
    for (std::size_t i = 0; i < FItems.size(); ++i)
        if (!FItems[i]->TableAlias.empty() && UnquoteName(FItems[i]->TableAlias) == n) return static_cast<int>(i);
    return -1;
}

TMyTableInfo& TMyTablesInfo::Add(UString name, UString alias) {
    auto item = std::make_unique<TMyTableInfo>();
    item->TableName = std::move(name);
    item->TableAlias = std::move(alias);
    FItems.push_back(std::move(item));
    return *FItems.back();
}

void TMyTablesInfo::Build(const std::vector<TMySQLFieldDesc*>& columns, UStringView sql, bool quoteNames) {
    FItems.clear();
    for (TMySQLFieldDesc* d : columns) {
        d->TableInfo = nullptr;
        if (d->TableName.empty()) continue;
        const UString alias = Utf8ToUtf16(d->TableName);
        int i = FindByAlias(alias);
        if (i < 0) {
            Add(NormalizeName(Utf8ToUtf16(d->OrgTableName), quoteNames), NormalizeName(alias, quoteNames));
            i = Count() - 1;
        }
        d->TableInfo = FItems[static_cast<std::size_t>(i)].get();
    }

    // The FROM clause: "name [AS] [alias]" references separated by "," or joins.
    FromScanner scan(sql);
    UString tok;
    bool isName = false;
    int depth = 0;
    bool inFrom = false;
    while (scan.Next(tok, isName)) {
        if (tok == u"(") { ++depth; continue; }
        if (tok == u")") { --depth; continue; }
        if (depth != 0) continue;
        if (!inFrom) {
            if (isName && SameText(tok, u"FROM")) inFrom = true;
            continue;
        }
        if (isName && IsClauseEnd(tok)) break;
        if (!isName || IsJoinWord(tok) || SameText(tok, u"AS")) continue;  // AS after a derived table
        // A table reference: name ["." name] [AS] [alias].
        UString name = tok;
        UString alias;
        bool more = scan.Next(tok, isName);
        while (more && tok == u".") {
            if (!scan.Next(tok, isName)) { more = false; break; }
            name += u"." + tok;
            more = scan.Next(tok, isName);
        }
        if (more && isName && SameText(tok, u"AS")) more = scan.Next(tok, isName);
        if (more && isName && !IsClauseEnd(tok) && !IsJoinWord(tok)) alias = tok;
        if (UnquoteName(name).empty()) DatabaseError(u"TableName cannot be empty");
        const UString full = NormalizeName(name, quoteNames);
        if (!alias.empty()) {
            int i = FindByAlias(alias);
            TMyTableInfo& t = i >= 0 ? *FItems[static_cast<std::size_t>(i)] : Add(full, NormalizeName(alias, quoteNames));
            t.TableName = full;
            t.TableNameFull = full;
        } else if (int i = FindByAlias(name); i >= 0 && FItems[static_cast<std::size_t>(i)]->TableName != full) {
            // Columns of a view name their base table; the view is written by its own name.
            TMyTableInfo& t = *FItems[static_cast<std::size_t>(i)];
            t.IsView = true;
            t.TableName = full;
            t.TableNameFull = full;
            t.TableAlias.clear();
        } else if (int j = FindByName(name); j >= 0) {
            FItems[static_cast<std::size_t>(j)]->TableNameFull = full;
        } else if (FindByAlias(name) < 0) {
            Add(full, UString()).TableNameFull = full;
        }
        if (!more) break;
        if (isName && IsClauseEnd(tok)) break;
        if (tok == u"(") ++depth;
    }
    for (auto& t : FItems)
        if (t->TableNameFull.empty()) t->TableNameFull = t->TableName;
}

}  // namespace brevant
