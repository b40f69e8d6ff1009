#pragma once
// A value of any of the frame's kinds: what parameters, fields and record slots
// exchange when the type is not known at compile time. Empty (never assigned) and
// Null both read as NULL; Decimal keeps an exact decimal as its text ("-12.50").

#include <cstdint>
#include <string>
#include <variant>

#include "core/DateTime.h"
#include "core/Text.h"

namespace brevant {

enum class TVariantKind : std::uint8_t { Empty, Null, Boolean, Int64, UInt64, Double, Decimal, DateTime, String, Bytes };

class TVariant {
public:
    struct NullTag {};
    struct DateTimeValue {
        TDateTime Value;
    };
    struct DecimalText {
        std::string Text;
    };
    struct ByteString {
        std::string Bytes;
    };

    TVariant() = default;
    TVariant(NullTag) : FValue(NullTag{}) {}
    TVariant(bool v) : FValue(v) {}
    TVariant(int v) : FValue(static_cast<std::int64_t>(v)) {}
    TVariant(long v) : FValue(static_cast<std::int64_t>(v)) {}
    TVariant(long long v) : FValue(static_cast<std::int64_t>(v)) {}
    TVariant(unsigned v) : FValue(static_cast<std::int64_t>(v)) {}
    TVariant(unsigned long v) : FValue(static_cast<std::uint64_t>(v)) {}
    TVariant(unsigned long long v) : FValue(static_cast<std::uint64_t>(v)) {}
    TVariant(double v) : FValue(v) {}
    TVariant(UString v) : FValue(std::move(v)) {}
    TVariant(const char16_t* v) : FValue(UString(v)) {}
    /// Narrow text has no kind of its own: say FromBytes or give UTF-16.
    TVariant(const char*) = delete;

    static TVariant Null() { return TVariant(NullTag{}); }
    static TVariant FromDateTime(TDateTime v) { return TVariant(DateTimeValue{v}); }
    static TVariant FromDecimal(std::string text) { return TVariant(DecimalText{std::move(text)}); }
    static TVariant FromBytes(std::string bytes) { return TVariant(ByteString{std::move(bytes)}); }

    TVariantKind Kind() const { return static_cast<TVariantKind>(FValue.index()); }
    bool IsEmpty() const { return Kind() == TVariantKind::Empty; }
    /// Empty or Null.
    bool IsNull() const { return Kind() == TVariantKind::Empty || Kind() == TVariantKind::Null; }

    // Conversions; EConvertError when the value cannot be read as the kind asked for.
    bool AsBoolean() const;
    std::int64_t AsInt64() const;
    std::uint64_t AsUInt64() const;
    double AsDouble() const;
    TDateTime AsDateTime() const;
    /// Numbers as their shortest round-trip text with "."; bytes widened byte by byte.
    UString AsString() const;
    /// The bytes of a Bytes value; other kinds give their text as UTF-8.
    std::string AsBytes() const;
    /// Exact decimal text of a Decimal or integer value (doubles: shortest round-trip text).
    std::string AsDecimalText() const;

    bool operator==(const TVariant& other) const = default;

private:
    explicit TVariant(DateTimeValue v) : FValue(v) {}
    explicit TVariant(DecimalText v) : FValue(std::move(v)) {}
    explicit TVariant(ByteString v) : FValue(std::move(v)) {}

    friend bool operator==(const NullTag&, const NullTag&) { return true; }
    friend bool operator==(const DateTimeValue& a, const DateTimeValue& b) { return a.Value == b.Value; }
    friend bool operator==(const DecimalText& a, const DecimalText& b) { return a.Text == b.Text; }
    friend bool operator==(const ByteString& a, const ByteString& b) { return a.Bytes == b.Bytes; }

    // Order matches TVariantKind.
    std::variant<std::monostate, NullTag, bool, std::int64_t, std::uint64_t, double, DecimalText, DateTimeValue,
                 UString, ByteString>
        FValue;
};

/// Shortest decimal text that reads back to the same double, "." as separator,
/// whatever the locale ("0.1", "1e+300", "-0"). NaN and infinities give "nan", "inf", "-inf".
std::string FloatToText(double value);

}  // namespace brevant
