#include "script/lexer/ParserSource.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "core/CodePage.h"
#include "script/lexer/LexerCodes.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

/// Is b the lead byte of a two-byte character in a double-byte code page?
bool IsLeadByte(unsigned codePage, unsigned char b) {
    switch (codePage) {
    case 932: return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);  // Shift-JIS
    case 936: case 949: case 950: return b >= 0x81 && b <= 0xFE;           // GBK, UHC, Big5
    default: return false;
    }
}

/// Where a block in a multi-byte code page must be cut so that no character is split:
/// a trail byte read alone could be taken for a back-slash or a quote. The block starts
/// on a character, so the characters are counted from its start.
std::size_t AnsiCompletePrefix(unsigned codePage, const std::string& bytes, std::size_t n) {
    if (codePage == 65001) return Utf8CompletePrefix(bytes, n);
    std::size_t i = 0;
    while (i < n) {
        if (!IsLeadByte(codePage, static_cast<unsigned char>(bytes[i]))) {
            ++i;
            continue;
        }
        if (i + 1 >= n) return i;  // the trail byte is in the next block
        // Trail bytes are 0x40 and up: a lead byte before anything else stands alone.
        i += static_cast<unsigned char>(bytes[i + 1]) >= 0x40 ? 2 : 1;
    }
    return n;
}

/// The 8-bit code page as a table, when it is a single-byte one that keeps ASCII as it
/// is (nullptr otherwise).
const char16_t* AnsiTable() {
    static const char16_t* const table = []() -> const char16_t* {
        const char16_t* t = CodePageConverter::Ansi().SingleByteTable();
        if (!t) return nullptr;
        for (char16_t c = 0; c < 128; ++c)
            if (t[c] != c) return nullptr;  // the ASCII shortcut below would be wrong
        return t;
    }();
    return table;
}

}  // namespace

char16_t* TCharBuffer::Extend(std::size_t n) {
    if (size_ + n > capacity_) {
        const std::size_t capacity = std::max({size_ + n, capacity_ * 2, std::size_t(4096)});
        auto data = std::make_unique_for_overwrite<char16_t[]>(capacity);
        if (size_) std::memcpy(data.get(), data_.get(), size_ * sizeof(char16_t));
        data_ = std::move(data);
        capacity_ = capacity;
    }
    char16_t* p = data_.get() + size_;
    size_ += n;
    return p;
}

void TCharBuffer::EraseFront(std::size_t n) {
    if (n >= size_) {
        size_ = 0;
        return;
    }
    std::memmove(data_.get(), data_.get() + n, (size_ - n) * sizeof(char16_t));
    size_ -= n;
}

void TCharBuffer::Assign(UStringView text) {
    size_ = 0;
    if (!text.empty()) std::memcpy(Extend(text.size()), text.data(), text.size() * sizeof(char16_t));
}

TParserSource::TParserSource(std::istream& stream, TParserEncoding encoding, std::int64_t size)
    : stream_(stream), encoding_(encoding), size_(size), start_(stream.tellg()),
      blockSize_(BlockSizeForTesting ? BlockSizeForTesting : BlockSize) {}

bool TParserSource::ReadBlock(TCharBuffer& out) {
    const std::size_t before = out.size();
    while (out.size() == before) {
        if (eof_ && carry_ == 0) return false;
        std::size_t want = blockSize_;
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
                char16_t* d = out.Extend(n);
                const auto* b = reinterpret_cast<const unsigned char*>(bytes_.data());
                std::size_t i = 0;
                // ASCII is kept as is by every code page the table is used for: widen it
                // sixteen bytes at a time where SSE2 exists, else eight.
#if defined(__SSE2__)
                const __m128i zero = _mm_setzero_si128();
                for (; i + 16 <= n; i += 16) {
                    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i));
                    if (_mm_movemask_epi8(x)) {
                        for (std::size_t k = i; k < i + 16; ++k) d[k] = table[b[k]];
                    } else {
                        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), _mm_unpacklo_epi8(x, zero));
                        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i + 8), _mm_unpackhi_epi8(x, zero));
                    }
                }
#endif
                for (; i + 8 <= n; i += 8) {
                    std::uint64_t w;
                    std::memcpy(&w, b + i, 8);
                    if (w & 0x8080808080808080ull) {
                        for (std::size_t k = i; k < i + 8; ++k) d[k] = table[b[k]];
                    } else {
                        for (std::size_t k = i; k < i + 8; ++k) d[k] = b[k];
                    }
                }
                for (; i < n; ++i) d[i] = table[b[i]];
            } else {
                // A multi-byte code page: a character the block end would split waits for
                // the next block.
                const CodePageConverter& ansi = CodePageConverter::Ansi();
                if (!eof_) use = AnsiCompletePrefix(ansi.CodePage(), bytes_, n);
                const UString text = ansi.ToUtf16(std::string_view(bytes_.data(), use));
                std::memcpy(out.Extend(text.size()), text.data(), text.size() * sizeof(char16_t));
            }
            break;
        case peUtf8: {
            if (!eof_) use = Utf8CompletePrefix(bytes_, n);
            const std::size_t old = out.size();
            out.Truncate(old + Utf8ToUtf16(std::string_view(bytes_.data(), use), out.Extend(use)));
            break;
        }
        case peUtf16: {
            use = n & ~std::size_t(1);
            char16_t* d = out.Extend(use / 2);
            const auto* b = reinterpret_cast<const unsigned char*>(bytes_.data());
            for (std::size_t i = 0; i < use / 2; ++i)
                d[i] = static_cast<char16_t>(b[2 * i] | (b[2 * i + 1] << 8));
            if (eof_ && use < n) {  // a last odd byte cannot form a character
                *out.Extend(1) = 0xFFFD;
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
