#include "script/lexer/TSQLParser.h"

#include "script/lexer/Keywords.h"

namespace brevant {

int TSQLParser::SymbolCode(char16_t c) const {
    switch (c) {
    case u'*': case u',': case u'.': case u'/': case u':': case u';': case u'=':
    case u'(': case u')': case u'@': case u'?':
        return TParser::SymbolCode(c);
    default:
        return lcSymbol;
    }
}

const TKeywordTable* TSQLParser::Keywords() const { return &TKeywordTable::Sql(); }

}  // namespace brevant
