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
    ifDepth_ = 0;
    endPending_ = false;
    valueNext_ = false;
    statementStart_ = false;
}

namespace {

bool IsWord(int code) { return code == lcIdent || code >= lxALL; }

bool WordIs(int code, UStringView text, UStringView word) { return IsWord(code) && SameTextAscii(text, word); }

}  // namespace

void TMyScriptProcessor::CheckHeader(int code, UStringView text) {
    // CREATE [OR REPLACE] [DEFINER = user] [SQL SECURITY ...] [AGGREGATE] kind: the
    // clauses before the kind of object are passed over, and so are their values.
    if (code == lxEqual || code == lxAt) {
        valueNext_ = true;
        return;
    }
    if (!IsWord(code) || (code == lcIdent && !text.empty() && text[0] == u'`')) {
        valueNext_ = false;  // a user's name in quotes, brackets of CURRENT_USER() ...
        return;
    }
    if (valueNext_) {
        valueNext_ = false;
        return;
    }
    static constexpr UStringView kClauses[] = {u"OR", u"REPLACE", u"DEFINER", u"SQL", u"SECURITY", u"INVOKER",
                                               u"AGGREGATE", u"ALGORITHM"};
    for (const UStringView clause : kClauses)
        if (SameTextAscii(text, clause)) return;
    lexemNo_ = 3;
    if (code == lxFUNCTION || code == lxPROCEDURE || code == lxTRIGGER || WordIs(code, text, u"EVENT"))
        statementType_ = ST_SPECIFIC_SQL;
}

void TMyScriptProcessor::CheckBody(int code, UStringView text) {
    // BEGIN and CASE open a block that a later END closes (END CASE too); IF, LOOP,
    // REPEAT, WHILE and FOR end with END and their own word, which closes no block. An
    // IF statement that stands alone as a trigger's body (no BEGIN) keeps it open too.
    bool closed = false;  // the word after END names what it closes
    if (endPending_) {
        endPending_ = false;
        if (WordIs(code, text, u"IF")) {
            if (ifDepth_ > 0) --ifDepth_;
            closed = true;
        } else if (code == lxLOOP || code == lxREPEAT || code == lxWHILE || code == lxFOR) {
            closed = true;
        } else {
            if (beginCount_ > 0) --beginCount_;  // END, END label or END CASE
            closed = code == lxCASE;
        }
    }
    if (!closed) {
        if (code == lxBEGIN || code == lxCASE) ++beginCount_;
        else if (code == lxEND) endPending_ = true;
        else if (statementStart_ && beginCount_ == 0 && WordIs(code, text, u"IF")) ++ifDepth_;
    }
    // Where a statement of the body may begin: an IF there is a statement, not IF().
    statementStart_ = code == lxSemicolon || code == lxRightBracket || code == lxTHEN || code == lxELSE ||
                      code == lxLOOP || code == lxREPEAT || WordIs(code, text, u"ROW") || WordIs(code, text, u"DO");
}

void TMyScriptProcessor::CheckLexem(int code, UStringView text) {
    if (code == lcBlank || code == lcComment) return;
    TDAScriptProcessor::CheckLexem(code, text);
    if (lexemNo_ == 1) {
        firstCode_ = code;
        lexemNo_ = 2;
    } else if (lexemNo_ == 2) {
        if (firstCode_ == lxCREATE || firstCode_ == lxALTER) CheckHeader(code, text);
        else lexemNo_ = 3;
    } else if (statementType_ == ST_SPECIFIC_SQL) {
        CheckBody(code, text);
    }
}

bool TMyScriptProcessor::IsPlainStatement() const {
    // Past the second lexeme of a statement that is no routine, CheckLexem has nothing
    // left to look at.
    return lexemNo_ >= 3 && TDAScriptProcessor::IsPlainStatement();
}

bool TMyScriptProcessor::IsSpecificSQL(int statementType) {
    if (endPending_) {  // END right before the delimiter closes a block
        endPending_ = false;
        if (beginCount_ > 0) --beginCount_;
    }
    statementStart_ = true;
    return statementType == ST_SPECIFIC_SQL && (beginCount_ > 0 || ifDepth_ > 0);
}

}  // namespace brevant
