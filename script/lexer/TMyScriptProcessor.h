#pragma once

#include "script/lexer/TDAScriptProcessor.h"

namespace brevant {

/// The MySQL splitter: a blank ends a DELIMITER value, and under the script's own
/// delimiter the bodies of CREATE [OR REPLACE] FUNCTION, PROCEDURE, TRIGGER and EVENT
/// (and ALTER ...) stay together while their BEGIN ... END blocks are open.
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
    /// The words after CREATE or ALTER up to the kind of object.
    void CheckHeader(int code, UStringView text);
    /// A word of a routine's body: counts the open blocks.
    void CheckBody(int code, UStringView text);

    int lexemNo_ = 1;
    int firstCode_ = 0;
    int beginCount_ = 0;     // open BEGIN and CASE blocks
    int ifDepth_ = 0;        // open IF statements outside any block
    bool endPending_ = false;  // the last word was END: what it closes is told by the next
    bool valueNext_ = false;   // after "=" or "@" in the header: the next word is a value
    bool statementStart_ = false;
};

}  // namespace brevant
