#include "data/DataTypeInfo.h"

#include <iterator>

#include "data/DataErrors.h"

namespace brevant {

namespace {

// Slot rule of a type: a fixed size, or one that grows with the field length.
enum TSlotRule : std::uint8_t { srFixed, srLengthPlus1, srWide, srLengthPlus2, srRef, srNone };

struct TTypeInfo {
    TSlotRule Rule;
    std::uint8_t Fixed;  // bytes for srFixed
    TFieldType Kind;
};

// Indexed by the data type code.
constexpr TTypeInfo kTypeInfo[] = {
    {srFixed, 4, ftUnknown},           // dtUnknown
    {srLengthPlus1, 0, ftString},      // dtString
    {srRef, 0, ftString},              // dtExtString
    {srWide, 0, ftWideString},         // dtWideString
    {srRef, 0, ftWideString},          // dtExtWideString
    {srNone, 0, ftUnknown},            // dtFixedChar (sub-type only)
    {srNone, 0, ftUnknown},            // dtFixedWideChar (sub-type only)
    {srFixed, 2, ftShortint},          // dtInt8
    {srFixed, 2, ftSmallint},          // dtInt16
    {srFixed, 4, ftInteger},           // dtInt32
    {srFixed, 8, ftLargeint},          // dtInt64
    {srFixed, 2, ftByte},              // dtUInt8
    {srFixed, 2, ftWord},              // dtUInt16
    {srFixed, 4, ftLongWord},          // dtUInt32
    {srFixed, 8, ftLargeUInt},         // dtUInt64
    {srFixed, 4, ftSingle},            // dtSingle
    {srFixed, 8, ftFloat},             // dtFloat
    {srFixed, 10, ftExtended},         // dtExtended
    {srFixed, 8, ftCurrency},          // dtCurrency
    {srFixed, 8, ftBCD},               // dtBCD
    {srFixed, 34, ftFMTBcd},           // dtFMTBCD
    {srFixed, 8, ftDate},              // dtDate
    {srFixed, 8, ftTime},              // dtTime
    {srFixed, 8, ftDateTime},          // dtDateTime
    {srFixed, 16, ftTimeStamp},        // dtSQLTimeStamp
    {srFixed, 20, ftTimeStampOffset},  // dtSQLTimeStampOffset
    {srFixed, 2, ftBoolean},           // dtBoolean
    {srLengthPlus1, 0, ftBytes},       // dtBytes
    {srLengthPlus2, 0, ftVarBytes},    // dtVarBytes
    {srRef, 0, ftVarBytes},            // dtExtVarBytes
    {srRef, 0, ftBlob},                // dtBlob
    {srRef, 0, ftMemo},                // dtMemo
    {srRef, 0, ftWideMemo},            // dtWideMemo
    {srRef, 0, ftVariant},             // dtVariant
    {srRef, 0, ftADT},                 // dtObject
    {srRef, 0, ftReference},           // dtReference
    {srRef, 0, ftArray},               // dtArray
    {srRef, 0, ftDataSet},             // dtTable
    {srFixed, 39, ftGuid},             // dtGuid
    {srRef, 0, ftCursor},              // dtCursor
    {srRef, 0, ftUnknown},             // dtXML
};
static_assert(std::size(kTypeInfo) == dtXML + 1);

}  // namespace

std::uint32_t TData::GetBufferSize(TDataType dataType, std::uint32_t length) {
    if (dataType >= std::size(kTypeInfo)) throw EDataError(u"Unknown data type");
    const TTypeInfo& info = kTypeInfo[dataType];
    switch (info.Rule) {
        case srFixed: return info.Fixed;
        case srLengthPlus1: return length + 1;
        case srWide: return 2 * length + 2;
        case srLengthPlus2: return length + 2;
        case srRef: return RefSize;
        case srNone: break;
    }
    throw EDataError(u"Unknown data type");
}

TFieldType TFieldTypeMap::GetFieldType(TDataType dataType) {
    return dataType < std::size(kTypeInfo) ? kTypeInfo[dataType].Kind : ftUnknown;
}

}  // namespace brevant
