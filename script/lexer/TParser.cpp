#include "script/lexer/TParser.h"

#include "core/Format.h"
#include "script/lexer/Keywords.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace brevant {

namespace {

// The symbol characters with their codes, in code order (code = index + 1).
constexpr char16_t kSymbolChars[] = u"!\"#$%&'()*+,-./:;<=>?@[\\]^_`";

constexpr std::int64_t kCompactChars = 4 * 65536;

/// The first of the quote, a line break or (where it escapes) a back-slash at or after
/// j, else n: the bulk of a quoted text, eight characters at a time where SSE2 exists.
std::int64_t FindQuoteStop(const char16_t* d, std::int64_t j, std::int64_t n, char16_t quote, bool escapes) {
    const char16_t slash = escapes ? u'\\' : quote;
#if defined(__SSE2__)
    const __m128i vq = _mm_set1_epi16(static_cast<short>(quote));
    const __m128i vs = _mm_set1_epi16(static_cast<short>(slash));
    const __m128i vn = _mm_set1_epi16(u'\n');
    const __m128i vr = _mm_set1_epi16(u'\r');
    for (; j + 8 <= n; j += 8) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + j));
        const __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi16(x, vq), _mm_cmpeq_epi16(x, vs)),
                                         _mm_or_si128(_mm_cmpeq_epi16(x, vn), _mm_cmpeq_epi16(x, vr)));
        if (const int mask = _mm_movemask_epi8(hit)) return j + (__builtin_ctz(static_cast<unsigned>(mask)) >> 1);
    }
#endif
    for (; j < n; ++j) {
        const char16_t c = d[j];
        if (c == quote || c == slash || c == u'\n' || c == u'\r') break;
    }
    return j;
}

}  // namespace

TParser::TParser(UStringView text) : end_(static_cast<std::int64_t>(text.size())) { buffer_.Assign(text); }

TParser::TParser(std::istream& stream, TParserEncoding encoding, std::int64_t size)
    : source_(std::make_unique<TParserSource>(stream, encoding, size)) {}

TParser::~TParser() = default;

// ---- character classes -------------------------------------------------------------

bool TParser::IsSymbol(char16_t c) const {
    return (c >= 33 && c <= 47) || (c >= 58 && c <= 64) || (c >= 91 && c <= 94) || c == 96 ||
           (c >= 123 && c <= 127);
}

bool TParser::IsAlpha(char16_t c) const {
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_' || c > 127;
}

bool TParser::IsNumber(char16_t c) const { return c >= u'0' && c <= u'9'; }

bool TParser::IsStringQuote(char16_t c) const { return c == u'\'' || c == u'"'; }

bool TParser::IsIdentQuote(char16_t c) const { return c == u'`'; }

int TParser::SymbolCode(char16_t c) const {
    for (int i = 0; kSymbolChars[i]; ++i)
        if (kSymbolChars[i] == c) return i + 1;
    return lcSymbol;
}

bool TParser::IsInlineComment(std::int64_t pos) {
    return At(pos) == u'-' && Avail(pos + 1) && At(pos + 1) == u'-';
}

void TParser::InitParser() {
    for (char16_t c = 0; c < 128; ++c) {
        unsigned cls = 0;
        // Form feed, vertical tab and Ctrl-Z (the end mark of old DOS files) are blanks
        // to the server too.
        if (c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\f' || c == u'\v' || c == 0x1A)
            cls = ccBlank;
        else if (IsAlpha(c)) cls = ccAlpha | ccIdentPart;
        else if (IsNumber(c)) cls = ccDigit | ccIdentPart;
        else if (IsStringQuote(c)) cls = ccQuote;
        else if (IsIdentQuote(c)) cls = ccIdentQuote;
        else if (IsSymbol(c)) cls = ccSymbol;
        if (c == u'$') cls |= ccIdentPart;  // "$" continues an identifier in every dialect
        if (c == u'#') cls &= ~ccIdentPart;  // where "#" is a letter it starts a comment even after a name
        if (c == u'#' || c == u'-' || c == u'/') cls |= ccCommentStart;
        charClass_[c] = static_cast<unsigned char>(cls);
        symbolCode_[c] = static_cast<signed char>((cls & ccSymbol) ? SymbolCode(c) : 0);
    }
    keywords_ = Keywords();
    initialized_ = true;
}

// ---- buffer --------------------------------------------------------------------------

bool TParser::Fill(std::int64_t pos) {
    if (!source_) return false;
    while (pos >= end_) {
        // Keep the text from the start of the previous token (or the kept position) on;
        // drop what lies before it.
        // The dead text is dropped once it is a few blocks long, so that the live text
        // (usually short) is moved seldom while memory stays bounded.
        const std::int64_t keep = (keepFrom_ >= 0 && keepFrom_ < prevPos_) ? keepFrom_ : prevPos_;
        if (keep - base_ >= kCompactChars) {
            buffer_.EraseFront(static_cast<std::size_t>(keep - base_));
            base_ = keep;
        }
        if (!source_->ReadBlock(buffer_)) {
            end_ = base_ + static_cast<std::int64_t>(buffer_.size());
            return false;
        }
        end_ = base_ + static_cast<std::int64_t>(buffer_.size());
    }
    return true;
}

std::int64_t TParser::StreamBytesRead() const { return source_ ? source_->BytesRead() : 0; }

void TParser::NoteLineBreak(std::int64_t pos, char16_t c) {
    if (c == u'\n' || (c == u'\r' && !(Avail(pos + 1) && At(pos + 1) == u'\n'))) {
        ++currLine_;
        lineStart_ = pos + 1;
    }
}

// ---- scanning ------------------------------------------------------------------------

std::int64_t TParser::SkipBlanks(std::int64_t p) {
    while (Avail(p)) {
        const char16_t c = At(p);
        if (c >= 128 || !(charClass_[c] & ccBlank)) break;
        if (c != u'\n' && c != u'\r') { ++p; continue; }
        NoteLineBreak(p, c);
        ++p;
    }
    return p;
}

std::int64_t TParser::ToLineEnd(std::int64_t p) {
    while (Avail(p)) {
        const char16_t c = At(p);
        if (c == u'\n' || c == u'\r') break;
        ++p;
    }
    return p;
}

std::int64_t TParser::ToCommentEnd(std::int64_t p) {
    p += 2;  // past "/*"
    while (Avail(p)) {
        const char16_t c = At(p);
        if (c == u'*' && Avail(p + 1) && At(p + 1) == u'/') return p + 2;
        if (c == u'\n' || c == u'\r') NoteLineBreak(p, c);
        ++p;
    }
    return p;
}

std::int64_t TParser::ToRightQuoteP(std::int64_t p, char16_t quote, bool escapes) {
    quoteClosed_ = false;
    ++p;  // past the opening quote
    while (Avail(p)) {
        char16_t c = At(p);
        if (c == quote) {
            quoteClosed_ = true;
            return p + 1;
        }
        if (c == u'\\' && escapes) {
            ++p;
            if (!Avail(p)) break;
            c = At(p);
        }
        if (c == u'\n' || c == u'\r') NoteLineBreak(p, c);
        ++p;
    }
    return p;
}

void TParser::ToRightQuote(char16_t quote) { currPos_ = ToRightQuoteP(currPos_, quote, true); }

void TParser::UnknownSymbol(char16_t c) const {
    throw EParserError(Format(u"Parser: The unknown symbol $%.4X  '%s'", {unsigned(c), UStringView(&c, 1)}));
}

int TParser::InternalGetNext() {
    for (;;) {
        prevPos_ = currPos_;
        prevLine_ = currLine_;
        prevLineStart_ = lineStart_;

        const std::int64_t start = currPos_;
        currPos_ = SkipBlanks(currPos_);
        if (currPos_ > start && !OmitBlank) {
            SetToken(start, currPos_);
            return lcBlank;
        }
        if (!Avail(currPos_)) {
            SetToken(currPos_, currPos_);
            return lcEnd;
        }
        const std::int64_t p = currPos_;
        const char16_t c = At(p);
        const unsigned cls = Class(c);

        if (cls & ccCommentStart) {
            std::int64_t end = -1;
            bool inlineComment = false;
            if ((c == u'#' || c == u'-') && IsInlineComment(p)) {
                end = ToLineEnd(p + 1);
                inlineComment = true;
            } else if (c == u'/' && Avail(p + 1) && At(p + 1) == u'*') {
                end = ToCommentEnd(p);
            }
            if (end >= 0) {
                currPos_ = end;
                if (OmitComment || (inlineComment && OmitInlineComment)) continue;
                SetToken(p, end);
                return lcComment;
            }
        }
        if (cls & ccAlpha) {
            std::int64_t q = p + 1;
            while (Avail(q) && (Class(At(q)) & ccIdentPart)) ++q;
            currPos_ = q;
            SetToken(p, q);
            return lcIdent;
        }
        if (cls & ccDigit) {
            std::int64_t q = p + 1;
            while (Avail(q) && (Class(At(q)) & ccDigit)) ++q;
            if (Avail(q + 1) && At(q) == DecSeparator && (Class(At(q + 1)) & ccDigit)) {
                q += 2;
                while (Avail(q) && (Class(At(q)) & ccDigit)) ++q;
            }
            currPos_ = q;
            SetToken(p, q);
            return lcNumber;
        }
        if (cls == 0) UnknownSymbol(c);
        if (cls & ccQuote) {
            ToRightQuote(c);
            if (QuotedString) SetToken(p, currPos_);
            else SetToken(p + 1, quoteClosed_ ? currPos_ - 1 : currPos_);
            return lcString;
        }
        if (cls & ccIdentQuote) {
            // A back-slash is an ordinary character in a quoted name, as the server reads it.
            currPos_ = ToRightQuoteP(p, c, false);
            SetToken(p, currPos_);
            return lcIdent;
        }
        currPos_ = p + 1;
        SetToken(p, currPos_);
        return symbolCode_[c];
    }
}

// ---- bulk skipping for the splitter --------------------------------------------------

UStringView TParser::SkipPlain(TPlainScan& scan) {
    if (!initialized_) InitParser();
    const char16_t* d = buffer_.data();
    const std::int64_t n = static_cast<std::int64_t>(buffer_.size());
    const std::int64_t from = currPos_ - base_;
    std::int64_t i = from;
    std::int64_t line = currLine_, lineStart = lineStart_, lastLexemLine = scan.LastLexemLine;
    const auto isDigit = [&](std::int64_t k) { return (Class(d[k]) & ccDigit) != 0; };

    // Each branch either consumes a whole token lying inside the buffer or stops before it.
    while (i < n) {
        const char16_t c = d[i];
        const unsigned cls = Class(c);
        if (cls == ccSymbol) {  // the commonest case in a dump: ( , ) and the like
            if (c == scan.Delimiter) break;
            lastLexemLine = line;
            ++i;
            continue;
        }
        if (cls & ccBlank) {
            if (c == u'\n') {
                ++line;
                lineStart = base_ + i + 1;
            } else if (c == u'\r') {
                if (i + 1 >= n) break;  // is it CR LF? not known yet
                if (d[i + 1] != u'\n') {
                    ++line;
                    lineStart = base_ + i + 1;
                }
            }
            ++i;
            continue;
        }
        if (cls & ccCommentStart) {
            if (i + 3 >= n) break;  // the comment rules look up to three characters ahead
            if ((c == u'#' || c == u'-') && IsInlineComment(base_ + i)) {
                std::int64_t j = i + 1;
                while (j < n && d[j] != u'\n' && d[j] != u'\r') ++j;
                if (j >= n) break;
                i = j;
                continue;
            }
            if (c == u'/' && d[i + 1] == u'*') {
                std::int64_t j = i + 2, l = line, ls = lineStart;
                bool closed = false;
                for (; j + 1 < n; ++j) {
                    if (d[j] == u'*' && d[j + 1] == u'/') {
                        closed = true;
                        break;
                    }
                    if (d[j] == u'\n' || (d[j] == u'\r' && d[j + 1] != u'\n')) {
                        ++l;
                        ls = base_ + j + 1;
                    }
                }
                if (!closed) break;
                i = j + 2;
                line = l;
                lineStart = ls;
                continue;
            }
            if (c == u'/' && scan.SlashAtLineStart && base_ + i == lineStart) break;
        }
        if (cls & ccAlpha) {
            std::int64_t j = i + 1;
            while (j < n && (Class(d[j]) & ccIdentPart)) ++j;
            if (j >= n) break;  // the name may go on in the next block
            if (line > lastLexemLine && SameTextAscii(UStringView(d + i, j - i), u"DELIMITER")) break;
            lastLexemLine = line;
            i = j;
            continue;
        }
        if (cls & ccDigit) {
            std::int64_t j = i + 1;
            while (j < n && isDigit(j)) ++j;
            if (j + 1 >= n) break;
            if (d[j] == DecSeparator && isDigit(j + 1)) {
                j += 2;
                while (j < n && isDigit(j)) ++j;
                if (j >= n) break;
            }
            lastLexemLine = line;
            i = j;
            continue;
        }
        if (cls == 0) break;  // GetNextToken reports it
        if (cls & (ccQuote | ccIdentQuote)) {
            const bool escapes = (cls & ccQuote) != 0;
            std::int64_t j = i + 1, l = line, ls = lineStart;
            bool closed = false;
            for (; j < n; ++j) {
                j = FindQuoteStop(d, j, n, c, escapes);
                if (j >= n) break;
                char16_t q = d[j];
                if (q == c) {
                    closed = true;
                    break;
                }
                if (q == u'\\' && escapes) {
                    if (++j >= n) break;
                    q = d[j];
                }
                if (q == u'\n' || q == u'\r') {
                    if (q == u'\r' && j + 1 >= n) break;
                    if (q == u'\n' || d[j + 1] != u'\n') {
                        ++l;
                        ls = base_ + j + 1;
                    }
                }
            }
            if (!closed) break;
            i = j + 1;
            line = l;
            lineStart = ls;
            lastLexemLine = line;
            continue;
        }
        if (c == scan.Delimiter) break;
        lastLexemLine = line;
        ++i;
    }
    currPos_ = base_ + i;
    currLine_ = line;
    lineStart_ = lineStart;
    scan.LastLexemLine = lastLexemLine;
    return buffer_.View(static_cast<std::size_t>(from), static_cast<std::size_t>(i - from));
}

// ---- public operations ---------------------------------------------------------------

int TParser::GetNextToken() {
    if (!initialized_) InitParser();
    int code = InternalGetNext();
    if (code == lcIdent && keywords_) {
        const int kw = keywords_->Find(Token());
        if (kw) {
            code = kw;
            if (Uppered) {
                upper_ = UpperCaseAscii(Token());
                useUpper_ = true;
            }
        }
    }
    tokenCode_ = code;
    return code;
}

int TParser::GetNext(UString& text) {
    const int code = GetNextToken();
    text.assign(Token());
    return code;
}

UStringView TParser::Token() const {
    if (useUpper_) return upper_;
    if (tokenEnd_ <= tokenStart_) return {};
    return buffer_.View(static_cast<std::size_t>(tokenStart_ - base_), static_cast<std::size_t>(tokenEnd_ - tokenStart_));
}

UStringView TParser::Text(std::int64_t from, std::int64_t to) const {
    if (from < base_ || to > end_ || to <= from) return {};
    return buffer_.View(static_cast<std::size_t>(from - base_), static_cast<std::size_t>(to - from));
}

void TParser::Back() {
    currPos_ = prevPos_;
    currLine_ = prevLine_;
    lineStart_ = prevLineStart_;
}

void TParser::ToBegin() {
    if (source_) {
        source_->Rewind();
        buffer_.clear();
        base_ = end_ = 0;
        keepFrom_ = -1;
    }
    currPos_ = prevPos_ = 0;
    currLine_ = prevLine_ = 0;
    lineStart_ = prevLineStart_ = 0;
    SetToken(0, 0);
    tokenCode_ = lcEnd;
}

int TParser::ToLexem(int code, bool skipBrackets) {
    int depth = 0;
    for (;;) {
        const int c = GetNextToken();
        if (c == lcEnd) return lcEnd;
        if (c == code && (!skipBrackets || depth == 0)) return c;
        if (skipBrackets) {
            if (c == lxLeftBracket) ++depth;
            else if (c == lxRightBracket && depth > 0) --depth;
        }
    }
}

}  // namespace brevant
