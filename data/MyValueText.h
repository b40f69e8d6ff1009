#pragma once
// Server value texts to typed values: integers, floats and date-time texts, read
// straight from the row bytes without building strings.

#include <cstddef>
#include <cstdint>

#include "core/DateTime.h"
#include "core/Text.h"

namespace brevant {

/// Optional "-" and decimal digits. The magnitude is accumulated unsigned and negated
/// at the end, so the smallest BIGINT reads exactly; a value of more than 64 bits wraps.
/// Fails with "'%s' is not a valid integer value" for anything else.
std::uint64_t TextToInteger(const char* text, std::size_t length, bool& negative);
/// The value's two's-complement bits (what a slot of 1 to 8 bytes keeps the low part of).
std::uint64_t TextToIntegerBits(const char* text, std::size_t length);

/// An optional sign, digits with at most one ".", an optional exponent ("e"/"E", optional
/// sign, digits); correctly rounded, independent of the locale. Fails with "'%s' is not a
/// valid floating point value" (a bad exponent: "'%s' is not a valid integer value").
double TextToDouble(const char* text, std::size_t length);
float TextToSingle(const char* text, std::size_t length);

/// BIT values: the raw bytes read big-endian (at most the last 8 count).
std::uint64_t BitsToInteger(const char* bytes, std::size_t length);

/// How the server's date-time text is laid out.
enum TMyDateKind : std::uint8_t { dkDate, dkDateTime, dkTime };

/// Parses a date, date-time (by text length) or time text. False when the text is not a
/// valid date (a zero or out-of-range part). Fails with "Invalid FIELD_TYPE_TIMESTAMP
/// Field.Length (%d)" (`fieldLength` filled in) for a date-time text of another length
/// and "Wrong time format at field %s" for hours beyond 9999 or a malformed time.
/// `scale` limits the fraction digits read (0: up to 6).
bool ConvertToDateTime(TMyDateKind kind, const char* text, std::size_t length, int scale, std::uint32_t fieldLength,
                       UStringView fieldName, TDateTime& result);

}  // namespace brevant
