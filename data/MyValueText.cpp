#include "data/MyValueText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

#include "core/Format.h"
#include "data/DataErrors.h"

namespace brevant {

namespace {

[[noreturn]] void Fail(const char* format, const char* text, std::size_t length) {
    throw EConvertError(Format(Widen(format), {std::string_view(text, length)}));
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::uint64_t TextToInteger(const char* text, std::size_t length, bool& negative) {
    std::size_t i = 0;
    negative = length > 0 && text[0] == '-';
    if (negative) ++i;
    if (i == length) Fail("'%s' is not a valid integer value", text, length);
    std::uint64_t magnitude = 0;
    for (; i < length; ++i) {
        if (!IsDigit(text[i])) Fail("'%s' is not a valid integer value", text, length);
        magnitude = magnitude * 10 + static_cast<std::uint64_t>(text[i] - '0');
    }
    return magnitude;
}

std::uint64_t TextToIntegerBits(const char* text, std::size_t length) {
    bool negative;
    const std::uint64_t m = TextToInteger(text, length, negative);
    return negative ? 0 - m : m;
}

namespace {

// Checks the accepted syntax; returns where from_chars may start (after a "+").
std::size_t CheckFloatText(const char* text, std::size_t length) {
    std::size_t i = 0;
    if (i < length && (text[i] == '+' || text[i] == '-')) ++i;
    const std::size_t start = text[0] == '+' ? 1 : 0;
    bool digits = false, point = false;
    for (; i < length; ++i) {
        if (IsDigit(text[i])) digits = true;
        else if (text[i] == '.' && !point) point = true;
        else break;
    }
    if (!digits) Fail("'%s' is not a valid floating point value", text, length);
    if (i < length && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < length && (text[i] == '+' || text[i] == '-')) ++i;
        if (i == length) Fail("'%s' is not a valid integer value", text, length);
        for (; i < length; ++i)
            if (!IsDigit(text[i])) Fail("'%s' is not a valid integer value", text, length);
    }
    if (i != length) Fail("'%s' is not a valid floating point value", text, length);
    return start;
}

template <typename T>
T ParseFloat(const char* text, std::size_t length) {
    if (length == 0) Fail("'%s' is not a valid floating point value", text, length);
    const std::size_t start = CheckFloatText(text, length);
    T value = 0;
    const auto r = std::from_chars(text + start, text + length, value, std::chars_format::general);
    if (r.ec == std::errc::result_out_of_range) {
        // Beyond the type's range: infinity; below its smallest subnormal: zero.
        const bool negative = text[0] == '-';
        bool tiny = false;
        for (std::size_t i = 0; i < length; ++i)
            if ((text[i] == 'e' || text[i] == 'E') && i + 1 < length && text[i + 1] == '-') tiny = true;
        value = tiny ? T(0) : std::numeric_limits<T>::infinity();
        return negative ? -value : value;
    }
    if (r.ec != std::errc() || r.ptr != text + length) Fail("'%s' is not a valid floating point value", text, length);
    return value;
}

}  // namespace

double TextToDouble(const char* text, std::size_t length) { return ParseFloat<double>(text, length); }
float TextToSingle(const char* text, std::size_t length) { return ParseFloat<float>(text, length); }

std::uint64_t BitsToInteger(const char* bytes, std::size_t length) {
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < length; ++i) v = (v << 8) | static_cast<unsigned char>(bytes[i]);
    return v;
}

namespace {

class TDigits {
public:
    TDigits(const char* text, std::size_t length) : FText(text), FLength(length) {}
    // A fixed-position number of `count` digits at `pos`; -1 when any is not a digit.
    int At(std::size_t pos, std::size_t count) const {
        if (pos + count > FLength) return -1;
        int v = 0;
        for (std::size_t i = pos; i < pos + count; ++i) {
            if (!IsDigit(FText[i])) return -1;
            v = v * 10 + (FText[i] - '0');
        }
        return v;
    }
    char Char(std::size_t pos) const { return pos < FLength ? FText[pos] : '\0'; }
    // Fraction digits from `pos` (at most `scale`, 6 when 0) as milliseconds.
    int FractionMSec(std::size_t pos, int scale, bool& ok) const {
        const std::size_t limit = static_cast<std::size_t>(scale > 0 ? std::min(scale, 6) : 6);
        int micro = 0;
        std::size_t n = 0;
        while (pos + n < FLength && IsDigit(FText[pos + n]) && n < limit) {
            micro = micro * 10 + (FText[pos + n] - '0');
            ++n;
        }
        for (std::size_t k = n; k < 6; ++k) micro *= 10;
        // Digits beyond the scale (none from a server) are allowed but not kept.
        while (pos + n < FLength && IsDigit(FText[pos + n])) ++n;
        ok = pos + n == FLength;
        return micro / 1000;
    }

private:
    const char* FText;
    std::size_t FLength;
};

int TwoDigitYear(int yy) { return yy < 0 ? -1 : (yy < 70 ? 2000 + yy : 1900 + yy); }

bool MakeDateTime(int y, int mo, int d, int h, int mi, int s, int ms, TDateTime& result) {
    if (y < 0 || mo < 0 || d < 0 || h < 0 || mi < 0 || s < 0 || ms < 0) return false;
    TDateTime date, time;
    if (!TryEncodeDate(y, mo, d, date) || !TryEncodeTime(h, mi, s, ms, time)) return false;
    result = CombineDateTime(date, time);
    return true;
}

}  // namespace

bool ConvertToDateTime(TMyDateKind kind, const char* text, std::size_t length, int scale, std::uint32_t fieldLength,
                       UStringView fieldName, TDateTime& result) {
    const TDigits t(text, length);
    if (kind == dkDate) return MakeDateTime(t.At(0, 4), t.At(5, 2), t.At(8, 2), 0, 0, 0, 0, result);
    if (kind == dkTime) {
        auto wrong = [&] { throw EConvertError(Format(u"Wrong time format at field %s", {fieldName})); };
        std::size_t i = 0;
        const bool negative = t.Char(0) == '-';
        if (negative) ++i;
        std::int64_t hours = 0;
        std::size_t hourDigits = 0;
        for (; i < length && IsDigit(text[i]); ++i, ++hourDigits) {
            if (hours > 999) wrong();
            hours = hours * 10 + (text[i] - '0');
        }
        if (hourDigits == 0 || t.Char(i) != ':') wrong();
        const int minutes = t.At(i + 1, 2), seconds = t.At(i + 4, 2);
        if (minutes < 0 || seconds < 0 || t.Char(i + 3) != ':') wrong();
        int msec = 0;
        std::size_t end = i + 6;
        if (end < length) {
            bool ok = t.Char(end) == '.';
            if (ok) msec = t.FractionMSec(end + 1, scale, ok);
            if (!ok) wrong();
        }
        const double ms = static_cast<double>(hours) * 3600000.0 + minutes * 60000.0 + seconds * 1000.0 + msec;
        result = (negative ? -ms : ms) / MSecsPerDay;
        return true;
    }
    switch (length) {
        case 2: return MakeDateTime(TwoDigitYear(t.At(0, 2)), 1, 1, 0, 0, 0, 0, result);
        case 4: return MakeDateTime(TwoDigitYear(t.At(0, 2)), t.At(2, 2), 1, 0, 0, 0, 0, result);
        case 6: return MakeDateTime(TwoDigitYear(t.At(0, 2)), t.At(2, 2), t.At(4, 2), 0, 0, 0, 0, result);
        case 8: return MakeDateTime(t.At(0, 4), t.At(4, 2), t.At(6, 2), 0, 0, 0, 0, result);
        case 10:
            return MakeDateTime(TwoDigitYear(t.At(0, 2)), t.At(2, 2), t.At(4, 2), t.At(6, 2), t.At(8, 2), 0, 0, result);
        case 12:
            return MakeDateTime(TwoDigitYear(t.At(0, 2)), t.At(2, 2), t.At(4, 2), t.At(6, 2), t.At(8, 2), t.At(10, 2),
                                0, result);
        case 14:
            return MakeDateTime(t.At(0, 4), t.At(4, 2), t.At(6, 2), t.At(8, 2), t.At(10, 2), t.At(12, 2), 0, result);
        case 19:
            return MakeDateTime(t.At(0, 4), t.At(5, 2), t.At(8, 2), t.At(11, 2), t.At(14, 2), t.At(17, 2), 0, result);
        default:
            if (length >= 21 && length <= 26 && t.Char(19) == '.') {
                bool ok;
                const int ms = t.FractionMSec(20, scale, ok);
                if (!ok) return false;
                return MakeDateTime(t.At(0, 4), t.At(5, 2), t.At(8, 2), t.At(11, 2), t.At(14, 2), t.At(17, 2), ms,
                                    result);
            }
            throw EConvertError(
                Format(u"Invalid FIELD_TYPE_TIMESTAMP Field.Length (%d)", {static_cast<long long>(fieldLength)}));
    }
}

}  // namespace brevant
