#include "script/lexer/ParserSource.h"

#include <algorithm>
#include <cstring>

#include "core/CodePage.h"
#include "script/lexer/LexerCodes.h"

namespace brevant {

namespace {

/// Length of the UTF-8 sequence led by c (1 for anything that cannot lead one).
int Utf8SequenceLength(unsigned char c) {
    if ((c & 0xE0) == 0xC0) return 2;
    if ((c & 0xF0) == 0xE0) return 3;
    if ((c & 0xF8) == 0xF0) return 4;
    return 1;
}

/// Where a UTF-8 block must be cut so that no multi-byte sequence is split: before
/// the lead byte of a trailing sequence that is not complete.
std::size_t Utf8CompletePrefix(const std::string& bytes, std::size_t n) {
    const std::size_t lookBack = std::min<std::size_t>(n, 3);
    for (std::size_t back = 1; back <= lookBack; ++back) {
        const auto c = static_cast<unsigned char>(bytes[n - back]);
        if ((c & 0xC0) == 0x80) continue;  // continuation byte: look further back
        const int len = Utf8SequenceLength(c);
        return (len > static_cast<int>(back)) ? n - back : n;
    }
    return n;
}

void AppendUtf8Ascii(UString& out, const char* p, std::size_t n) {
    // The common case of a dump is ASCII; widen it without the general decoder.
    std::size_t i = 0;
    while (i < n && static_cast<unsigned char>(p[i]) < 0x80) ++i;
    const std::size_t old = out.size();
    out.resize(old + i);
    char16_t* d = out.data() + old;
    for (std::size_t k = 0; k < i; ++k) d[k] = static_cast<unsigned char>(p[k]);
    if (i < n) out += Utf8ToUtf16(std::string_view(p + i, n - i));
}

/// The 8-bit code page as a table, when it is a single-byte one (nullptr otherwise).
const char16_t* AnsiTable() {
    static const UString table = [] {
        const CodePageConverter& cp = CodePageConverter::Ansi();
        if (!cp.IsSingleByte()) return UString();
        std::string all(256, '\0');
        for (int b = 0; b < 256; ++b) all[b] = static_cast<char>(b);
        UString t = cp.ToUtf16(all);
        return t.size() == 256 ? t : UString();
    }();
    return table.empty() ? nullptr : table.data();
}

}  // namespace

TParserSource::TParserSource(std::istream& stream, TParserEncoding encoding, std::int64_t size)
    : stream_(stream), encoding_(encoding), size_(size), start_(stream.tellg()) {}

bool TParserSource::ReadBlock(UString& out) {
    const std::size_t before = out.size();
    while (out.size() == before) {
        if (eof_ && carry_ == 0) return false;
        std::size_t want = BlockSize;
        if (size_ >= 0) want = static_cast<std::size_t>(std::min<std::int64_t>(want, size_ - read_));
        std::size_t got = 0;
        if (!eof_ && want > 0) {
            bytes_.resize(carry_ + want);
            stream_.read(bytes_.data() + carry_, static_cast<std::streamsize>(want));
            got = static_cast<std::size_t>(stream_.gcount());
            read_ += static_cast<std::int64_t>(got);
        }
        if (got < want || want == 0 || (size_ >= 0 && read_ >= size_)) eof_ = true;
        const std::size_t n = carry_ + got;
        std::size_t use = n;
        switch (encoding_) {
        case peAnsi:
            if (const char16_t* table = AnsiTable()) {
                const std::size_t old = out.size();
                out.resize(old + n);
                char16_t* d = out.data() + old;
                const auto* b = reinterpret_cast<const unsigned char*>(bytes_.data());
                for (std::size_t i = 0; i < n; ++i) d[i] = table[b[i]];
            } else {
                // A multi-byte code page: a character split by the block end is read as
                // two (the converter keeps unknown bytes as they are).
                out += CodePageConverter::Ansi().ToUtf16(std::string_view(bytes_.data(), n));
            }
            break;
        case peUtf8:
            if (!eof_) use = Utf8CompletePrefix(bytes_, n);
            AppendUtf8Ascii(out, bytes_.data(), use);
            break;
        case peUtf16: {
            use = n & ~std::size_t(1);
            const std::size_t old = out.size();
            out.resize(old + use / 2);
            const auto* b = reinterpret_cast<const unsigned char*>(bytes_.data());
            char16_t* d = out.data() + old;
            for (std::size_t i = 0; i < use / 2; ++i)
                d[i] = static_cast<char16_t>(b[2 * i] | (b[2 * i + 1] << 8));
            if (eof_ && use < n) {  // a last odd byte cannot form a character
                out.push_back(0xFFFD);
                use = n;
            }
            break;
        }
        }
        carry_ = n - use;
        if (carry_ > 0) std::memmove(bytes_.data(), bytes_.data() + use, carry_);
    }
    return true;
}

void TParserSource::Rewind() {
    stream_.clear();
    if (start_ == std::streampos(-1) || !stream_.seekg(start_))
        throw EParserError(std::string_view("Parser: the script stream cannot be read again"));
    read_ = 0;
    carry_ = 0;
    eof_ = false;
}

TParserEncoding DetectScriptEncoding(std::istream& stream) {
    const std::streampos start = stream.tellg();
    unsigned char mark[2] = {0, 0};
    stream.read(reinterpret_cast<char*>(mark), 2);
    if (stream.gcount() == 2) {
        if (mark[0] == 0xFF && mark[1] == 0xFE) return peUtf16;
        if (mark[0] == 0xEF && mark[1] == 0xBB) {
            stream.get();
            stream.clear();
            return peUtf8;
        }
    }
    stream.clear();
    stream.seekg(start);
    return peAnsi;
}

}  // namespace brevant
