#include "paths/OdbcValues.h"

#include <charconv>

namespace brevant {

namespace {

template <class T>
bool ParseNumber(std::string_view text, T& value) {
    const char* end = text.data() + text.size();
    auto [p, ec] = std::from_chars(text.data(), end, value);
    return !text.empty() && ec == std::errc() && p == end;
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

}  // namespace

bool ParseOdbcInteger(std::string_view text, std::int64_t& value) { return ParseNumber(text, value); }

bool ParseOdbcFloat(std::string_view text, double& value) { return ParseNumber(text, value); }

bool ParseOdbcBoolean(std::string_view text, bool& value) {
    if (text == "1" || text == "-1") value = true;
    else if (text == "0") value = false;
    else return false;
    return true;
}

bool ParseOdbcDateTime(std::string_view text, TDateTime& value) {
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, ms = 0;
    std::size_t at = 0;
    TDateTime date = 0, time = 0;
    const bool hasDate = text.size() >= 10 && text[4] == '-' && text[7] == '-';
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
        if (text[at] != '.' || at + 1 == text.size()) return false;
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

}  // namespace brevant
