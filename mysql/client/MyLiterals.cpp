#include "mysql/client/MyLiterals.h"

#include <cmath>
#include <cstdio>

#include "core/DateTime.h"
#include "mysql/client/DAErrors.h"
#include "mysql/client/MyEscape.h"
#include "mysql/client/TDAParams.h"

namespace brevant {

namespace {

constexpr char kZeroDateLiteral[] = "'0000-00-00 00:00:00'";

void CheckDateRange(TDateTime value) {
    TDateTime first = 0, last = 0;
    TryEncodeDate(1, 1, 1, first);
    TryEncodeDate(9999, 12, 31, last);
    if (!(value >= first && value < last + 1)) DatabaseError(SInvalidDateLiteral);
}

std::string TwoDigits(int v) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02d", v);
    return buf;
}

std::string FiniteFloatText(double v) {
    if (!std::isfinite(v)) DatabaseErrorFmt(SInvalidFloatLiteral, {Widen(FloatToText(v))});
    return FloatToText(v);
}

/// Decimal text rounded half away from zero to `places` fractional digits.
std::string RoundDecimalText(const std::string& text, int places) {
    const auto point = text.find('.');
    if (point == std::string::npos || text.size() - point - 1 <= static_cast<std::size_t>(places)) return text;
    std::string kept = text.substr(0, point + 1 + places);
    const bool up = text[point + 1 + places] >= '5';
    if (places == 0) kept.pop_back();
    if (up) {
        // Add one unit in the last kept place, carrying leftwards over the digits.
        std::size_t i = kept.size();
        bool carried = false;
        while (i > 0 && !carried) {
            char& ch = kept[i - 1];
            if (ch == '.') {
                --i;
            } else if (ch == '9') {
                ch = '0';
                --i;
            } else if (ch >= '0' && ch <= '8') {
                ++ch;
                carried = true;
            } else {
                break;  // the sign
            }
        }
        if (!carried) kept.insert(i, 1, '1');
    }
    return kept;
}

/// The exact decimal text of a Decimal value; text that is not a plain decimal
/// number never reaches the statement.
std::string DecimalText(const TVariant& value) {
    std::string t = value.AsDecimalText();
    std::size_t i = 0;
    if (i < t.size() && (t[i] == '-' || t[i] == '+')) ++i;
    std::size_t digits = 0, points = 0;
    for (; i < t.size(); ++i) {
        if (t[i] >= '0' && t[i] <= '9') ++digits;
        else if (t[i] == '.' && points++ == 0) continue;
        else break;
    }
    if (i != t.size() || digits == 0) DatabaseErrorFmt(SInvalidDecimalLiteral, {Widen(t)});
    return t;
}

std::string BcdText(const TVariant& value) {
    if (value.Kind() == TVariantKind::Decimal) return RoundDecimalText(DecimalText(value), 4);
    if (value.Kind() == TVariantKind::Int64 || value.Kind() == TVariantKind::UInt64) return value.AsDecimalText();
    const double v = value.AsDouble();
    if (!std::isfinite(v)) return FiniteFloatText(v);
    return FloatToText(std::round(v * 10000.0) / 10000.0);
}

std::string FloatText(const TVariant& value) {
    switch (value.Kind()) {
        case TVariantKind::Decimal: return DecimalText(value);  // exact as given
        case TVariantKind::Int64:
        case TVariantKind::UInt64: return value.AsDecimalText();
        default: return FiniteFloatText(value.AsDouble());
    }
}

std::string IntegerText(TDataType dataType, const TVariant& value) {
    // Unsigned 64-bit values from 2^63 up are written exactly, never through a signed type.
    if (value.Kind() == TVariantKind::UInt64 || dataType == dtUInt64) return std::to_string(value.AsUInt64());
    return std::to_string(value.AsInt64());
}

}  // namespace

std::string DateToSQLText(TDateTime value) {
    CheckDateRange(value);
    const TDateParts d = DecodeDate(value);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", d.Year, d.Month, d.Day);
    return buf;
}

std::string DateTimeToSQLText(TDateTime value) {
    CheckDateRange(value);
    TDateParts d;
    TTimeParts t;
    DecodeDateTime(value, d, t);
    char buf[40];
    if (t.MSec)
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d.%03d", d.Year, d.Month, d.Day, t.Hour, t.Minute,
                      t.Second, t.MSec);
    else
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", d.Year, d.Month, d.Day, t.Hour, t.Minute, t.Second);
    return buf;
}

std::string TimeToSQLText(TDateTime value) {
    if (!std::isfinite(value) || std::fabs(value) > 1e9) DatabaseError(SInvalidDateLiteral);
    const bool negative = value < 0;
    const long long ms = std::llround(std::fabs(value) * MSecsPerDay);
    std::string out = negative && ms != 0 ? "-" : "";
    out += std::to_string(ms / 3600000);
    out += ':' + TwoDigits(static_cast<int>(ms / 60000 % 60));
    out += ':' + TwoDigits(static_cast<int>(ms / 1000 % 60));
    if (const int msec = static_cast<int>(ms % 1000)) {
        char buf[8];
        std::snprintf(buf, sizeof buf, ".%03d", msec);
        out += buf;
    }
    return out;
}

void AppendValueToSQL(std::string& sql, TDataType dataType, const TVariant& value, const TLiteralContext& context) {
    if (value.IsNull()) {
        sql += "NULL";
        return;
    }
    if (dataType == dtUnknown) dataType = DataTypeOfValue(value);
    const auto quoted = [&](const std::string& text) {
        sql += '\'';
        sql += text;
        sql += '\'';
    };
    switch (dataType) {
        case dtDate:
        case dtTime:
        case dtDateTime:
        case dtSQLTimeStamp:
        case dtSQLTimeStampOffset: {
            const TDateTime v = value.AsDateTime();
            if (v == ZeroDate()) {
                sql += kZeroDateLiteral;
                return;
            }
            if (dataType == dtDate) quoted(DateToSQLText(v));
            else if (dataType == dtTime) quoted(TimeToSQLText(v));
            else quoted(DateTimeToSQLText(v));
            return;
        }
        case dtString:
        case dtExtString:
        case dtWideString:
        case dtExtWideString:
        case dtMemo:
        case dtWideMemo:
        case dtFixedChar:
        case dtFixedWideChar:
        case dtGuid:
        case dtXML: {
            const UString text = value.AsString();
            if (text.empty()) {
                sql += "''";
                return;
            }
            const std::string bytes = context.IsUtf8 ? Utf16ToUtf8(text) : Utf16ToAnsi(text);
            sql += EscapeAndQuoteStr(bytes, context.NeedBackslashes, context.Charset);
            return;
        }
        case dtUnknown:
        case dtBytes:
        case dtVarBytes:
        case dtExtVarBytes:
        case dtBlob: {
            // Raw bytes: the escaping never splits a character of a double-byte set.
            const std::string bytes = value.AsBytes();
            sql += EscapeAndQuoteStr(bytes, context.NeedBackslashes, context.Charset);
            return;
        }
        case dtSingle:
        case dtFloat:
        case dtExtended:
        case dtCurrency:
        case dtFMTBCD: sql += FloatText(value); return;
        case dtBCD: sql += BcdText(value); return;
        case dtBoolean: sql += value.AsBoolean() ? '1' : '0'; return;
        default: sql += IntegerText(dataType, value); return;
    }
}

}  // namespace brevant
