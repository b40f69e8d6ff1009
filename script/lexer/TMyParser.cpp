#include "script/lexer/TMyParser.h"

#include "script/lexer/Keywords.h"

namespace brevant {

bool TMyParser::IsAlpha(char16_t c) const {
    return TSQLParser::IsAlpha(c) || c == u'#' || c == u'$';
}

bool TMyParser::IsInlineComment(std::int64_t pos) {
    if (At(pos) == u'#') return true;
    // "--" starts a comment only when a space follows it, and something follows that.
    return At(pos) == u'-' && Avail(pos + 3) && At(pos + 1) == u'-' && At(pos + 2) == u' ';
}

const TKeywordTable* TMyParser::Keywords() const { return &TKeywordTable::MySql(); }

}  // namespace brevant
