#include "script/lexer/TMyParser.h"

#include "script/lexer/Keywords.h"

namespace brevant {

bool TMyParser::IsAlpha(char16_t c) const {
    return TSQLParser::IsAlpha(c) || c == u'#' || c == u'$';
}

bool TMyParser::IsInlineComment(std::int64_t pos) {
    if (At(pos) == u'#') return true;
    // "--" starts a comment when a blank or a control character follows it, or nothing
    // does, as the server reads it; "--x" is two minus signs.
    if (At(pos) != u'-' || !Avail(pos + 1) || At(pos + 1) != u'-') return false;
    if (!Avail(pos + 2)) return true;
    const char16_t c = At(pos + 2);
    return c <= u' ' || c == 0x7F;
}

const TKeywordTable* TMyParser::Keywords() const { return &TKeywordTable::MySql(); }

}  // namespace brevant
