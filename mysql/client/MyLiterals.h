#pragma once
// Parameter values written into statement text as SQL literals, by data type:
// NULL, quoted and escaped text and bytes, numbers as plain text ("." as decimal
// separator whatever the locale; floats as the shortest text that reads back to the
// same value), dates, times and date-times between single quotes.

#include <string>

#include "core/DataTypes.h"
#include "core/Text.h"
#include "core/Variant.h"

namespace brevant {

/// What the literals depend on in the session.
struct TLiteralContext {
    bool IsUtf8 = true;            // text goes as UTF-8, else in the system code page
    bool NeedBackslashes = true;   // false: the server runs with NO_BACKSLASH_ESCAPES
    UStringView Charset;           // the session's character set (double-byte escaping)
};

inline constexpr char16_t SInvalidFloatLiteral[] = u"A parameter value is not a finite number: %s";
inline constexpr char16_t SInvalidDecimalLiteral[] = u"A parameter value is not a decimal number: %s";
inline constexpr char16_t SInvalidDateLiteral[] = u"A parameter value is not a valid date";

/// Appends the literal for `value` written as `dataType` (a parameter of unknown
/// type is written by the kind of its value). Raises EConvertError when the value
/// cannot be read as the type, EDatabaseError for NaN, infinities and dates out of range.
void AppendValueToSQL(std::string& sql, TDataType dataType, const TVariant& value, const TLiteralContext& context);

/// The text forms, without quotes.
std::string DateToSQLText(TDateTime value);
std::string DateTimeToSQLText(TDateTime value);
/// Hours not limited to 24; "-" first for a negative value; ".ZZZ" when there are
/// milliseconds (also for a negative value).
std::string TimeToSQLText(TDateTime value);

}  // namespace brevant
