#include "core/Format.h"

#include <charconv>
#include <cstdint>

#include "core/Errors.h"

namespace brevant {

namespace {

struct Directive {
    bool leftAlign = false;
    bool zeroPad = false;
    int width = -1;
    int precision = -1;
    char16_t kind = 0;
};

[[noreturn]] void BadFormat(UStringView format) {
    throw EConvertError(u"Format '" + UString(format) + u"' invalid or incompatible with argument");
}

UString Digits(const FormatArg::Value& v, char16_t kind, UStringView format) {
    char buf[32];
    int base = (kind == u'x' || kind == u'X') ? 16 : 10;
    std::to_chars_result r;
    if (const auto* s = std::get_if<long long>(&v)) {
        if (base == 16) {
            // Hexadecimal shows the 64-bit pattern of negative numbers, as the frame does
            // with its Int64 arguments; 32-bit callers pass values that fit.
            long long x = *s;
            unsigned long long u = x < 0 && x >= INT32_MIN ? static_cast<std::uint32_t>(x) : static_cast<unsigned long long>(x);
            r = std::to_chars(buf, buf + sizeof buf, u, 16);
        } else {
            r = std::to_chars(buf, buf + sizeof buf, *s, 10);
        }
    } else if (const auto* u = std::get_if<unsigned long long>(&v)) {
        r = std::to_chars(buf, buf + sizeof buf, *u, base);
    } else {
        BadFormat(format);
    }
    UString out = Widen(std::string_view(buf, r.ptr - buf));
    if (kind == u'X')
        for (auto& c : out)
            if (c >= u'a' && c <= u'f') c -= 32;
    return out;
}

UString Text(const FormatArg::Value& v, UStringView format) {
    if (const auto* w = std::get_if<UStringView>(&v)) return UString(*w);
    if (const auto* n = std::get_if<std::string_view>(&v)) return Utf8ToUtf16(*n);
    BadFormat(format);
}

}  // namespace

UString Format(UStringView format, std::initializer_list<FormatArg> args) {
    UString out;
    out.reserve(format.size() + 16);
    auto next = args.begin();
    for (std::size_t i = 0; i < format.size(); ++i) {
        char16_t c = format[i];
        if (c != u'%') {
            out.push_back(c);
            continue;
        }
        if (++i >= format.size()) BadFormat(format);
        if (format[i] == u'%') {
            out.push_back(u'%');
            continue;
        }
        Directive directive;
        if (format[i] == u'-') { directive.leftAlign = true; ++i; }
        if (i < format.size() && format[i] == u'0') { directive.zeroPad = true; ++i; }
        auto readNumber = [&](int& target) {
            while (i < format.size() && format[i] >= u'0' && format[i] <= u'9') {
                target = (target < 0 ? 0 : target) * 10 + (format[i] - u'0');
                if (target > 1024) BadFormat(format);
                ++i;
            }
        };
        readNumber(directive.width);
        if (i < format.size() && format[i] == u'.') {
            ++i;
            directive.precision = 0;
            readNumber(directive.precision);
        }
        if (i >= format.size()) BadFormat(format);
        directive.kind = format[i];
        if (next == args.end()) BadFormat(format);
        const FormatArg::Value& v = (next++)->value();
        UString piece;
        switch (directive.kind) {
            case u'd':
            case u'u':
            case u'x':
            case u'X': {
                piece = Digits(v, directive.kind, format);
                bool negative = !piece.empty() && piece[0] == u'-';
                if (directive.precision > 0) {
                    std::size_t digits = piece.size() - (negative ? 1 : 0);
                    if (digits < static_cast<std::size_t>(directive.precision))
                        piece.insert(negative ? 1 : 0, directive.precision - digits, u'0');
                }
                break;
            }
            case u's':
                piece = Text(v, format);
                if (directive.precision >= 0 && piece.size() > static_cast<std::size_t>(directive.precision))
                    piece.resize(directive.precision);
                break;
            default:
                BadFormat(format);
        }
        if (directive.width > 0 && piece.size() < static_cast<std::size_t>(directive.width)) {
            std::size_t pad = directive.width - piece.size();
            if (directive.leftAlign) piece.append(pad, u' ');
            else piece.insert(0, pad, (directive.zeroPad && directive.kind != u's') ? u'0' : u' ');
        }
        out += piece;
    }
    return out;
}

std::string FormatUtf8(std::string_view format, std::initializer_list<FormatArg> args) {
    return Utf16ToUtf8(Format(Utf8ToUtf16(format), args));
}

}  // namespace brevant
