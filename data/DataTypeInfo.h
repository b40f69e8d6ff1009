#pragma once
// What each storage type code means to the record store and to the dataset frame:
// the bytes a value occupies inside a record and the kind of field the frame
// creates for it.

#include <cstddef>
#include <cstdint>

#include "core/DataTypes.h"

namespace brevant {

/// The field kinds of the dataset frame.
enum TFieldType : std::uint8_t {
    ftUnknown,
    ftString,       // 8-bit string
    ftWideString,   // UTF-16 string
    ftShortint,     // signed 8-bit integer
    ftSmallint,     // signed 16-bit integer
    ftInteger,      // signed 32-bit integer
    ftLargeint,     // signed 64-bit integer
    ftByte,         // unsigned 8-bit integer
    ftWord,         // unsigned 16-bit integer
    ftLongWord,     // unsigned 32-bit integer
    ftLargeUInt,    // unsigned 64-bit integer (BIGINT UNSIGNED, BIT(64): values from 2^63 up)
    ftSingle,
    ftFloat,
    ftExtended,
    ftCurrency,
    ftBCD,          // fixed point, 4 decimals
    ftFMTBcd,       // packed BCD, up to 64 digits
    ftDate,
    ftTime,
    ftDateTime,
    ftTimeStamp,
    ftTimeStampOffset,
    ftBoolean,
    ftBytes,
    ftVarBytes,
    ftBlob,
    ftMemo,
    ftWideMemo,
    ftVariant,
    ftADT,
    ftReference,
    ftArray,
    ftDataSet,
    ftGuid,
    ftCursor,
};

/// Slot of a value kept outside the record: a reference (this build's pointer size).
constexpr std::uint32_t RefSize = sizeof(void*);

class TData {
public:
    /// Slot size in bytes of a value of the type and length. Fails with "Unknown data
    /// type" for a code outside the table.
    static std::uint32_t GetBufferSize(TDataType dataType, std::uint32_t length);
};

class TFieldTypeMap {
public:
    /// The field kind the frame creates; ftUnknown for a type without one.
    static TFieldType GetFieldType(TDataType dataType);
};

/// True for the types whose slot holds a reference to storage outside the record.
constexpr bool IsRefType(TDataType t) {
    return t == dtExtString || t == dtExtWideString || t == dtExtVarBytes || IsBlobType(t);
}

}  // namespace brevant
