#pragma once
// Field descriptors: how one column is held in a record (type, length, slot) and
// the attributes the dataset and the update generator read.

#include <cstdint>
#include <memory>

#include "core/DataTypes.h"
#include "core/Text.h"

namespace brevant {

enum TFieldDescKind : std::uint8_t { fdkData, fdkCached, fdkCalculated };

class TTableInfo;

class TFieldDesc {
public:
    virtual ~TFieldDesc() = default;

    TDataType DataType = dtUnknown;
    TDataType SubDataType = dtUnknown;
    TFieldDesc* ParentField = nullptr;  // structured types only
    void* ObjectType = nullptr;         // structured types only
    UString Name;                       // the column alias
    UString ActualName;                 // the column's name in its table
    std::uint32_t Length = 0;
    int Scale = 0;
    std::uint16_t FieldNo = 0;   // 1-based column position
    int ActualFieldNo = -1;      // 0-based position in the row; -1: not from the row
    std::uint32_t Size = 0;      // slot bytes
    std::uint32_t Offset = 0;    // slot position in the record
    bool Required = false;
    bool ReadOnly = false;
    bool IsKey = false;
    bool Fixed = false;
    bool Hidden = false;
    bool IsAutoIncrement = false;
    bool IsBlob = false;
    TFieldDescKind FieldDescKind = fdkData;

    bool HasParent() const { return ParentField != nullptr; }
};

class TCRFieldDesc : public TFieldDesc {
public:
    std::uint16_t DBType = 0;    // the MySQL type code
    std::int32_t DBLength = 0;   // length in characters (precision for DECIMAL)
    std::int32_t DBScale = 0;    // decimals
    void* MapRule = nullptr;     // data type map rule (none configured)
    void* Converter = nullptr;
    TTableInfo* TableInfo = nullptr;
};

class TMySQLFieldDesc : public TCRFieldDesc {
public:
    std::uint8_t MySQLType = 0;  // the raw server type code
    bool IsUnsigned = false;
    bool IsPrimaryKey = false;
    bool IsBinary = false;
    bool IsCurrentTimestamp = false;
    std::uint32_t Flags = 0;     // the column flags as the server sent them
    /// The column's table alias and name as the server sent them (8-bit).
    std::string TableName, OrgTableName;
};

}  // namespace brevant
