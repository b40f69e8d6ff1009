#pragma once
// The statement splitter: walks a script's tokens and cuts it into single statements
// at the current delimiter, honouring DELIMITER commands and a lone "/" line. Each
// statement is handed to a callback (the script runner) with its type, omit flag and
// where it starts.

#include <cstdint>
#include <functional>
#include <istream>
#include <memory>

#include "core/Text.h"
#include "script/lexer/TParser.h"

namespace brevant {

// Statement types handed over with each statement.
constexpr int ST_UNKNOWN = 0;
constexpr int ST_DELIMETER = 1;
constexpr int ST_COMMENT = 2;
constexpr int ST_SPECIFIC_SQL = 32768;

enum TDelimiterState { dsNone, dsDelimiter, dsBlank, dsValue, dsSet };

struct TScriptStatement {
    UStringView SQL;  // the script's text from StartPos to EndPos; valid during the callback
    int StatementType = ST_UNKNOWN;
    bool Omit = false;  // a DELIMITER command (or, for the generic splitter, only comments)
    std::int64_t StartPos = 0, StartLine = 0, StartCol = 0;  // first non-blank token
    std::int64_t EndPos = 0, EndLine = 0, EndCol = 0;        // where the delimiter starts
};

/// Runs one statement; returns false to stop the script.
using TExecuteStatementProc = std::function<bool(const TScriptStatement&)>;

class TDAScriptProcessor {
public:
    TDAScriptProcessor();
    virtual ~TDAScriptProcessor();
    TDAScriptProcessor(const TDAScriptProcessor&) = delete;
    TDAScriptProcessor& operator=(const TDAScriptProcessor&) = delete;

    /// The script's own delimiter. Attaching a script makes it the current one.
    UString Delimiter = u";";
    TExecuteStatementProc OnStatement;
    /// Skip runs of ordinary tokens in one scan (the same result as token by token,
    /// which tests compare).
    bool FastScan = true;

    /// Starts splitting a text, or a stream in an encoding (size < 0: to its end).
    void AttachText(UStringView text);
    void AttachStream(std::istream& stream, TParserEncoding encoding, std::int64_t size = -1);
    /// Drops the lexer; ExecuteNext then returns False until a script is attached.
    void ReleaseParser() { parser_.reset(); }

    /// Finds the next statement and hands it to OnStatement. True when one was found
    /// (executed or omitted) and execution was not asked to stop; False at the end of the
    /// script, where the lexer is released. A lexer error propagates to the caller.
    bool ExecuteNext();

    const UString& CurrDelimiter() const { return currDelimiter_; }
    /// The lexer over the attached script, or null.
    TParser* Parser() const { return parser_.get(); }

protected:
    /// Per-statement state, reset at each statement.
    virtual void Reset();
    virtual std::unique_ptr<TParser> CreateParser(UStringView text);
    virtual std::unique_ptr<TParser> CreateParser(std::istream& stream, TParserEncoding encoding,
                                                  std::int64_t size);
    /// Looks at a token that goes into the statement.
    virtual void CheckLexem(int code, UStringView text);
    /// Asked when the delimiter is met: is it inside a routine body?
    virtual bool IsSpecificSQL(int statementType) { return false; }
    virtual bool IsBlankEndsDelimeter() { return false; }
    virtual bool SlashIsDelimiter() { return true; }
    /// Is a statement made only of comments handed over as ST_COMMENT and omitted? If
    /// not, it is not handed over at all, unless it holds a versioned comment.
    virtual bool MarksCommentStatements() { return true; }
    /// Can the next tokens up to the delimiter change nothing but the statement's text?
    /// Then they may be skipped in bulk (TParser::SkipPlain).
    virtual bool IsPlainStatement() const;

    int statementType_ = ST_UNKNOWN;
    TDelimiterState delimiterState_ = dsNone;
    int tokenCount_ = 0;  // tokens of the statement other than blanks and comments
    std::int64_t lastLexemLine_ = 0;  // line where the last of those tokens ended

private:
    void Attached();
    static bool IsDelimiterWord(int code, UStringView text);
    /// "/*!..." or "/*M!...": a comment whose text the server runs.
    static bool IsVersionedComment(UStringView text);
    /// Is the DELIMITER word just read, inside an unfinished statement that began at
    /// statementStart, a DELIMITER command?
    bool DelimiterCommandFollows(std::int64_t statementStart);
    /// Does the token just read end the statement? matchStart is then where the
    /// delimiter begins; text of the token after the delimiter is read again.
    bool MatchesDelimiter(int code, std::int64_t& matchStart);

    std::unique_ptr<TParser> parser_;
    UString currDelimiter_ = u";";
    UString newDelimiter_;
    std::int64_t runStart_ = -1;  // start of the run of plain tokens the last token ends, or -1
    /// How far DelimiterCommandFollows has read the current statement.
    struct TPendingScan {
        std::int64_t Pos = -1;  // read up to here (the start of a token)
        int Depth = 0;          // brackets open
        int Last = lcEnd;       // the last token other than a blank or a comment
        UString LastText;
    } pendingScan_;
};

}  // namespace brevant
