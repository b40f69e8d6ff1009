#include "paths/FDField.h"

#include <charconv>
#include <cstdio>

#include "core/Format.h"
#include "paths/FDQuery.h"

namespace brevant {

namespace {

template <class T>
bool ParseNumber(std::string_view text, T& value) {
    const char* end = text.data() + text.size();
    auto [p, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && p == end && !text.empty();
}

bool ParseDigits(std::string_view text, std::size_t at, std::size_t count, int& value) {
    if (at + count > text.size()) return false;
    value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

// "YYYY-MM-DD", "YYYY-MM-DD hh:mm:ss[.fff]" or "hh:mm:ss", as both drivers write them.
bool ParseDateTime(std::string_view text, TDateTime& value) {
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, ms = 0;
    std::size_t at = 0;
    TDateTime date = 0, time = 0;
    bool hasDate = text.size() >= 10 && text[4] == '-' && text[7] == '-';
    if (hasDate) {
        if (!ParseDigits(text, 0, 4, y) || !ParseDigits(text, 5, 2, mo) || !ParseDigits(text, 8, 2, d) ||
            !TryEncodeDate(y, mo, d, date))
            return false;
        at = 10;
        if (at == text.size()) {
            value = date;
            return true;
        }
        if (text[at] != ' ' && text[at] != 'T') return false;
        ++at;
    }
    if (!ParseDigits(text, at, 2, h) || at + 2 >= text.size() || text[at + 2] != ':' ||
        !ParseDigits(text, at + 3, 2, mi) || at + 5 >= text.size() || text[at + 5] != ':' ||
        !ParseDigits(text, at + 6, 2, s))
        return false;
    at += 8;
    if (at < text.size()) {
        if (text[at] != '.') return false;
        int scale = 100;
        for (++at; at < text.size(); ++at, scale /= 10) {
            if (text[at] < '0' || text[at] > '9') return false;
            ms += (text[at] - '0') * scale;
        }
    }
    if (!TryEncodeTime(h, mi, s, ms, time)) return false;
    value = hasDate ? CombineDateTime(date, time) : time;
    return true;
}

}  // namespace

const TOdbcValueView& TFDField::View() const { return FQuery->CurrentValue(FIndex); }

bool TFDField::IsNull() const { return View().Null; }

std::string_view TFDField::AsBytes() const { return View().Bytes(); }

TVariant TFDField::Value() const {
    const TOdbcValueView& v = View();
    if (v.Null) return TVariant::Null();
    std::string_view text = v.Bytes();
    switch (FColumn->Kind) {
        case TOdbcFieldKind::fkInteger: {
            std::int64_t i = 0;
            if (ParseNumber(text, i)) return TVariant(static_cast<long long>(i));
            break;
        }
        case TOdbcFieldKind::fkFloat: {
            double d = 0;
            if (ParseNumber(text, d)) return TVariant(d);
            break;
        }
        case TOdbcFieldKind::fkDecimal:
            return TVariant::FromDecimal(std::string(text));
        case TOdbcFieldKind::fkBoolean:
            if (text == "1" || text == "-1") return TVariant(true);
            if (text == "0") return TVariant(false);
            break;
        case TOdbcFieldKind::fkDateTime: {
            TDateTime dt = 0;
            if (ParseDateTime(text, dt)) return TVariant::FromDateTime(dt);
            break;
        }
        case TOdbcFieldKind::fkBytes:
        case TOdbcFieldKind::fkBlob:
            return TVariant::FromBytes(std::string(text));
        case TOdbcFieldKind::fkString:
        case TOdbcFieldKind::fkMemo:
            break;
    }
    return TVariant(Utf8ToUtf16(text));
}

std::int64_t TFDField::AsLargeInt() const {
    const TOdbcValueView& v = View();
    std::int64_t i = 0;
    if (!v.Null && FColumn->Kind == TOdbcFieldKind::fkInteger && ParseNumber(v.Bytes(), i)) return i;
    if (v.Null) throw EConvertError(Format(u"Field '%s' is null", {FieldName()}));
    return Value().AsInt64();
}

UString TFDField::AsString() const {
    const TOdbcValueView& v = View();
    if (v.Null) return {};
    if (FColumn->IsBinary()) return Value().AsString();
    return Utf8ToUtf16(v.Bytes());
}

void TFDField::SaveToFile(const UString& fileName) const {
    std::string name = Utf16ToUtf8(fileName);
    std::FILE* file = std::fopen(name.c_str(), "wb");
    if (!file) throw Exception(Format(u"Cannot create file \"%s\"", {fileName}));
    std::string_view bytes = IsBlob() ? View().Bytes() : std::string_view();
    bool written = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    bool closed = std::fclose(file) == 0;
    if (!IsBlob()) throw Exception(Format(u"Field '%s' is not a large-object field", {FieldName()}));
    if (!written || !closed) throw Exception(Format(u"Cannot write file \"%s\"", {fileName}));
}

}  // namespace brevant
