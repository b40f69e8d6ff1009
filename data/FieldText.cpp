#include "data/FieldText.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

#include "core/Variant.h"

namespace brevant {

namespace {
// ASCII text of a UTF-16 view, or false when it has anything else.
bool ToAscii(UStringView text, std::string& out) {
    UStringView t = TrimView(text);
    out.clear();
    out.reserve(t.size());
    for (char16_t c : t) {
        if (c > 0x7F) return false;
        out.push_back(static_cast<char>(c));
    }
    return true;
}

bool ReadDigits(const std::string& s, std::size_t& pos, std::size_t count, int& value) {
    value = 0;
    for (std::size_t i = 0; i < count; ++i, ++pos) {
        if (pos >= s.size() || s[pos] < '0' || s[pos] > '9') return false;
        value = value * 10 + (s[pos] - '0');
    }
    return true;
}
}  // namespace

bool TryTextToInt64(UStringView text, std::int64_t& value) {
    std::string s;
    if (!ToAscii(text, s) || s.empty()) return false;
    const char* b = s.data();
    if (*b == '+') ++b;
    auto r = std::from_chars(b, s.data() + s.size(), value);
    return r.ec == std::errc() && r.ptr == s.data() + s.size();
}

bool TryTextToFloat(UStringView text, double& value) {
    std::string s;
    if (!ToAscii(text, s) || s.empty()) return false;
    const char* b = s.data();
    if (*b == '+') ++b;
    auto r = std::from_chars(b, s.data() + s.size(), value, std::chars_format::general);
    return r.ec == std::errc() && r.ptr == s.data() + s.size();
}

bool TryNormalizeDecimal(UStringView text, std::string& result) {
    std::string s;
    if (!ToAscii(text, s) || s.empty()) return false;
    std::size_t i = 0;
    bool negative = false;
    if (s[i] == '-' || s[i] == '+') negative = s[i++] == '-';
    std::string whole, frac;
    bool point = false;
    for (; i < s.size(); ++i) {
        char c = s[i];
        if (c == '.' && !point) point = true;
        else if (c >= '0' && c <= '9') (point ? frac : whole).push_back(c);
        else return false;
    }
    if (whole.empty() && frac.empty()) return false;
    whole.erase(0, std::min(whole.find_first_not_of('0'), whole.size()));
    while (!frac.empty() && frac.back() == '0') frac.pop_back();
    if (whole.empty()) whole = "0";
    result.clear();
    if (negative && !(whole == "0" && frac.empty())) result = "-";
    result += whole;
    if (!frac.empty()) result += "." + frac;
    return true;
}

UString DateTimeToText(TDateTime value, TDateTimeTextKind kind) {
    TDateParts d;
    TTimeParts t;
    DecodeDateTime(value, d, t);
    char buf[40];
    int n = 0;
    if (kind == TDateTimeTextKind::Date) {
        n = std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", d.Year, d.Month, d.Day);
    } else {
        if (kind == TDateTimeTextKind::DateTime)
            n = std::snprintf(buf, sizeof buf, "%04d-%02d-%02d ", d.Year, d.Month, d.Day);
        n += std::snprintf(buf + n, sizeof buf - static_cast<std::size_t>(n), "%02d:%02d:%02d", t.Hour, t.Minute,
                           t.Second);
        if (t.MSec != 0) n += std::snprintf(buf + n, sizeof buf - static_cast<std::size_t>(n), ".%03d", t.MSec);
    }
    return Widen(std::string_view(buf, static_cast<std::size_t>(n)));
}

bool TryTextToDateTime(UStringView text, TDateTime& value) {
    std::string s;
    if (!ToAscii(text, s) || s.empty()) return false;
    std::size_t pos = 0;
    TDateTime date = 0, time = 0;
    bool hasDate = s.size() >= 10 && s[4] == '-';
    if (hasDate) {
        int y, m, d;
        if (!ReadDigits(s, pos, 4, y) || s[pos++] != '-' || !ReadDigits(s, pos, 2, m) || s[pos++] != '-' ||
            !ReadDigits(s, pos, 2, d) || !TryEncodeDate(y, m, d, date))
            return false;
        if (pos == s.size()) {
            value = date;
            return true;
        }
        if (s[pos] != ' ' && s[pos] != 'T') return false;
        ++pos;
    }
    int h, mi, sec = 0, ms = 0;
    if (!ReadDigits(s, pos, 2, h) || pos >= s.size() || s[pos++] != ':' || !ReadDigits(s, pos, 2, mi)) return false;
    if (pos < s.size()) {
        if (s[pos++] != ':' || !ReadDigits(s, pos, 2, sec)) return false;
        if (pos < s.size()) {
            if (s[pos++] != '.') return false;
            int scale = 100;
            std::size_t digits = 0;
            for (; pos < s.size(); ++pos, ++digits) {
                if (s[pos] < '0' || s[pos] > '9') return false;
                ms += (s[pos] - '0') * scale;
                scale /= 10;
            }
            if (digits == 0) return false;
        }
    }
    if (!TryEncodeTime(h, mi, sec, ms, time)) return false;
    value = hasDate ? CombineDateTime(date, time) : time;
    return true;
}

std::string SingleToText(float value) {
    if (std::isnan(value) || std::isinf(value)) return FloatToText(value);
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, r.ptr);
}

}  // namespace brevant
