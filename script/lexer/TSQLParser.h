#pragma once
// The SQL lexer: own codes only for * , . / : ; = ( ) @ ? and the SQL keywords.

#include "script/lexer/TParser.h"

namespace brevant {

class TSQLParser : public TParser {
public:
    using TParser::TParser;

protected:
    int SymbolCode(char16_t c) const override;
    const TKeywordTable* Keywords() const override;
};

}  // namespace brevant
