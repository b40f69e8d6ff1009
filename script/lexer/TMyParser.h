#pragma once
// The MySQL lexer: "$" is a letter, "#" and "--" before a blank start inline comments, and
// the keyword table adds the MySQL keywords (codes from 1000 up).

#include "script/lexer/TSQLParser.h"

namespace brevant {

class TMyParser : public TSQLParser {
public:
    using TSQLParser::TSQLParser;

protected:
    bool IsAlpha(char16_t c) const override;
    bool IsInlineComment(std::int64_t pos) override;
    const TKeywordTable* Keywords() const override;
};

}  // namespace brevant
