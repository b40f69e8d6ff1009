#include "core/Variant.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

#include "core/Errors.h"

namespace brevant {

namespace {

[[noreturn]] void CannotConvert(const char* to) {
    throw EConvertError(std::string("Could not convert variant to ") + to);
}

bool ParseInt64(std::string_view s, std::int64_t& out) {
    auto r = std::from_chars(s.data(), s.data() + s.size(), out);
    return r.ec == std::errc() && r.ptr == s.data() + s.size();
}

bool ParseUInt64(std::string_view s, std::uint64_t& out) {
    auto r = std::from_chars(s.data(), s.data() + s.size(), out);
    return r.ec == std::errc() && r.ptr == s.data() + s.size();
}

bool ParseDouble(std::string_view s, double& out) {
    auto r = std::from_chars(s.data(), s.data() + s.size(), out);
    return r.ec == std::errc() && r.ptr == s.data() + s.size();
}

std::string AsciiOf(const UString& s) { return Utf16ToUtf8(TrimView(s)); }

}  // namespace

std::string FloatToText(double value) {
    if (std::isnan(value)) return "nan";
    if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, r.ptr);
}

bool TVariant::AsBoolean() const {
    switch (Kind()) {
        case TVariantKind::Boolean: return std::get<bool>(FValue);
        case TVariantKind::Int64: return std::get<std::int64_t>(FValue) != 0;
        case TVariantKind::UInt64: return std::get<std::uint64_t>(FValue) != 0;
        case TVariantKind::Double: return std::get<double>(FValue) != 0;
        case TVariantKind::String: {
            const UString& s = std::get<UString>(FValue);
            if (SameTextAscii(s, u"true")) return true;
            if (SameTextAscii(s, u"false")) return false;
            return AsInt64() != 0;
        }
        default: break;
    }
    if (Kind() == TVariantKind::Decimal) return AsDouble() != 0;
    CannotConvert("Boolean");
}

std::int64_t TVariant::AsInt64() const {
    switch (Kind()) {
        case TVariantKind::Boolean: return std::get<bool>(FValue) ? -1 : 0;
        case TVariantKind::Int64: return std::get<std::int64_t>(FValue);
        case TVariantKind::UInt64: {
            std::uint64_t v = std::get<std::uint64_t>(FValue);
            if (v > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) CannotConvert("Int64");
            return static_cast<std::int64_t>(v);
        }
        case TVariantKind::Double: {
            double d = std::get<double>(FValue);
            if (!(d >= -9223372036854775808.0 && d < 9223372036854775808.0)) CannotConvert("Int64");
            return static_cast<std::int64_t>(std::llround(d));
        }
        case TVariantKind::DateTime: return static_cast<std::int64_t>(std::get<DateTimeValue>(FValue).Value);
        case TVariantKind::Decimal:
        case TVariantKind::String: {
            std::string s = Kind() == TVariantKind::String ? AsciiOf(std::get<UString>(FValue))
                                                           : std::get<DecimalText>(FValue).Text;
            std::int64_t v;
            if (ParseInt64(s, v)) return v;
            double d;
            if (ParseDouble(s, d)) return TVariant(d).AsInt64();
            break;
        }
        default: break;
    }
    CannotConvert("Int64");
}

std::uint64_t TVariant::AsUInt64() const {
    if (Kind() == TVariantKind::UInt64) return std::get<std::uint64_t>(FValue);
    if (Kind() == TVariantKind::String || Kind() == TVariantKind::Decimal) {
        std::string s = Kind() == TVariantKind::String ? AsciiOf(std::get<UString>(FValue))
                                                       : std::get<DecimalText>(FValue).Text;
        std::uint64_t v;
        if (ParseUInt64(s, v)) return v;
    }
    std::int64_t v = AsInt64();
    if (v < 0) CannotConvert("UInt64");
    return static_cast<std::uint64_t>(v);
}

double TVariant::AsDouble() const {
    switch (Kind()) {
        case TVariantKind::Boolean: return std::get<bool>(FValue) ? -1 : 0;
        case TVariantKind::Int64: return static_cast<double>(std::get<std::int64_t>(FValue));
        case TVariantKind::UInt64: return static_cast<double>(std::get<std::uint64_t>(FValue));
        case TVariantKind::Double: return std::get<double>(FValue);
        case TVariantKind::DateTime: return std::get<DateTimeValue>(FValue).Value;
        case TVariantKind::Decimal:
        case TVariantKind::String: {
            std::string s = Kind() == TVariantKind::String ? AsciiOf(std::get<UString>(FValue))
                                                           : std::get<DecimalText>(FValue).Text;
            double d;
            if (ParseDouble(s, d)) return d;
            break;
        }
        default: break;
    }
    CannotConvert("Double");
}

TDateTime TVariant::AsDateTime() const {
    if (Kind() == TVariantKind::DateTime) return std::get<DateTimeValue>(FValue).Value;
    if (Kind() == TVariantKind::Double || Kind() == TVariantKind::Int64) return AsDouble();
    CannotConvert("Date");
}

UString TVariant::AsString() const {
    switch (Kind()) {
        case TVariantKind::Empty:
        case TVariantKind::Null: return UString();
        case TVariantKind::Boolean: return std::get<bool>(FValue) ? u"True" : u"False";
        case TVariantKind::Int64: return IntToStr(std::get<std::int64_t>(FValue));
        case TVariantKind::UInt64: return UIntToStr(std::get<std::uint64_t>(FValue));
        case TVariantKind::Double: return Widen(FloatToText(std::get<double>(FValue)));
        case TVariantKind::Decimal: return Widen(std::get<DecimalText>(FValue).Text);
        case TVariantKind::DateTime: return Widen(FloatToText(std::get<DateTimeValue>(FValue).Value));
        case TVariantKind::String: return std::get<UString>(FValue);
        case TVariantKind::Bytes: return Widen(std::get<ByteString>(FValue).Bytes);
    }
    return UString();
}

std::string TVariant::AsBytes() const {
    if (Kind() == TVariantKind::Bytes) return std::get<ByteString>(FValue).Bytes;
    return Utf16ToUtf8(AsString());
}

std::string TVariant::AsDecimalText() const {
    switch (Kind()) {
        case TVariantKind::Decimal: return std::get<DecimalText>(FValue).Text;
        case TVariantKind::Int64: return std::to_string(std::get<std::int64_t>(FValue));
        case TVariantKind::UInt64: return std::to_string(std::get<std::uint64_t>(FValue));
        case TVariantKind::Double: return FloatToText(std::get<double>(FValue));
        default: return Utf16ToUtf8(AsString());
    }
}

}  // namespace brevant
