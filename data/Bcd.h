#pragma once
// Exact decimals in record slots: the packed BCD of formatted-BCD fields (up to 64
// digits) and the fixed-point currency of BCD fields (value x 10000).

#include <cstdint>
#include <string>
#include <string_view>

namespace brevant {

/// 34 bytes: the digit count, the sign (high bit) with the decimal places (low six
/// bits), and two digits a byte, the first digit in the high nibble.
struct TBcd {
    std::uint8_t Precision = 0;
    std::uint8_t SignSpecialPlaces = 0;
    std::uint8_t Fraction[32] = {};
};
static_assert(sizeof(TBcd) == 34);

/// Parses an optional sign, digits and an optional "." with digits, and lays the value
/// out with at least `precision` - `scale` integer digits and `scale` decimals. A value
/// that needs more digits widens the layout rather than losing any (up to 64 digits).
/// False for any other text or more than 64 digits.
bool TextToBcd(std::string_view text, int precision, int scale, TBcd& result);
/// "-123.4500" style text with the stored places; leading zeros dropped.
std::string BcdToText(const TBcd& value);

/// The text to a currency value, rounded half away from zero at the 4th decimal.
/// False for bad text or a value out of range.
bool TextToCurrency(std::string_view text, std::int64_t& result);
/// Shortest exact text ("12.5", "-0.0001", "3").
std::string CurrencyToText(std::int64_t value);

}  // namespace brevant
