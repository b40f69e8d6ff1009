#include "mysql/client/TMacros.h"

#include "mysql/client/DAErrors.h"
#include "script/lexer/TMyParser.h"

namespace brevant {

void TMacro::SetValue(const UString& value) {
    const bool changed = !FAssigned || value != FValue;
    FValue = value;
    FAssigned = true;
    if (changed && FOwner) FOwner->Changed();
}

void TMacro::SetActive(bool value) {
    if (value == FActive) return;
    FActive = value;
    if (FOwner) FOwner->Changed();
}

std::vector<TMacroRef> FindMacroRefs(UStringView sql) {
    std::vector<TMacroRef> refs;
    if (sql.find(u'&') == UStringView::npos) return refs;
    TMyParser p(sql);
    p.OmitBlank = false;
    p.OmitComment = false;
    p.Uppered = false;
    for (int code; (code = p.GetNextToken()) != lcEnd;) {
        if (code != lcSymbol || p.Token() != u"&") continue;
        const std::size_t amp = static_cast<std::size_t>(p.PrevPos());
        const int next = p.GetNextToken();
        const bool name = (next == lcIdent && p.Token().substr(0, 1) != u"`") || next >= lxALL;
        if (!name) {
            if (next != lcEnd) p.Back();  // "&&b": the second "&" may name a macro
            continue;
        }
        refs.push_back({amp, static_cast<std::size_t>(p.CurrPos()), UString(p.Token())});
    }
    return refs;
}

TMacro* TMacros::FindMacro(UStringView name) const {
    for (const auto& m : FItems)
        if (SameTextAscii(m->Name(), name)) return m.get();
    return nullptr;
}

TMacro& TMacros::MacroByName(UStringView name) const {
    TMacro* m = FindMacro(name);
    if (!m) DatabaseErrorFmt(SMacroNotFound, {name});
    return *m;
}

void TMacros::Scan(UStringView sql) {
    std::vector<UString> names;
    for (TMacroRef& r : FindMacroRefs(sql)) {
        bool seen = false;
        for (const UString& n : names) seen = seen || SameTextAscii(n, r.Name);
        if (!seen) names.push_back(std::move(r.Name));
    }
    bool same = names.size() == FItems.size();
    for (std::size_t i = 0; same && i < names.size(); ++i) same = SameTextAscii(names[i], FItems[i]->Name());
    if (same) return;
    std::vector<std::unique_ptr<TMacro>> items;
    for (UString& n : names) {
        auto m = std::make_unique<TMacro>(std::move(n), this);
        if (const TMacro* old = FindMacro(m->Name())) m->AssignValue(*old);
        items.push_back(std::move(m));
    }
    FItems = std::move(items);
}

UString TMacros::Expand(UStringView sql) const {
    const std::vector<TMacroRef> refs = FindMacroRefs(sql);
    if (refs.empty()) return UString(sql);
    UString out;
    out.reserve(sql.size());
    std::size_t copied = 0;
    for (const TMacroRef& r : refs) {
        const TMacro* m = FindMacro(r.Name);
        if (!m || (m->Active() && !m->Assigned())) continue;  // stays as written
        out.append(sql.substr(copied, r.Start - copied));
        if (m->Active()) out += m->Value();
        copied = r.End;
    }
    out.append(sql.substr(copied));
    return out;
}

}  // namespace brevant
