#include "script/lexer/TMyScriptProcessor.h"

#include "script/lexer/TMyParser.h"

namespace brevant {

std::unique_ptr<TParser> TMyScriptProcessor::CreateParser(UStringView text) {
    return std::make_unique<TMyParser>(text);
}

std::unique_ptr<TParser> TMyScriptProcessor::CreateParser(std::istream& stream, TParserEncoding encoding,
                                                          std::int64_t size) {
    return std::make_unique<TMyParser>(stream, encoding, size);
}

void TMyScriptProcessor::Reset() {
    TDAScriptProcessor::Reset();
    lexemNo_ = 1;
    firstCode_ = 0;
    beginCount_ = 0;
    prevCode_ = 0;
}

void TMyScriptProcessor::CheckLexem(int code, UStringView text) {
    if (code == lcBlank || code == lcComment) return;
    TDAScriptProcessor::CheckLexem(code, text);
    if (lexemNo_ == 1) {
        firstCode_ = code;
        lexemNo_ = 2;
    } else if (lexemNo_ == 2) {
        if (firstCode_ == lxCREATE || firstCode_ == lxALTER) {
            // Clauses such as DEFINER=... between CREATE and the object kind are passed over.
            if (code >= lxMySqlFirst) {
                lexemNo_ = 3;
                if (code == lxFUNCTION || code == lxPROCEDURE || code == lxTRIGGER)
                    statementType_ = ST_SPECIFIC_SQL;
            }
        } else {
            lexemNo_ = 3;
        }
    } else if (statementType_ == ST_SPECIFIC_SQL) {
        if (code == lxBEGIN) ++beginCount_;
        else if (code == lxSemicolon && prevCode_ == lxEND) --beginCount_;
        if (!TParser::IsSymbolCode(code) && code != lcSymbol) prevCode_ = code;
    }
}

bool TMyScriptProcessor::IsPlainStatement() const {
    // Past the second lexeme of a statement that is no routine, CheckLexem has nothing
    // left to look at.
    return lexemNo_ >= 3 && TDAScriptProcessor::IsPlainStatement();
}

bool TMyScriptProcessor::IsSpecificSQL(int statementType) {
    if (prevCode_ == lxEND) --beginCount_;
    return statementType == ST_SPECIFIC_SQL && beginCount_ > 0;
}

}  // namespace brevant
