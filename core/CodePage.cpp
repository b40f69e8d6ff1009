#include "core/CodePage.h"

#include <iconv.h>

#include <cerrno>
#include <cstdlib>
#include <memory>
#include <vector>

namespace brevant {

namespace {

bool IsMultiByteCodePage(unsigned cp) {
    return cp == 932 || cp == 936 || cp == 949 || cp == 950 || cp == 65001;
}

std::string IconvName(unsigned cp) {
    if (cp == 65001) return "UTF-8";
    return "CP" + std::to_string(cp);
}

struct Iconv {
    iconv_t cd;
    Iconv(const std::string& to, const std::string& from) : cd(iconv_open(to.c_str(), from.c_str())) {}
    ~Iconv() {
        if (cd != reinterpret_cast<iconv_t>(-1)) iconv_close(cd);
    }
    bool ok() const { return cd != reinterpret_cast<iconv_t>(-1); }
};

}  // namespace

unsigned AnsiCodePage() {
    static const unsigned cp = [] {
        const char* env = std::getenv("BREVANT_CODEPAGE");
        if (env && *env) {
            char* end = nullptr;
            unsigned long v = std::strtoul(env, &end, 10);
            if (end && *end == '\0' && v > 0 && v < 65536) {
                Iconv probe("UTF-16LE", IconvName(static_cast<unsigned>(v)));
                if (probe.ok()) return static_cast<unsigned>(v);
            }
        }
        return 1252u;
    }();
    return cp;
}

CodePageConverter::CodePageConverter(unsigned codePage)
    : codePage_(codePage), singleByte_(!IsMultiByteCodePage(codePage)), iconvName_(IconvName(codePage)) {
    for (int b = 0; b < 256; ++b) toUnicode_[b] = static_cast<char16_t>(b);
    if (!singleByte_) return;
    Iconv cd("UTF-16LE", iconvName_);
    if (!cd.ok()) {
        // An unknown code page degrades to Latin-1 semantics (byte value = code point).
        iconvName_ = "ISO-8859-1";
        return;
    }
    for (int b = 0; b < 256; ++b) {
        char in = static_cast<char>(b);
        unsigned char out[4] = {};
        char* inp = &in;
        size_t inLeft = 1;
        char* outp = reinterpret_cast<char*>(out);
        size_t outLeft = sizeof out;
        iconv(cd.cd, nullptr, nullptr, nullptr, nullptr);
        if (iconv(cd.cd, &inp, &inLeft, &outp, &outLeft) != static_cast<size_t>(-1) && outLeft == 2) {
            toUnicode_[b] = static_cast<char16_t>(out[0] | (out[1] << 8));
        }
        // Positions the code page leaves undefined keep U+00xx, so every byte round-trips.
    }
    fromUnicode_.reset(new short[65536]);
    for (int i = 0; i < 65536; ++i) fromUnicode_[i] = -1;
    for (int b = 255; b >= 0; --b) fromUnicode_[toUnicode_[b]] = static_cast<short>(b);
}

CodePageConverter::~CodePageConverter() = default;

UString CodePageConverter::ToUtf16(std::string_view bytes) const {
    if (singleByte_) {
        UString out(bytes.size(), u'\0');
        for (std::size_t i = 0; i < bytes.size(); ++i) out[i] = toUnicode_[static_cast<unsigned char>(bytes[i])];
        return out;
    }
    UString out;
    Iconv cd("UTF-16LE", iconvName_);
    if (!cd.ok()) return Widen(bytes);
    std::vector<char> buf(bytes.size() * 2 + 8);
    char* inp = const_cast<char*>(bytes.data());
    size_t inLeft = bytes.size();
    while (inLeft > 0) {
        char* outp = buf.data();
        size_t outLeft = buf.size();
        size_t r = iconv(cd.cd, &inp, &inLeft, &outp, &outLeft);
        for (char* q = buf.data(); q + 1 < outp; q += 2)
            out.push_back(static_cast<char16_t>(static_cast<unsigned char>(q[0]) | (static_cast<unsigned char>(q[1]) << 8)));
        if (r == static_cast<size_t>(-1) && errno != E2BIG) {
            // Invalid or incomplete sequence: keep the byte as U+00xx and go on.
            out.push_back(static_cast<unsigned char>(*inp));
            ++inp;
            --inLeft;
        }
    }
    return out;
}

std::string CodePageConverter::FromUtf16(UStringView text) const {
    std::string out;
    out.reserve(text.size());
    if (singleByte_) {
        for (std::size_t i = 0; i < text.size(); ++i) {
            char16_t c = text[i];
            if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
                out.push_back('?');
                ++i;
                continue;
            }
            short b = fromUnicode_ ? fromUnicode_[c] : (c < 256 ? static_cast<short>(c) : -1);
            out.push_back(b < 0 ? '?' : static_cast<char>(b));
        }
        return out;
    }
    Iconv cd(iconvName_, "UTF-16LE");
    if (!cd.ok()) return Utf16ToUtf8(text);
    std::vector<char> buf(text.size() * 4 + 8);
    char* inp = reinterpret_cast<char*>(const_cast<char16_t*>(text.data()));
    size_t inLeft = text.size() * 2;
    while (inLeft > 0) {
        char* outp = buf.data();
        size_t outLeft = buf.size();
        size_t r = iconv(cd.cd, &inp, &inLeft, &outp, &outLeft);
        out.append(buf.data(), outp);
        if (r == static_cast<size_t>(-1) && errno != E2BIG) {
            out.push_back('?');
            std::size_t skip = inLeft >= 2 ? 2 : inLeft;
            inp += skip;
            inLeft -= skip;
        }
    }
    return out;
}

const CodePageConverter& CodePageConverter::Ansi() {
    static const CodePageConverter converter(AnsiCodePage());
    return converter;
}

}  // namespace brevant
