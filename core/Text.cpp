#include "core/Text.h"

#include <climits>
#include <cstdint>

#include "core/CodePage.h"

namespace brevant {

namespace {

constexpr char16_t kReplacement = 0xFFFD;

constexpr char32_t kMalformed = 0xFFFFFFFF;

/// Decodes the multi-byte sequence at p (p < end, *p >= 0x80) and moves p past it:
/// the code point, or kMalformed. A malformed sequence takes its lead byte and the
/// continuation bytes that belong to it, so the next character starts fresh.
char32_t DecodeSequence(const unsigned char*& p, const unsigned char* end) {
    const unsigned char c = *p;
    int extra;
    char32_t cp;
    char32_t min;
    if ((c & 0xE0) == 0xC0) { extra = 1; cp = c & 0x1F; min = 0x80; }
    else if ((c & 0xF0) == 0xE0) { extra = 2; cp = c & 0x0F; min = 0x800; }
    else if ((c & 0xF8) == 0xF0) { extra = 3; cp = c & 0x07; min = 0x10000; }
    else { ++p; return kMalformed; }
    if (end - p <= extra) {
        // Truncated sequence: consume the lead byte and any continuation bytes.
        ++p;
        while (p < end && (*p & 0xC0) == 0x80) ++p;
        return kMalformed;
    }
    int i = 1;
    for (; i <= extra; ++i) {
        if ((p[i] & 0xC0) != 0x80) break;
        cp = (cp << 6) | (p[i] & 0x3F);
    }
    if (i <= extra) {  // a continuation byte is missing
        p += i;
        return kMalformed;
    }
    p += extra + 1;
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return kMalformed;
    return cp;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

char16_t AsciiUpper(char16_t c) { return (c >= u'a' && c <= u'z') ? c - 32 : c; }
char16_t AsciiLower(char16_t c) { return (c >= u'A' && c <= u'Z') ? c + 32 : c; }

}  // namespace

std::size_t Utf8ToUtf16(std::string_view utf8, char16_t* out) {
    char16_t* const first = out;
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    const auto* end = p + utf8.size();
    while (p < end) {
        if (*p < 0x80) {
            *out++ = *p++;
            continue;
        }
        char32_t cp = DecodeSequence(p, end);
        if (cp == kMalformed) {
            *out++ = kReplacement;
        } else if (cp < 0x10000) {
            *out++ = static_cast<char16_t>(cp);
        } else {
            cp -= 0x10000;
            *out++ = static_cast<char16_t>(0xD800 + (cp >> 10));
            *out++ = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        }
    }
    return static_cast<std::size_t>(out - first);
}

UString Utf8ToUtf16(std::string_view utf8) {
    UString out(utf8.size(), u'\0');
    out.resize(Utf8ToUtf16(utf8, out.data()));
    return out;
}

bool IsValidUtf8(std::string_view bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* end = p + bytes.size();
    while (p < end) {
        if (*p < 0x80) ++p;
        else if (DecodeSequence(p, end) == kMalformed) return false;
    }
    return true;
}

void AppendUtf16AsUtf8(std::string& out, UStringView text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c < 0x80) {
            out += static_cast<char>(c);
            continue;
        }
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = kReplacement;
        }
        AppendUtf8(out, c);
    }
}

std::string Utf16ToUtf8(UStringView text) {
    std::string out;
    out.reserve(text.size());
    AppendUtf16AsUtf8(out, text);
    return out;
}

UString AnsiToUtf16(std::string_view bytes) { return CodePageConverter::Ansi().ToUtf16(bytes); }

std::string Utf16ToAnsi(UStringView text) { return CodePageConverter::Ansi().FromUtf16(text); }

UString Widen(std::string_view ascii) {
    UString out(ascii.size(), u'\0');
    for (std::size_t i = 0; i < ascii.size(); ++i) out[i] = static_cast<unsigned char>(ascii[i]);
    return out;
}

bool SameTextAscii(UStringView a, UStringView b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
    return true;
}

UString UpperCaseAscii(UStringView text) {
    UString out(text);
    for (auto& c : out) c = AsciiUpper(c);
    return out;
}

UString LowerCaseAscii(UStringView text) {
    UString out(text);
    for (auto& c : out) c = AsciiLower(c);
    return out;
}

UStringView TrimView(UStringView text) {
    std::size_t b = 0, e = text.size();
    while (b < e && text[b] <= u' ') ++b;
    while (e > b && text[e - 1] <= u' ') --e;
    return text.substr(b, e - b);
}

UString IntToStr(long long value) { return Widen(std::to_string(value)); }
UString UIntToStr(unsigned long long value) { return Widen(std::to_string(value)); }

bool TryStrToInt(UStringView text, int& value) {
    UStringView t = TrimView(text);
    bool negative = false;
    if (!t.empty() && (t[0] == u'-' || t[0] == u'+')) {
        negative = t[0] == u'-';
        t.remove_prefix(1);
    }
    unsigned base = 10;
    if (!t.empty() && t[0] == u'$') {
        base = 16;
        t.remove_prefix(1);
    } else if (t.size() >= 2 && t[0] == u'0' && (t[1] == u'x' || t[1] == u'X')) {
        base = 16;
        t.remove_prefix(2);
    }
    if (t.empty()) return false;
    unsigned long long acc = 0;
    for (char16_t c : t) {
        unsigned d;
        if (c >= u'0' && c <= u'9') d = c - u'0';
        else if (base == 16 && c >= u'a' && c <= u'f') d = c - u'a' + 10;
        else if (base == 16 && c >= u'A' && c <= u'F') d = c - u'A' + 10;
        else return false;
        acc = acc * base + d;
        if (acc > 0xFFFFFFFFull) return false;
    }
    if (base == 16) {
        // Hexadecimal text names the 32-bit pattern: $FFFFFFFF is -1.
        auto bits = static_cast<std::uint32_t>(acc);
        value = static_cast<int>(negative ? 0u - bits : bits);
        return true;
    }
    if (negative) {
        if (acc > 0x80000000ull) return false;
        value = static_cast<int>(-static_cast<long long>(acc));
    } else {
        if (acc > static_cast<unsigned long long>(INT_MAX)) return false;
        value = static_cast<int>(acc);
    }
    return true;
}

}  // namespace brevant
