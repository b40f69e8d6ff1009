#pragma once
// Text forms of field values, independent of the locale: integers, floats with ".",
// and dates and times as "YYYY-MM-DD HH:MM:SS[.zzz]".

#include <cstdint>
#include <string>

#include "core/DateTime.h"
#include "core/Text.h"

namespace brevant {

enum class TDateTimeTextKind : std::uint8_t { Date, Time, DateTime };

/// Optional sign and decimal digits, blanks around allowed.
bool TryTextToInt64(UStringView text, std::int64_t& value);
/// Optional sign, digits with at most one ".", optional exponent; blanks around allowed.
bool TryTextToFloat(UStringView text, double& value);
/// A decimal's canonical text ("-12.5", "0.25"), or false when it is not a decimal number.
bool TryNormalizeDecimal(UStringView text, std::string& result);
UString DateTimeToText(TDateTime value, TDateTimeTextKind kind);
/// "YYYY-MM-DD", "HH:MM[:SS[.fff]]" or both separated by a blank or "T".
bool TryTextToDateTime(UStringView text, TDateTime& value);
/// Shortest text of a single-precision value ("0.1", not "0.100000001").
std::string SingleToText(float value);

}  // namespace brevant
