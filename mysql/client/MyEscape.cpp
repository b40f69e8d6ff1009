#include "mysql/client/MyEscape.h"

namespace brevant {

namespace {

// Lead-byte ranges of the double-byte sets whose trail bytes reach into ASCII.
struct LeadRanges {
    const char16_t* charset;
    unsigned char lo1, hi1, lo2, hi2;
};

constexpr LeadRanges kDoubleByteSets[] = {
    {u"gbk", 0x81, 0xFE, 0, 0},       {u"gb2312", 0x81, 0xFE, 0, 0},  {u"big5", 0xA1, 0xF9, 0, 0},
    {u"sjis", 0x81, 0x9F, 0xE0, 0xFC}, {u"cp932", 0x81, 0x9F, 0xE0, 0xFC},
};

const LeadRanges* DoubleByteSet(UStringView charset) {
    for (const auto& s : kDoubleByteSets)
        if (charset == s.charset) return &s;
    return nullptr;
}

bool IsLead(const LeadRanges& r, unsigned char c) {
    return (c >= r.lo1 && c <= r.hi1) || (r.lo2 != 0 && c >= r.lo2 && c <= r.hi2);
}

template <class Char>
inline void AppendEscaped(std::basic_string<Char>& out, Char c, bool needBackslashes) {
    if (!needBackslashes) {
        if (c == Char('\'')) out += Char('\'');
        out += c;
        return;
    }
    switch (c) {
        case Char(0): out += Char('\\'); out += Char('0'); break;
        case Char('\n'): out += Char('\\'); out += Char('n'); break;
        case Char('\r'): out += Char('\\'); out += Char('r'); break;
        case Char(26): out += Char('\\'); out += Char('Z'); break;
        case Char('"'): case Char('\''): case Char('\\'): out += Char('\\'); out += c; break;
        default: out += c;
    }
}

}  // namespace

std::string EscapeAndQuoteStr(std::string_view bytes, bool needBackslashes, UStringView charset) {
    std::string out;
    out.reserve(bytes.size() + 2 + bytes.size() / 8);
    out += '\'';
    const LeadRanges* dbcs = DoubleByteSet(charset);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        if (dbcs && IsLead(*dbcs, c) && i + 1 < bytes.size() && static_cast<unsigned char>(bytes[i + 1]) >= 0x40) {
            out += bytes[i];
            out += bytes[++i];
            continue;
        }
        AppendEscaped<char>(out, bytes[i], needBackslashes);
    }
    out += '\'';
    return out;
}

UString EscapeAndQuoteWideStr(UStringView chars, bool needBackslashes) {
    UString out;
    out.reserve(chars.size() + 2 + chars.size() / 8);
    out += u'\'';
    for (char16_t c : chars) AppendEscaped<char16_t>(out, c, needBackslashes);
    out += u'\'';
    return out;
}

}  // namespace brevant
