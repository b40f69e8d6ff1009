#include "data/MyDataTypes.h"

#include "data/DataErrors.h"
#include "mysql/wire/MySqlTypes.h"

namespace brevant {

namespace {

bool IsBinaryColumn(std::uint32_t charsetNr, std::uint32_t flags) {
    return (flags & myflags::BINARY) != 0 && charsetNr == BinaryCharsetNr;
}

std::uint16_t BlobBySize(std::uint32_t length, bool binary) {
    if (length <= 255) return binary ? myTinyBlob : myTinyText;
    if (length <= 65535) return binary ? myBlob : myText;
    if (length > 16777215) return binary ? myLongBlob : myLongText;
    return binary ? myMediumBlob : myMediumText;
}

}  // namespace

std::uint16_t TMyConverterManager::GetDBType(std::uint8_t sqlType, std::uint32_t lengthInChars,
                                             std::uint32_t charsetNr, std::uint32_t flags) {
    const bool binary = IsBinaryColumn(charsetNr, flags);
    const std::uint16_t unsignedStep = (flags & myflags::UNSIGNED) ? 1 : 0;
    switch (sqlType) {
        case MYSQL_TYPE_DECIMAL:
        case MYSQL_TYPE_NEWDECIMAL: return myDecimal;
        case MYSQL_TYPE_TINY: return myTiny + unsignedStep;
        case MYSQL_TYPE_SHORT: return mySmall + unsignedStep;
        case MYSQL_TYPE_INT24: return myMedium + unsignedStep;
        case MYSQL_TYPE_LONG: return myInt + unsignedStep;
        case MYSQL_TYPE_LONGLONG: return myBigint + unsignedStep;
        case MYSQL_TYPE_FLOAT: return myFloat;
        case MYSQL_TYPE_DOUBLE: return myDouble;
        case MYSQL_TYPE_TIMESTAMP: return myTimestamp;
        case MYSQL_TYPE_DATE:
        case MYSQL_TYPE_NEWDATE: return myDate;
        case MYSQL_TYPE_TIME: return myTime;
        case MYSQL_TYPE_DATETIME: return myDatetime;
        case MYSQL_TYPE_YEAR: return myYear;
        case MYSQL_TYPE_VARCHAR:
        case MYSQL_TYPE_VAR_STRING: return binary ? myVarbinary : myVarchar;
        case MYSQL_TYPE_NULL: return myVarchar;
        case MYSQL_TYPE_BIT: return myBit;
        case MYSQL_TYPE_JSON:
        case MYSQL_TYPE_BLOB:
        case MYSQL_TYPE_GEOMETRY: return BlobBySize(lengthInChars, binary);
        case MYSQL_TYPE_TINY_BLOB: return binary ? myTinyBlob : myTinyText;
        case MYSQL_TYPE_MEDIUM_BLOB: return binary ? myMediumBlob : myMediumText;
        case MYSQL_TYPE_LONG_BLOB: return binary ? myLongBlob : myLongText;
        case MYSQL_TYPE_ENUM: return myEnum;
        case MYSQL_TYPE_SET: return mySet;
        case MYSQL_TYPE_STRING:
            if (binary) return myBinary;
            if (flags & myflags::ENUM) return myEnum;
            if (flags & myflags::SET) return mySet;
            return myChar;
        default: return 0;
    }
}

namespace {

TDataType DecimalType(std::int64_t length, std::int64_t decimals, bool enableBCD, bool enableFMTBCD,
                      bool checkPrecision) {
    TDataType t;
    if (!checkPrecision) {
        t = enableFMTBCD ? dtFMTBCD : enableBCD ? dtBCD : dtFloat;
    } else {
        const std::int64_t p = length - 1 - (decimals > 0 ? 1 : 0);
        if (enableBCD && p >= 0 && p <= 14 && decimals <= 4)
            t = dtBCD;
        else
            t = enableFMTBCD ? dtFMTBCD : dtFloat;
    }
    // A value a double or a currency cannot hold exactly is kept exactly: what the grid
    // shows and what an edit writes back must be the server's value. `length` is the
    // precision here (sign and point already taken off).
    if (t == dtFloat && length > MaxExactFloatDigits) t = dtFMTBCD;
    if (t == dtBCD && (decimals > 4 || length - decimals > 14)) t = dtFMTBCD;
    if (t == dtFMTBCD && length > MaxBcdDigits) t = dtString;
    return t;
}

}  // namespace

TInternalFormat ConvertMySQLTypeToInternalFormat(std::uint16_t dbType, std::int64_t len, std::int64_t decimals,
                                                 bool enableBoolean, bool optimizedBigInt, bool binaryAsString,
                                                 bool useUnicode, bool enableBCD, bool enableFMTBCD,
                                                 bool checkPrecision) {
    TInternalFormat r;
    switch (dbType) {
        case myBit: r.InternalType = (len < 32 && optimizedBigInt) ? dtInt32 : dtUInt64; break;
        case myTiny: r.InternalType = (len == 1 && enableBoolean) ? dtBoolean : dtInt8; break;
        case myTinyUnsigned: r.InternalType = (len == 1 && enableBoolean) ? dtBoolean : dtUInt8; break;
        case mySmall: r.InternalType = dtInt16; break;
        case mySmallUnsigned:
        case myYear: r.InternalType = dtUInt16; break;
        case myMedium:
        case myMediumUnsigned:
        case myInt: r.InternalType = dtInt32; break;
        case myIntUnsigned: r.InternalType = dtUInt32; break;
        case myBigint: r.InternalType = dtInt64; break;
        case myBigintUnsigned: r.InternalType = dtUInt64; break;
        case myFloat:
        case myDouble: r.InternalType = dtFloat; break;
        case myDecimal: r.InternalType = DecimalType(len, decimals, enableBCD, enableFMTBCD, checkPrecision); break;
        case myDate: r.InternalType = dtDate; break;
        case myTime: r.InternalType = dtTime; break;
        case myDatetime:
        case myTimestamp: r.InternalType = dtDateTime; break;
        case myChar:
        case myEnum:
        case mySet: r = {dtString, true}; break;
        case myVarchar:
        case myNull: r.InternalType = dtString; break;
        case myBinary: r = {binaryAsString ? dtString : dtBytes, true}; break;
        case myVarbinary: r.InternalType = binaryAsString ? dtString : dtVarBytes; break;
        case myTinyBlob:
        case myBlob:
        case myMediumBlob:
        case myLongBlob: r.InternalType = dtBlob; break;
        case myTinyText:
        case myText:
        case myMediumText:
        case myLongText: r.InternalType = dtMemo; break;
        default:
            throw EDataError(u"Unknown MySQL datatype (" + IntToStr(dbType) + u")");
    }
    if (useUnicode) {
        if (r.InternalType == dtString) r.InternalType = dtWideString;
        else if (r.InternalType == dtMemo) r.InternalType = dtWideMemo;
    }
    return r;
}

}  // namespace brevant
