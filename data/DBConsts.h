#pragma once
// Fixed texts of the dataset frame's errors.

namespace brevant {

inline constexpr char16_t SNotEditing[] = u"Dataset not in edit or insert mode";
inline constexpr char16_t SFieldReadOnly[] = u"Field '%s' cannot be modified";
inline constexpr char16_t SDataSetClosed[] = u"Cannot perform this operation on a closed dataset";
inline constexpr char16_t SDataSetOpen[] = u"Cannot perform this operation on an open dataset";
inline constexpr char16_t SDataSetEmpty[] = u"Cannot perform this operation on an empty dataset";
inline constexpr char16_t SDataSetReadOnly[] = u"Cannot modify a read-only dataset";
inline constexpr char16_t SFieldNotFound[] = u"Field '%s' not found";
inline constexpr char16_t SFieldRequired[] = u"Field '%s' must have a value";
inline constexpr char16_t SFieldAccessError[] = u"Cannot access field '%s' as type %s";
inline constexpr char16_t SFieldRangeError[] = u"%d is not a valid value for field '%s'. The allowed range is %d to %d";
inline constexpr char16_t SNotBlobField[] = u"Field '%s' is not a BLOB field";
inline constexpr char16_t SDataTypeNotSupported[] = u"Data type is not supported";
inline constexpr char16_t SInvalidIntegerValue[] = u"'%s' is not a valid integer value";
inline constexpr char16_t SInvalidFloatValue[] = u"'%s' is not a valid floating point value";
inline constexpr char16_t SInvalidBoolValue[] = u"'%s' is not a valid boolean value";
inline constexpr char16_t SInvalidBcdValue[] = u"'%s' is not a valid BCD value";
inline constexpr char16_t SInvalidDateTime[] = u"'%s' is not a valid date and time";
inline constexpr char16_t SBlobFileOpen[] = u"Cannot open file %s";
inline constexpr char16_t SConnectionNotConnected[] = u"Connection is not connected";
inline constexpr char16_t SEmptySQLStatement[] = u"No SQL statement provided";
inline constexpr char16_t SNoUpdater[] = u"Changes cannot be written to the server: no update statements";

}  // namespace brevant
