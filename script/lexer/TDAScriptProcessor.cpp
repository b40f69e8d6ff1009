#include "script/lexer/TDAScriptProcessor.h"

#include <algorithm>

#include "script/lexer/TParser.h"

namespace brevant {

TDAScriptProcessor::TDAScriptProcessor() = default;
TDAScriptProcessor::~TDAScriptProcessor() = default;

std::unique_ptr<TParser> TDAScriptProcessor::CreateParser(UStringView text) {
    return std::make_unique<TParser>(text);
}

std::unique_ptr<TParser> TDAScriptProcessor::CreateParser(std::istream& stream, TParserEncoding encoding,
                                                          std::int64_t size) {
    return std::make_unique<TParser>(stream, encoding, size);
}

void TDAScriptProcessor::AttachText(UStringView text) {
    parser_ = CreateParser(text);
    Attached();
}

void TDAScriptProcessor::AttachStream(std::istream& stream, TParserEncoding encoding, std::int64_t size) {
    parser_ = CreateParser(stream, encoding, size);
    Attached();
}

void TDAScriptProcessor::Attached() {
    // The splitter sees every character: blanks, comments and quotes stay in the text.
    parser_->OmitBlank = false;
    parser_->OmitComment = false;
    parser_->OmitInlineComment = false;
    parser_->Uppered = false;
    parser_->QuotedString = true;
    currDelimiter_ = Delimiter;
}

void TDAScriptProcessor::Reset() {
    statementType_ = ST_UNKNOWN;
    delimiterState_ = dsNone;
    tokenCount_ = 0;
}

bool TDAScriptProcessor::IsVersionedComment(UStringView text) {
    return text.starts_with(u"/*!") || text.starts_with(u"/*M!");
}

bool TDAScriptProcessor::IsDelimiterWord(int code, UStringView text) {
    return code == lxDELIMITER || (code == lcIdent && SameTextAscii(text, u"DELIMITER"));
}

void TDAScriptProcessor::CheckLexem(int code, UStringView text) {
    if (code == lcBlank || code == lcComment) return;
    // DELIMITER that begins a statement is the command. One that begins a later line of
    // an unfinished statement ends that statement first (ExecuteNext), and is then read
    // again as the first word of the next one.
    if (tokenCount_ == 0 && IsDelimiterWord(code, text)) {
        delimiterState_ = dsDelimiter;
        statementType_ = ST_DELIMETER;
    }
    ++tokenCount_;
    lastLexemLine_ = parser_->CurrLine();
}

bool TDAScriptProcessor::DelimiterCommandFollows(std::int64_t statementStart) {
    TParser& parser = *parser_;
    // Only where no other word precedes it on its line, as the server's command-line
    // client reads it; elsewhere it is a name (a column called delimiter).
    if (parser.PrevLine() <= lastLexemLine_) return false;
    // The command's value follows on the same line after a blank: "delimiter = 1",
    // "delimiter," or "delimiter" alone on its line are a name.
    std::int64_t p = parser.CurrPos();
    int c = parser.CharAt(p);
    if (c != u' ' && c != u'\t') return false;
    while (c == u' ' || c == u'\t') c = parser.CharAt(++p);
    if (c < 0 || c == u'\r' || c == u'\n' || UStringView(u"=,().:").find(static_cast<char16_t>(c)) != UStringView::npos)
        return false;
    // The statement so far must be complete enough to end here: not inside brackets (a
    // column of a CREATE TABLE), nor after an operator or a word that wants an operand.
    // The text is read on from where the last such look stopped, so that many of these
    // lines in one statement cost no more than reading it once.
    TPendingScan& scan = pendingScan_;
    if (scan.Pos < 0) scan = TPendingScan{statementStart};
    const std::unique_ptr<TParser> pending = CreateParser(parser.Text(scan.Pos, parser.PrevPos()));
    pending->OmitComment = true;
    for (int code; (code = pending->GetNextToken()) != lcEnd;) {
        if (code == lxLeftBracket) ++scan.Depth;
        else if (code == lxRightBracket && scan.Depth > 0) --scan.Depth;
        scan.Last = code;
        if (code == lcSymbol) scan.LastText.assign(pending->Token());
    }
    scan.Pos = parser.PrevPos();
    if (scan.Depth > 0) return false;
    static constexpr int kWantOperand[] = {lxAND, lxAS, lxBY, lxDISTINCT, lxELSE, lxFROM, lxHAVING, lxINTO, lxIS,
                                           lxJOIN, lxNOT, lxON, lxOR, lxSELECT, lxSET, lxTHEN, lxUPDATE, lxWHEN, lxWHERE,
                                           lxComma, lxPoint, lxEqual, lxAsterisk, lxColon, lxSlash, lxAt};
    for (const int w : kWantOperand)
        if (scan.Last == w) return false;
    return !(scan.Last == lcSymbol && UStringView(u"+-<>!&|^~%").find(scan.LastText) != UStringView::npos);
}

bool TDAScriptProcessor::MatchesDelimiter(int code, std::int64_t& matchStart) {
    TParser& parser = *parser_;
    // Quotes and comments hide the delimiter. Every other token is plain text in which
    // it is looked for, also where it sticks to a word ("END$$", "p$$") or is made of
    // several symbols ("//"): a match may begin in the tokens just before, as long as no
    // blank, comment or quote lies between.
    if (code == lcBlank || code == lcComment || code == lcString ||
        (code == lcIdent && !parser.Token().empty() && parser.Token()[0] == u'`')) {
        runStart_ = -1;
        return false;
    }
    const std::int64_t tokenStart = parser.PrevPos(), tokenEnd = parser.CurrPos();
    if (runStart_ < 0) runStart_ = tokenStart;
    const auto length = static_cast<std::int64_t>(currDelimiter_.size());
    const std::int64_t from = std::max(runStart_, tokenStart - (length - 1));
    const std::size_t at = parser.Text(from, tokenEnd).find(currDelimiter_);
    if (at != UStringView::npos) {
        // The BEGIN ... END count keeps a routine body together only under the script's
        // own delimiter: one set by a DELIMITER command always ends the statement, so
        // that a miscounted body cannot swallow the rest of the script.
        const bool own = currDelimiter_ == Delimiter;
        if (own && IsSpecificSQL(statementType_)) return false;
        matchStart = from + static_cast<std::int64_t>(at);
        if (matchStart + length < tokenEnd) parser.BackTo(matchStart + length);  // the rest is read again
        return true;
    }
    if (code == lxSlash && SlashIsDelimiter() && currDelimiter_ == Delimiter && parser.PrevCol() == 0) {
        const int next = parser.PeekChar();
        if (next < 0 || next == u'\n' || next == u'\r') {
            matchStart = tokenStart;
            return true;
        }
    }
    return false;
}

bool TDAScriptProcessor::IsPlainStatement() const {
    // A one-character delimiter that the lexer returns as a token of its own and that
    // cannot start a comment, a string or a name.
    static constexpr UStringView kPlainDelimiters = u"!%&()*+,.:;<=>?@[\\]^{|}~";
    return delimiterState_ == dsNone && statementType_ == ST_UNKNOWN && tokenCount_ >= 2 &&
           currDelimiter_.size() == 1 && kPlainDelimiters.find(currDelimiter_[0]) != UStringView::npos;
}

bool TDAScriptProcessor::ExecuteNext() {
    if (!parser_) return false;
    TParser& parser = *parser_;
    for (;;) {
        Reset();
        newDelimiter_.clear();
        // The statement is the script's text from its first token up to the delimiter:
        // the lexer keeps that text in memory instead of the statement being copied
        // token by token.
        parser.KeepFrom(parser.CurrPos());
        TScriptStatement st;
        bool started = false;
        bool onlyComments = true;
        bool versioned = false;  // holds a versioned comment ("/*!40101 ... */")
        runStart_ = -1;
        pendingScan_.Pos = -1;
        int code;
        for (;;) {
            if (FastScan && started && IsPlainStatement()) {
                TParser::TPlainScan scan;
                scan.Delimiter = currDelimiter_[0];
                scan.SlashAtLineStart = SlashIsDelimiter() && currDelimiter_ == Delimiter;
                scan.LastLexemLine = lastLexemLine_;
                if (!parser.SkipPlain(scan).empty()) {
                    lastLexemLine_ = scan.LastLexemLine;
                    runStart_ = -1;
                }
            }
            code = parser.GetNextToken();
            UStringView text = parser.Token();

            // A DELIMITER command collects its value.
            bool inCommand = true;
            switch (delimiterState_) {
            case dsDelimiter:
            case dsBlank:
                if (code == lcBlank) {
                    // A line break before any value ends a command that names none.
                    delimiterState_ = IsBlankEndsDelimeter() && text.find_first_of(u"\r\n") != UStringView::npos
                                          ? dsSet : dsBlank;
                } else if (code != lcEnd) {
                    delimiterState_ = dsValue;
                    newDelimiter_.assign(text);
                }
                break;
            case dsValue:
                if (code == lcEnd) delimiterState_ = dsSet;
                else if (code == lcBlank) {
                    if (IsBlankEndsDelimeter()) delimiterState_ = dsSet;
                } else if (!IsBlankEndsDelimeter() && text == UStringView(currDelimiter_)) {
                    delimiterState_ = dsSet;
                } else {
                    newDelimiter_.append(text);
                }
                break;
            default:
                inCommand = false;
            }

            if (!inCommand && (tokenCount_ > 0 || versioned) && IsDelimiterWord(code, text) &&
                DelimiterCommandFollows(st.StartPos)) {
                // The unfinished statement is handed over as it stands; the command is
                // read again as the next statement.
                st.EndPos = parser.PrevPos();
                st.EndLine = parser.PrevLine();
                st.EndCol = parser.PrevCol();
                parser.Back();
                break;
            }
            text = parser.Token();  // the look past the word may have moved the text

            std::int64_t endPos = parser.PrevPos();
            bool end = delimiterState_ == dsSet || code == lcEnd;
            if (!end && !inCommand) end = MatchesDelimiter(code, endPos);
            if (end) {
                // A delimiter lies on one line: it starts on the line of the token that ends it.
                st.EndPos = endPos;
                st.EndLine = parser.PrevLine();
                st.EndCol = parser.PrevCol() - (parser.PrevPos() - endPos);
                break;
            }

            if (!started) {
                if (code == lcBlank) continue;  // white space before a statement is not part of it
                started = true;
                parser.KeepFrom(parser.PrevPos());
                st.StartPos = parser.PrevPos();
                st.StartLine = parser.PrevLine();
                st.StartCol = parser.PrevCol();
            }
            if (code == lcComment && tokenCount_ == 0 && IsVersionedComment(text)) {
                // The server runs what it holds: it is a statement of its own.
                versioned = true;
                lastLexemLine_ = parser.CurrLine();
            }
            if (code != lcBlank && code != lcComment) onlyComments = false;
            CheckLexem(code, text);
        }

        bool omit = false;
        if (statementType_ == ST_DELIMETER) {
            omit = true;
            if (!newDelimiter_.empty()) currDelimiter_ = newDelimiter_;  // "DELIMITER" alone changes nothing
        }
        const UStringView statement = started ? parser.Text(st.StartPos, st.EndPos) : UStringView();
        // Comments alone are no statement: the server would answer "Query was empty"
        // (the "-- Dump completed" lines that end every dump). A versioned comment is one.
        const bool dropped = onlyComments && !versioned && !MarksCommentStatements();
        if (!dropped && !TrimView(statement).empty()) {
            if (onlyComments && MarksCommentStatements()) {
                statementType_ = ST_COMMENT;
                omit = true;
            }
            st.SQL = statement;
            st.StatementType = statementType_;
            st.Omit = omit;
            return !OnStatement || OnStatement(st);
        }
        if (code == lcEnd) {
            parser_.reset();
            return false;
        }
    }
}

}  // namespace brevant
