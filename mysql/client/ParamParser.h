#pragma once
// Finding ":name" parameters in a statement text with the MySQL lexer, so that a
// colon inside a string, a quoted name or a comment never starts one. The parsed
// text is the original with each parameter replaced by "?".
//
// At a ":" the next token (blanks count as tokens) names a parameter when it is an
// identifier, a number or a keyword; ":@name" gives the name "@name"; a number
// directly followed by an identifier forms one name (":1abc"); a back-quoted name
// loses its quotes. Not a parameter: "label:BEGIN" (also LOOP, REPEAT, WHILE) right
// after an identifier, and ":=" or any other symbol, which stay as written.

#include <cstddef>
#include <vector>

#include "core/Text.h"

namespace brevant {

enum TParsedSQLType : int {
    qtUnparsed, qtUnknown, qtSelect, qtCursor, qtInsert, qtUpdate, qtDelete,
    qtInsertReturning, qtUpdateReturning, qtSelectProc, qtSelectInto,
};

/// One parameter occurrence: where its "?" stands in the parsed text (UTF-16 units,
/// end exclusive) and which parameter it refers to.
struct TParamInfo {
    std::size_t StartPosition = 0;
    std::size_t EndPosition = 0;
    int ParamRef = -1;
};

struct TParsedSQL {
    UString SQL;                     // the text with each parameter replaced by "?"
    std::vector<UString> Names;      // one per occurrence, in order
    std::vector<TParamInfo> Infos;   // one per occurrence; ParamRef is its index
    TParsedSQLType SQLType = qtUnknown;
};

/// Raises EParserError for a character the lexer cannot read (outside strings).
TParsedSQL ParseSQLParams(UStringView text);

/// The statement type, from the text's first keyword.
TParsedSQLType DetectSQLType(UStringView text);

/// Where "?" tokens stand in a text (outside strings, quoted names and comments).
std::vector<std::size_t> FindQuestionMarks(UStringView text);

}  // namespace brevant
