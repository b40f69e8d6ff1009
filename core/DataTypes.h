#pragma once
// The system's storage type codes, shared by the record store, the fields, the
// parameters and the literals written into statements. Synonyms carry the same value.

#include <cstdint>

namespace brevant {

using TDataType = std::uint16_t;

enum : TDataType {
    dtUnknown = 0,
    dtString = 1,
    dtExtString = 2,
    dtWideString = 3,
    dtExtWideString = 4,
    dtFixedChar = 5,      // sub-type only
    dtFixedWideChar = 6,  // sub-type only
    dtInt8 = 7,
    dtInt16 = 8,
    dtSmallint = dtInt16,
    dtInt32 = 9,
    dtInteger = dtInt32,
    dtInt64 = 10,
    dtLargeint = dtInt64,
    dtUInt8 = 11,
    dtByte = dtUInt8,
    dtUInt16 = 12,
    dtWord = dtUInt16,
    dtUInt32 = 13,
    dtLongWord = dtUInt32,
    dtUInt64 = 14,
    dtSingle = 15,
    dtFloat = 16,
    dtExtended = 17,
    dtCurrency = 18,
    dtBCD = 19,
    dtFMTBCD = 20,
    dtDate = 21,
    dtTime = 22,
    dtDateTime = 23,
    dtSQLTimeStamp = 24,
    dtSQLTimeStampOffset = 25,
    dtBoolean = 26,
    dtBytes = 27,
    dtVarBytes = 28,
    dtExtVarBytes = 29,
    dtBlob = 30,
    dtMemo = 31,
    dtWideMemo = 32,
    dtVariant = 33,
    dtObject = 34,
    dtReference = 35,
    dtArray = 36,
    dtTable = 37,
    dtGuid = 38,
    dtCursor = 39,
    dtXML = 40,
};

/// Text held in the system's 8-bit code page or the connection's bytes.
constexpr bool IsAnsiStringType(TDataType t) { return t == dtString || t == dtExtString; }
constexpr bool IsWideStringType(TDataType t) { return t == dtWideString || t == dtExtWideString; }
constexpr bool IsStringType(TDataType t) { return IsAnsiStringType(t) || IsWideStringType(t); }
constexpr bool IsBlobType(TDataType t) { return t == dtBlob || t == dtMemo || t == dtWideMemo; }
constexpr bool IsBytesType(TDataType t) { return t == dtBytes || t == dtVarBytes || t == dtExtVarBytes; }
constexpr bool IsDateTimeType(TDataType t) {
    return t == dtDate || t == dtTime || t == dtDateTime || t == dtSQLTimeStamp || t == dtSQLTimeStampOffset;
}

}  // namespace brevant
