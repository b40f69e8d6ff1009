#include "data/Bcd.h"

#include <algorithm>
#include <limits>

namespace brevant {

namespace {

struct TDecimalText {
    bool Negative = false;
    std::string_view Int, Frac;
};

bool SplitDecimal(std::string_view text, TDecimalText& d) {
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) d.Negative = text[i++] == '-';
    const std::size_t intStart = i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
    d.Int = text.substr(intStart, i - intStart);
    if (i < text.size() && text[i] == '.') {
        const std::size_t fracStart = ++i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
        d.Frac = text.substr(fracStart, i - fracStart);
    }
    if (i != text.size() || (d.Int.empty() && d.Frac.empty())) return false;
    while (d.Int.size() > 1 && d.Int.front() == '0') d.Int.remove_prefix(1);
    if (d.Int == "0") d.Int = {};
    return true;
}

}  // namespace

bool TextToBcd(std::string_view text, int precision, int scale, TBcd& result) {
    TDecimalText d;
    if (!SplitDecimal(text, d)) return false;
    const int places = std::max<int>(scale, static_cast<int>(d.Frac.size()));
    const int intDigits = std::max<int>(std::max(precision - scale, 0), static_cast<int>(d.Int.size()));
    if (intDigits + places > 64 || places > 63) return false;
    result = TBcd{};
    result.Precision = static_cast<std::uint8_t>(std::max(intDigits + places, 1));
    bool allZero = true;
    int pos = 0;
    auto put = [&](int digit) {
        if (digit) allZero = false;
        result.Fraction[pos / 2] |= static_cast<std::uint8_t>(pos % 2 ? digit : digit << 4);
        ++pos;
    };
    for (int k = 0; k < intDigits - static_cast<int>(d.Int.size()); ++k) put(0);
    for (char c : d.Int) put(c - '0');
    for (int k = 0; k < places; ++k) put(k < static_cast<int>(d.Frac.size()) ? d.Frac[k] - '0' : 0);
    result.SignSpecialPlaces = static_cast<std::uint8_t>(places | (d.Negative && !allZero ? 0x80 : 0));
    return true;
}

std::string BcdToText(const TBcd& v) {
    const int places = v.SignSpecialPlaces & 0x3F;
    const int digits = std::min<int>(v.Precision, 64);
    std::string s;
    if (v.SignSpecialPlaces & 0x80) s += '-';
    std::string body;
    for (int pos = 0; pos < digits; ++pos) {
        const std::uint8_t b = v.Fraction[pos / 2];
        body += static_cast<char>('0' + (pos % 2 ? (b & 0x0F) : (b >> 4)));
    }
    const int intLen = std::max(digits - places, 0);
    std::string intPart = body.substr(0, static_cast<std::size_t>(intLen));
    intPart.erase(0, std::min(intPart.find_first_not_of('0'), intPart.size()));
    if (intPart.empty()) intPart = "0";
    s += intPart;
    if (places > 0) s += "." + body.substr(static_cast<std::size_t>(intLen));
    return s;
}

bool TextToCurrency(std::string_view text, std::int64_t& result) {
    TDecimalText d;
    if (!SplitDecimal(text, d)) return false;
    // Magnitude in units of 1/10000, accumulated unsigned against the limit.
    const std::uint64_t limit = d.Negative ? std::uint64_t(1) << 63 : (std::uint64_t(1) << 63) - 1;
    std::uint64_t m = 0;
    auto add = [&](int digit) {
        if (m > (limit - static_cast<std::uint64_t>(digit)) / 10) return false;
        m = m * 10 + static_cast<std::uint64_t>(digit);
        return true;
    };
    for (char c : d.Int)
        if (!add(c - '0')) return false;
    for (int k = 0; k < 4; ++k)
        if (!add(k < static_cast<int>(d.Frac.size()) ? d.Frac[k] - '0' : 0)) return false;
    if (d.Frac.size() > 4 && d.Frac[4] >= '5') {
        if (m == limit) return false;
        ++m;
    }
    result = d.Negative ? static_cast<std::int64_t>(0 - m) : static_cast<std::int64_t>(m);
    return true;
}

std::string CurrencyToText(std::int64_t value) {
    const bool neg = value < 0;
    const std::uint64_t m = neg ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    std::string s = std::to_string(m / 10000);
    std::string frac = std::to_string(m % 10000);
    frac.insert(0, 4 - frac.size(), '0');
    while (!frac.empty() && frac.back() == '0') frac.pop_back();
    if (!frac.empty()) s += "." + frac;
    return neg ? "-" + s : s;
}

}  // namespace brevant
