#pragma once
// MySQL type codes (the column's SQL type, independent of storage), the column
// flags, and the first two mapping steps: server type to MySQL type code, MySQL
// type code to storage type.

#include <cstdint>

#include "core/DataTypes.h"

namespace brevant {

enum : std::uint16_t {
    myBase = 200,
    myBit = 201,
    myTiny,
    myTinyUnsigned,
    mySmall,
    mySmallUnsigned,
    myMedium,
    myMediumUnsigned,
    myInt,
    myIntUnsigned,
    myBigint,
    myBigintUnsigned,
    myFloat,
    myDouble,
    myDecimal,
    myDate,
    myTime,
    myDatetime,
    myTimestamp,
    myYear,
    myChar,
    myVarchar,
    myBinary,
    myVarbinary,
    myTinyBlob,
    myBlob,
    myTinyText,
    myText,
    myEnum,
    mySet,
    myLongBlob,
    myMediumBlob,
    myLongText,
    myMediumText,
    myJSON,
    myNull,  // 235
};

// Column flags as the server sends them.
namespace myflags {
constexpr std::uint32_t NOT_NULL = 1, PRI_KEY = 2, UNIQUE_KEY = 4, MULTIPLE_KEY = 8, BLOB = 16, UNSIGNED = 32,
                        ZEROFILL = 64, BINARY = 128, ENUM = 256, AUTO_INCREMENT = 512, TIMESTAMP = 1024,
                        SET = 2048, ON_UPDATE_NOW = 8192, PART_KEY = 16384;
}

constexpr std::uint32_t BinaryCharsetNr = 63;

class TMyConverterManager {
public:
    /// Step 1: the server type, length in characters, character set and flags give the
    /// MySQL type code; 0 for a server type without one.
    static std::uint16_t GetDBType(std::uint8_t sqlType, std::uint32_t lengthInChars, std::uint32_t charsetNr,
                                   std::uint32_t flags);
};

struct TInternalFormat {
    TDataType InternalType = dtUnknown;
    bool Fixed = false;
};

/// Step 2. Fails with "Unknown MySQL datatype (%d)" for a code outside myBit..myNull and
/// for myJSON. BIGINT and BIGINT UNSIGNED are never narrowed (their display width does
/// not bound their values); BIGINT UNSIGNED and BIT are unsigned 64-bit; a DECIMAL whose
/// precision a double cannot hold exactly is kept as a formatted BCD (text beyond 64 digits).
TInternalFormat ConvertMySQLTypeToInternalFormat(std::uint16_t dbType, std::int64_t fieldLengthInBytes,
                                                 std::int64_t decimals, bool enableBoolean, bool optimizedBigInt,
                                                 bool binaryAsString, bool useUnicode, bool enableBCD,
                                                 bool enableFMTBCD, bool checkPrecision);

/// Digits a double carries exactly from text and back.
constexpr int MaxExactFloatDigits = 15;
/// Digits a formatted BCD slot holds.
constexpr int MaxBcdDigits = 64;

}  // namespace brevant
