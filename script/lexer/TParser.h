#pragma once
// The generic lexer. It reads SQL text held in memory or a stream of any size and
// returns one token at a time with its code (LexerCodes.h) and text.
//
// Positions are counted in UTF-16 code units from the start of the text; lines and
// columns count from 0 (CR LF is one line break, as is a lone CR or LF).
//
// A stream is decoded block by block; the lexer keeps only the text from the start of
// the previous token on, so a token that spans blocks can still be copied and Back
// still works, while memory stays bounded whatever the size of the stream.

#include <cstdint>
#include <istream>
#include <memory>

#include "core/Text.h"
#include "script/lexer/LexerCodes.h"
#include "script/lexer/ParserSource.h"

namespace brevant {

class TKeywordTable;

class TParser {
public:
    explicit TParser(UStringView text);
    /// Reads the stream from its current position; size < 0 means the rest of it.
    TParser(std::istream& stream, TParserEncoding encoding = peAnsi, std::int64_t size = -1);
    virtual ~TParser();
    TParser(const TParser&) = delete;
    TParser& operator=(const TParser&) = delete;

    // Switches.
    bool OmitBlank = true;            // skip white space instead of returning lcBlank
    bool OmitComment = false;         // skip every comment
    bool OmitInlineComment = false;   // skip "#" and "-- " comments only
    bool Uppered = true;              // a keyword's text comes back upper-cased
    bool QuotedString = false;        // a string's quotes belong to its text
    bool AdvancedStringParsing = false;  // alternative quoting of other dialects; off for MySQL
    char16_t DecSeparator = u'.';

    /// Next token: its code (a keyword's code for a keyword) and its text.
    int GetNext(UString& text);
    int GetNextToken();
    /// Text of the token last returned; valid until the next read.
    UStringView Token() const;
    int TokenCode() const { return tokenCode_; }
    /// Goes back one token: the next read returns the last token again.
    void Back();
    /// Moves the reading position back to pos inside the token last read, which must
    /// not hold a line break: the rest of that token is read again.
    void BackTo(std::int64_t pos) { currPos_ = pos; }
    /// Back to the start of the text (a stream is read again from where it started).
    void ToBegin();
    /// Reads up to and including the next token with the code; with skipBrackets a token
    /// inside parentheses does not count. Returns the code, or lcEnd.
    int ToLexem(int code, bool skipBrackets = false);

    std::int64_t CurrPos() const { return currPos_; }
    std::int64_t PrevPos() const { return prevPos_; }
    std::int64_t CurrLine() const { return currLine_; }
    std::int64_t PrevLine() const { return prevLine_; }
    std::int64_t CurrCol() const { return currPos_ - lineStart_; }
    std::int64_t PrevCol() const { return prevPos_ - prevLineStart_; }
    /// The character at the current position without consuming it; -1 at the end.
    int PeekChar() { return CharAt(currPos_); }
    /// The character at pos, at or after the start of the token last read, reading
    /// further as needed; -1 past the end. Views of the text taken before may no longer
    /// be valid afterwards.
    int CharAt(std::int64_t pos) { return Avail(pos) ? At(pos) : -1; }

    static bool IsSymbolCode(int code) { return code >= 1 && code <= 28; }
    virtual bool IsMacroAllowed(int code) const { return code != lcString; }

    /// Where SkipPlain stops; LastLexemLine is the line on which the last token other
    /// than a blank or a comment ended, kept up to date by the scan.
    struct TPlainScan {
        char16_t Delimiter = u';';       // a symbol character that is a token of its own
        bool SlashAtLineStart = false;   // stop at a "/" in column 0
        std::int64_t LastLexemLine = 0;
    };
    /// Skips, within the text already read, whole tokens that cannot end a statement or
    /// change the splitter's state, and returns the text skipped (valid until the next
    /// read). It stops before: the delimiter character, an identifier DELIMITER that
    /// begins its line, a "/" in column 0 when asked, a character the lexer rejects, and
    /// any token that reaches past the text read so far; GetNextToken then reads that
    /// token as usual. The result is the same as reading the tokens one by one.
    UStringView SkipPlain(TPlainScan& scan);

    /// Keeps the text from pos on in memory (besides the previous token) until called
    /// again; -1 keeps nothing extra. The splitter keeps its current statement this way.
    void KeepFrom(std::int64_t pos) { keepFrom_ = pos; }
    /// The text between two positions that are both held in memory.
    UStringView Text(std::int64_t from, std::int64_t to) const;

    /// Bytes taken from the stream so far (0 for a text).
    std::int64_t StreamBytesRead() const;
    /// Characters held in memory: bounded for a stream, whatever its size.
    std::size_t BufferedChars() const { return buffer_.size(); }

protected:
    /// Builds the character classes and symbol codes from the predicates below; called
    /// before the first token is read.
    virtual void InitParser();
    virtual bool IsSymbol(char16_t c) const;
    virtual bool IsAlpha(char16_t c) const;
    virtual bool IsNumber(char16_t c) const;
    virtual bool IsStringQuote(char16_t c) const;
    virtual bool IsIdentQuote(char16_t c) const;
    /// Does an inline comment start at pos? (Only asked for "#" and "-".)
    virtual bool IsInlineComment(std::int64_t pos);
    /// Code of a symbol character, or lcSymbol when it has none of its own.
    virtual int SymbolCode(char16_t c) const;
    virtual const TKeywordTable* Keywords() const { return nullptr; }
    /// From the opening quote at pos to just past the closing one (or the end of the
    /// text); escapes: a back-slash takes the next character into the string.
    std::int64_t ToRightQuoteP(std::int64_t pos, char16_t quote, bool escapes);
    /// A string from the current position, which holds the opening quote.
    virtual void ToRightQuote(char16_t quote);

    /// True when the character at pos is available (reads further blocks as needed).
    bool Avail(std::int64_t pos) { return pos < end_ || Fill(pos); }
    char16_t At(std::int64_t pos) const { return buffer_.data()[pos - base_]; }

private:
    enum : unsigned char {
        ccBlank = 1, ccAlpha = 2, ccDigit = 4, ccSymbol = 8, ccQuote = 16, ccIdentQuote = 32,
        ccCommentStart = 64, ccIdentPart = 128,
    };

    int InternalGetNext();
    unsigned Class(char16_t c) const { return c < 128 ? charClass_[c] : (ccAlpha | ccIdentPart); }
    bool Fill(std::int64_t pos);
    void NoteLineBreak(std::int64_t pos, char16_t c);
    std::int64_t SkipBlanks(std::int64_t pos);
    std::int64_t ToLineEnd(std::int64_t pos);
    std::int64_t ToCommentEnd(std::int64_t pos);
    [[noreturn]] void UnknownSymbol(char16_t c) const;
    void SetToken(std::int64_t start, std::int64_t end) { tokenStart_ = start; tokenEnd_ = end; useUpper_ = false; }

    std::unique_ptr<TParserSource> source_;
    TCharBuffer buffer_;        // text from position base_ on
    std::int64_t base_ = 0;
    std::int64_t end_ = 0;      // base_ + buffer_.size()
    std::int64_t keepFrom_ = -1;
    bool initialized_ = false;
    unsigned char charClass_[128] = {};
    signed char symbolCode_[128] = {};
    const TKeywordTable* keywords_ = nullptr;

    std::int64_t currPos_ = 0, prevPos_ = 0;
    std::int64_t currLine_ = 0, prevLine_ = 0;
    std::int64_t lineStart_ = 0, prevLineStart_ = 0;
    std::int64_t tokenStart_ = 0, tokenEnd_ = 0;
    int tokenCode_ = lcEnd;
    bool quoteClosed_ = false;
    bool useUpper_ = false;
    UString upper_;             // a keyword's upper-cased text
};

}  // namespace brevant
