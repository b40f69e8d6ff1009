#pragma once
// The value of one field as read from a record; the field kinds are TFieldType of
// DataTypeInfo.h.
//
// TFieldValue is a view: text, bytes and large objects point into the record (or the
// dataset's storage) they were read from and stay valid until that record changes or
// the dataset closes. Reading a value never copies a string; a caller that keeps the
// value longer converts it first.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/DateTime.h"
#include "core/Text.h"
#include "data/DataTypeInfo.h"

namespace brevant {


/// "String", "Integer", "WideMemo" ...: the kind's name as messages show it.
UStringView FieldTypeName(TFieldType type);

/// The content of one large object. Offsets and counts are in bytes; a wide memo
/// holds UTF-16 code units in the machine's byte order.
class TBlobContent {
public:
    virtual ~TBlobContent() = default;
    virtual std::uint64_t Size() const = 0;
    /// Copies up to `count` bytes from `position`; returns the count copied (0 past the end).
    virtual std::size_t Read(std::uint64_t position, std::size_t count, void* dest) const = 0;
    /// Writes at `position` (moved back to the size when beyond it), growing as needed.
    virtual void Write(std::uint64_t position, std::size_t count, const void* source) = 0;
    /// Cuts the content to `size` bytes.
    virtual void Truncate(std::uint64_t size) = 0;
};

enum class TValueKind : std::uint8_t { Null, Integer, Float, Boolean, DateTime, Decimal, AnsiText, WideText, Bytes, Blob };

struct TFieldValue {
    TValueKind Kind = TValueKind::Null;
    bool Bool = false;
    std::int64_t Int = 0;
    double Float = 0;            // Float and DateTime
    std::string_view Bytes;      // AnsiText (system code page), Bytes
    UStringView Wide;            // WideText
    std::string Decimal;         // Decimal: exact text, "-12.50" (owned: BCD slots are not text)
    TBlobContent* Blob = nullptr;  // Blob

    bool IsNull() const { return Kind == TValueKind::Null; }
    void Clear() { *this = TFieldValue(); }

    static TFieldValue Null() { return {}; }
    static TFieldValue Integer(std::int64_t v) { TFieldValue r; r.Kind = TValueKind::Integer; r.Int = v; return r; }
    static TFieldValue FloatValue(double v) { TFieldValue r; r.Kind = TValueKind::Float; r.Float = v; return r; }
    static TFieldValue Boolean(bool v) { TFieldValue r; r.Kind = TValueKind::Boolean; r.Bool = v; return r; }
    static TFieldValue DateTime(TDateTime v) { TFieldValue r; r.Kind = TValueKind::DateTime; r.Float = v; return r; }
    static TFieldValue DecimalText(std::string v) {
        TFieldValue r; r.Kind = TValueKind::Decimal; r.Decimal = std::move(v); return r;
    }
    static TFieldValue AnsiText(std::string_view v) { TFieldValue r; r.Kind = TValueKind::AnsiText; r.Bytes = v; return r; }
    static TFieldValue WideText(UStringView v) { TFieldValue r; r.Kind = TValueKind::WideText; r.Wide = v; return r; }
    static TFieldValue ByteString(std::string_view v) { TFieldValue r; r.Kind = TValueKind::Bytes; r.Bytes = v; return r; }
    static TFieldValue BlobValue(TBlobContent* v) { TFieldValue r; r.Kind = TValueKind::Blob; r.Blob = v; return r; }
};

}  // namespace brevant
