#include "script/lexer/Keywords.h"

#include <algorithm>
#include <cstring>

#include "script/lexer/LexerCodes.h"

namespace brevant {

namespace {

std::vector<TKeyword> SqlKeywords() {
    return {
        {"ALL", lxALL}, {"AND", lxAND}, {"AS", lxAS}, {"BEGIN", lxBEGIN}, {"BY", lxBY},
        {"CASE", lxCASE}, {"COMMIT", lxCOMMIT}, {"DELETE", lxDELETE}, {"DESC", lxDESC},
        {"DISTINCT", lxDISTINCT}, {"ELSE", lxELSE}, {"END", lxEND}, {"EXECUTE", lxEXECUTE},
        {"FETCH", lxFETCH}, {"FOR", lxFOR}, {"FROM", lxFROM}, {"FULL", lxFULL},
        {"GROUP", lxGROUP}, {"HAVING", lxHAVING}, {"INNER", lxINNER}, {"INSERT", lxINSERT},
        {"INTO", lxINTO}, {"IS", lxIS}, {"JOIN", lxJOIN}, {"LEFT", lxLEFT}, {"LIMIT", lxLIMIT},
        {"LOCK", lxLOCK}, {"MINUS", lxMINUS}, {"NOT", lxNOT}, {"OFFSET", lxOFFSET}, {"ON", lxON},
        {"OR", lxOR}, {"ORDER", lxORDER}, {"OUTER", lxOUTER}, {"RELEASE", lxRELEASE},
        {"RETURNING", lxRETURNING}, {"RIGHT", lxRIGHT}, {"ROLLBACK", lxROLLBACK},
        {"SAVEPOINT", lxSAVEPOINT}, {"SELECT", lxSELECT}, {"SET", lxSET}, {"THEN", lxTHEN},
        {"TO", lxTO}, {"TRANSACTION", lxTRANSACTION}, {"UNION", lxUNION}, {"UPDATE", lxUPDATE},
        {"WHEN", lxWHEN}, {"WHERE", lxWHERE}, {"WITH", lxWITH}, {"VALUES", lxVALUES},
    };
}

std::vector<TKeyword> MySqlKeywords() {
    std::vector<TKeyword> k = SqlKeywords();
    k.insert(k.end(), {
        {"ALTER", lxALTER}, {"CHARSET", lxCHARSET}, {"COLUMNS", lxCOLUMNS}, {"CREATE", lxCREATE},
        {"CROSS", lxCROSS}, {"DELIMITER", lxDELIMITER}, {"DESCRIBE", lxDESCRIBE},
        {"DISTINCTROW", lxDISTINCTROW}, {"ENGINES", lxENGINES}, {"EXPLAIN", lxEXPLAIN},
        {"FORCE", lxFORCE}, {"FUNCTION", lxFUNCTION}, {"HANDLER", lxHANDLER}, {"IGNORE", lxIGNORE},
        {"NATURAL", lxNATURAL}, {"PRIVILEGES", lxPRIVILEGES}, {"PROCEDURE", lxPROCEDURE},
        {"PROCESSLIST", lxPROCESSLIST}, {"REPLACE", lxREPLACE}, {"SHOW", lxSHOW},
        {"SLAVE", lxSLAVE}, {"STATUS", lxSTATUS}, {"STRAIGHT_JOIN", lxSTRAIGHT_JOIN},
        {"TRIGGER", lxTRIGGER}, {"USE", lxUSE}, {"LOOP", lxLOOP}, {"REPEAT", lxREPEAT},
        {"WHILE", lxWHILE},
    });
    return k;
}

}  // namespace

TKeywordTable::TKeywordTable(std::vector<TKeyword> keywords) : all_(std::move(keywords)) {
    for (const TKeyword& k : all_) byLength_[k.Name.size()].push_back(k);
    for (auto& bucket : byLength_)
        std::sort(bucket.begin(), bucket.end(),
                  [](const TKeyword& a, const TKeyword& b) { return a.Name < b.Name; });
}

int TKeywordTable::Find(UStringView text) const {
    const std::size_t n = text.size();
    if (n == 0 || n > kMaxLength || byLength_[n].empty()) return 0;
    char upper[kMaxLength];
    for (std::size_t i = 0; i < n; ++i) {
        char16_t c = text[i];
        if (c >= u'a' && c <= u'z') c -= 32;
        else if (c >= 0x80) return 0;
        upper[i] = static_cast<char>(c);
    }
    const std::string_view key(upper, n);
    const auto& bucket = byLength_[n];
    auto it = std::lower_bound(bucket.begin(), bucket.end(), key,
                               [](const TKeyword& k, std::string_view v) { return k.Name < v; });
    return (it != bucket.end() && it->Name == key) ? it->Code : 0;
}

const TKeywordTable& TKeywordTable::Sql() {
    static const TKeywordTable table(SqlKeywords());
    return table;
}

const TKeywordTable& TKeywordTable::MySql() {
    static const TKeywordTable table(MySqlKeywords());
    return table;
}

}  // namespace brevant
