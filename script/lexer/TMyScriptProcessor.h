#pragma once

#include "script/lexer/TDAScriptProcessor.h"

namespace brevant {

/// The MySQL splitter: a blank ends a DELIMITER value, and BEGIN ... END bodies of
/// CREATE / ALTER FUNCTION, PROCEDURE and TRIGGER stay together.
class TMyScriptProcessor : public TDAScriptProcessor {
protected:
    void Reset() override;
    std::unique_ptr<TParser> CreateParser(UStringView text) override;
    std::unique_ptr<TParser> CreateParser(std::istream& stream, TParserEncoding encoding,
                                          std::int64_t size) override;
    void CheckLexem(int code, UStringView text) override;
    bool IsSpecificSQL(int statementType) override;
    bool IsBlankEndsDelimeter() override { return true; }
    bool MarksCommentStatements() override { return false; }
    bool IsPlainStatement() const override;

private:
    int lexemNo_ = 1;
    int firstCode_ = 0;
    int beginCount_ = 0;
    int prevCode_ = 0;
};

}  // namespace brevant
