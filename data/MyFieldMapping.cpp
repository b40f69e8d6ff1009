#include "data/MyFieldMapping.h"

#include <algorithm>
#include <iterator>

#include "data/DataTypeInfo.h"
#include "data/DataErrors.h"
#include "data/MyDataTypes.h"
#include "mysql/client/DAProps.h"
#include "mysql/client/TMySQLConnection.h"
#include "mysql/wire/MySqlTypes.h"
#include "script/lexer/LexerCodes.h"
#include "script/lexer/TMyParser.h"

namespace brevant {

const int TMyStatementInfo::kShow = lxSHOW;

bool TMyFieldMapOptions::ServerSupportsFractions() const {
    if (ServerPrimaryVer > 5) return true;
    if (ServerPrimaryVer == 5 && ServerMinorVer >= 6) return true;
    return IsMariaDB && ServerPrimaryVer == 5 && ServerMinorVer >= 3;
}

TMyFieldMapOptions ConnectionMapOptions(TMySQLConnection& c) {
    TMyFieldMapOptions o;
    o.UseUnicode = c.UseUnicode();
    o.IsUtf8 = c.IsUtf8();
    o.DBCharLength = c.DBCharLength();
    o.OptimizedBigInt = PropBool(c.GetProp(prOptimizedBigInt));
    o.CheckPrecision = PropBool(c.GetProp(prCheckPrecision));
    o.EnableBCD = PropBool(c.GetProp(prEnableBCD));
    o.EnableFMTBCD = PropBool(c.GetProp(prEnableFmtBCD));
    o.ServerPrimaryVer = c.ServerPrimaryVer();
    o.ServerMinorVer = c.ServerMinorVer();
    o.ServerReleaseVer = c.ServerReleaseVer();
    o.IsMariaDB = c.IsMariaDB();
    return o;
}

TMyStatementInfo::TMyStatementInfo(UStringView sql) {
    TMyParser parser(sql);
    parser.OmitComment = true;
    for (int code = parser.GetNextToken(); code != lcEnd; code = parser.GetNextToken()) FCodes.push_back(code);
}

int TMyStatementInfo::Find(int code, int from) const {
    for (int i = std::max(from, 0); i < static_cast<int>(FCodes.size()); ++i)
        if (FCodes[i] == code) return i;
    return -1;
}

bool TMyStatementInfo::FindInOrder(std::initializer_list<int> codes) const {
    int from = 0;
    for (int code : codes) {
        int at = Find(code, from);
        if (at < 0) return false;
        from = at + 1;
    }
    return true;
}

namespace {

// Corrections of SHOW results by column name; the first matching row wins.
enum TLenCond : std::uint8_t { lcAny, lcAtMost, lcBelow };
enum TServerCond : std::uint8_t { svAny, sv40or5, sv5, sv5Release51 };
struct TShowCorrection {
    const char16_t* Names[3];
    TLenCond Cond;
    std::uint32_t Limit;
    int Keywords[2];  // searched in order; 0 ends the list
    TServerCond Server;
    std::uint32_t Length;  // 0: three times the server's length
};

constexpr TShowCorrection kShowCorrections[] = {
    {{u"status"}, lcAtMost, 10, {lxSTATUS}, svAny, 65535},
    {{u"privilege", u"context"}, lcBelow, 30, {lxPRIVILEGES}, svAny, 40},
    {{u"state", u"command"}, lcAny, 0, {lxPROCESSLIST}, svAny, 0},
    {{u"slave_io_state"}, lcBelow, 80, {lxSLAVE, lxSTATUS}, svAny, 80},
    {{u"slave_io_running", u"slave_sql_running"}, lcBelow, 3, {lxSLAVE, lxSTATUS}, svAny, 0},
    {{u"last_error", u"last_io_error", u"last_sql_error"}, lcBelow, 80, {lxSLAVE, lxSTATUS}, svAny, 2048},
    {{u"create table"}, lcAny, 0, {lxCREATE}, sv40or5, 65535},
    {{u"create procedure"}, lcAny, 0, {lxCREATE}, sv5, 65535},
    {{u"user"}, lcAny, 0, {}, sv5Release51, 16},
    {{u"host"}, lcAny, 0, {}, sv5Release51, 60},
};

bool ServerMatches(TServerCond cond, const TMyFieldMapOptions& o) {
    switch (cond) {
        case svAny: return true;
        case sv40or5: return (o.ServerPrimaryVer == 4 && o.ServerMinorVer == 0) || o.ServerPrimaryVer == 5;
        case sv5: return o.ServerPrimaryVer == 5;
        case sv5Release51: return o.ServerPrimaryVer == 5 && o.ServerReleaseVer > 51;
    }
    return false;
}

bool KeywordsPresent(const TMyStatementInfo& s, const int (&keywords)[2]) {
    int from = 0;
    for (int code : keywords) {
        if (code == 0) break;
        int at = s.Find(code, from);
        if (at < 0) return false;
        from = at + 1;
    }
    return true;
}

std::uint32_t CorrectShowLength(std::uint32_t length, const UString& lowerName, const TMyFieldMapOptions& o,
                                const TMyStatementInfo& s) {
    for (const TShowCorrection& c : kShowCorrections) {
        bool named = false;
        for (const char16_t* n : c.Names)
            if (n && lowerName == n) named = true;
        if (!named) continue;
        if (c.Cond == lcAtMost && length > c.Limit) continue;
        if (c.Cond == lcBelow && length >= c.Limit) continue;
        if (!ServerMatches(c.Server, o) || !KeywordsPresent(s, c.Keywords)) continue;
        return c.Length ? c.Length : length * 3;
    }
    return length;
}

UString DecodeName(const std::string& bytes, const TMyFieldMapOptions& o) {
    return o.IsUtf8 ? Utf8ToUtf16(bytes) : AnsiToUtf16(bytes);
}

// Fixed lengths of numbers, dates and times shown as text.
std::uint32_t NumberAsStringLength(std::uint16_t dbType) {
    switch (dbType) {
        case myTiny: case myTinyUnsigned: return 4;
        case mySmall: case mySmallUnsigned: return 6;
        case myMedium: case myMediumUnsigned: return 9;
        case myInt: case myIntUnsigned: return 11;
        case myBigint: case myBigintUnsigned: return 20;
        case myFloat: return 13;
        case myDouble: return 24;  // "-2.2250738585072014e-308"
        case myDate: case myTime: return 10;
        case myDatetime: case myTimestamp: return 19;
        default: return 0;
    }
}

bool IsServerTextType(std::uint8_t t) {
    return t == MYSQL_TYPE_NULL || t == MYSQL_TYPE_VARCHAR || t == MYSQL_TYPE_JSON || t >= MYSQL_TYPE_ENUM;
}

}  // namespace

std::uint32_t GetFieldLengthInChars(const TMYSQL_FIELD& f, const TMyFieldMapOptions& o, const TMyStatementInfo& s) {
    const bool show = s.IsShow();
    const std::uint32_t charLen = static_cast<std::uint32_t>(std::max(o.DBCharLength, 1));
    std::uint32_t length;
    if (o.UseUnicode && IsServerTextType(f.MyType) && f.CharsetNr != BinaryCharsetNr && !show &&
        !(f.OrgTable.empty() && f.LengthInBytes == 1023))
        length = f.LengthInBytes / charLen;
    else if ((f.MyType == MYSQL_TYPE_TIMESTAMP || f.MyType == MYSQL_TYPE_DATE || f.MyType == MYSQL_TYPE_TIME ||
              f.MyType == MYSQL_TYPE_DATETIME) &&
             f.CharsetNr != BinaryCharsetNr)
        length = f.LengthInBytes / charLen;
    else
        length = f.LengthInBytes;

    if (show) {
        const UString lowerName = LowerCaseAscii(DecodeName(f.Name, o));
        length = CorrectShowLength(length, lowerName, o, s);
        if (o.ServerPrimaryVer == 5 && o.ServerMinorVer == 0 && s.Find(lxENGINES) >= 0) length = length * 3 + 1;
    }
    if (o.ServerPrimaryVer < 5 && (s.Find(lxEXPLAIN) >= 0 || s.Find(lxDESCRIBE) >= 0) &&
        LowerCaseAscii(DecodeName(f.Name, o)) == u"type")
        length = 65534;
    return length;
}

TDetectedFieldType DetectFieldType(const TMyFieldMapOptions& o, std::uint16_t dbType, std::int32_t dbLength,
                                   std::int32_t dbScale, std::uint32_t lengthInBytes, bool hasTable) {
    TDetectedFieldType r;
    if ((o.FieldsAsString && dbType != myTinyBlob && dbType != myTinyText) ||
        (o.NumberFieldsAsString && dbType >= myBit && dbType <= myYear)) {
        r.InternalType = dtString;
    } else {
        TInternalFormat f = ConvertMySQLTypeToInternalFormat(dbType, dbLength, dbScale, o.EnableBoolean,
                                                             o.OptimizedBigInt, o.BinaryAsString, o.UseUnicode,
                                                             o.EnableBCD, o.EnableFMTBCD, o.CheckPrecision);
        r.InternalType = f.InternalType;
        r.Fixed = f.Fixed;
        if (dbType == myFloat) r.SubDataType = dtSingle;
    }
    // An expression of 65535 characters with no table behind it is a large object.
    if ((dbType == myVarchar || dbType == myVarbinary) && (dbLength == 65535 || lengthInBytes == 65535) &&
        !hasTable && IsStringType(r.InternalType))
        r.InternalType = dbType == myVarbinary ? dtBlob : (o.UseUnicode ? dtWideMemo : dtMemo);
    if (!o.LongStrings && dbLength >= 256) {
        if (r.InternalType == dtString) r.InternalType = dtMemo;
        else if (r.InternalType == dtWideString) r.InternalType = dtWideMemo;
    }
    if (r.Fixed) r.SubDataType = dtFixedChar;
    if ((!o.FlatBuffers && dbLength >= FlatBufferLimit) || dbLength == 0) {
        switch (r.InternalType) {
            case dtString: r.InternalType = dtExtString; break;
            case dtWideString: r.InternalType = dtExtWideString; break;
            case dtBytes:
            case dtVarBytes: r.InternalType = dtExtVarBytes; break;
            default: break;
        }
    }
    r.Length = IsBlobType(r.InternalType) ? 0 : static_cast<std::uint32_t>(std::max(dbLength, 0));
    // The widths by kind are at least the column's own: fractions of a second make a
    // DATETIME(6) 26 wide, and a value is never cut to the kind's width.
    if (o.NumberFieldsAsString && r.InternalType == dtString)
        if (std::uint32_t n = NumberAsStringLength(dbType)) r.Length = std::max(r.Length, n);
    switch (r.InternalType) {
        case dtSingle:
        case dtFloat:
        case dtBCD: r.Scale = dbScale; break;
        case dtFMTBCD:
            r.Scale = dbScale;
            r.Length = std::min<std::uint32_t>(r.Length, MaxBcdDigits);
            break;
        case dtDate:
        case dtTime:
        case dtDateTime:
            if (o.ServerSupportsFractions()) r.Scale = dbScale;
            break;
        case dtExtString:
        case dtExtWideString:
            if (r.Length == 0 && dbType != myNull) r.Length = SizeForFieldsWithZeroLength;
            break;
        default: break;
    }
    return r;
}

void DescribeFieldDesc(const TMYSQL_FIELD& f, int index, const TMyFieldMapOptions& o, const TMyStatementInfo& s,
                       TMySQLFieldDesc& d) {
    std::int64_t length = GetFieldLengthInChars(f, o, s);
    if (!o.NumberFieldsAsString && (f.MyType == MYSQL_TYPE_DECIMAL || f.MyType == MYSQL_TYPE_NEWDECIMAL)) {
        // Precision: the display length less the sign (absent for UNSIGNED, whose
        // digits would otherwise be cut) and the decimal point.
        if (!(f.Flags & myflags::UNSIGNED)) --length;
        if (f.Decimals > 0) --length;
        length = std::max<std::int64_t>(length, 1);
    }
    const std::uint16_t dbType =
        TMyConverterManager::GetDBType(f.MyType, static_cast<std::uint32_t>(length), f.CharsetNr, f.Flags);
    if (dbType == 0) throw EDataError(u"Unknown MySQL datatype (0)");

    d.Name = DecodeName(f.Name, o);
    d.ActualName = DecodeName(f.OrgName, o);
    d.FieldNo = static_cast<std::uint16_t>(index + 1);
    d.ActualFieldNo = index;
    d.DBType = dbType;
    d.DBLength = static_cast<std::int32_t>(std::min<std::int64_t>(length, 2147483647));
    d.DBScale = static_cast<std::int32_t>(std::min<std::uint32_t>(f.Decimals, 2147483647u));
    const TDetectedFieldType t = DetectFieldType(o, dbType, d.DBLength, d.DBScale, f.LengthInBytes, !f.Table.empty());
    d.DataType = t.InternalType;
    d.SubDataType = t.SubDataType;
    d.Length = std::min<std::uint32_t>(t.Length, 65535);
    d.Scale = t.Scale;
    d.Fixed = t.Fixed;
    d.IsBlob = IsBlobType(t.InternalType);
    d.Size = TData::GetBufferSize(d.DataType, d.Length);
    d.MySQLType = f.MyType;
    d.Flags = f.Flags;
    d.IsUnsigned = (f.Flags & myflags::UNSIGNED) != 0;
    d.IsPrimaryKey = (f.Flags & myflags::PRI_KEY) != 0;
    d.IsBinary = (f.Flags & myflags::BINARY) != 0;
    d.ReadOnly = f.MyType == MYSQL_TYPE_NULL;
    d.IsAutoIncrement = (f.Flags & myflags::AUTO_INCREMENT) != 0;
    d.Required = (f.Flags & myflags::NOT_NULL) && !d.IsAutoIncrement && f.MyType != MYSQL_TYPE_TIMESTAMP;
    d.IsKey = (f.Flags & (myflags::PRI_KEY | myflags::UNIQUE_KEY | myflags::MULTIPLE_KEY | myflags::PART_KEY)) != 0;
    const bool newTimestampRule = o.ServerPrimaryVer > 5 || (o.ServerPrimaryVer == 5 && o.ServerMinorVer > 1) ||
                                  (o.ServerPrimaryVer == 5 && o.ServerMinorVer == 1 && o.ServerReleaseVer >= 23);
    const std::uint32_t tsMask = newTimestampRule ? (myflags::TIMESTAMP | myflags::ON_UPDATE_NOW) : myflags::TIMESTAMP;
    d.IsCurrentTimestamp = (f.Flags & tsMask) == tsMask;
    d.TableName = f.Table;
    d.OrgTableName = f.OrgTable;
}

void CorrectDescribeResult(const TMyFieldMapOptions& o, const TMyStatementInfo& s,
                           std::vector<TMySQLFieldDesc*>& fields) {
    if (s.Find(lxSELECT) >= 0) return;
    const bool describe = s.Find(lxDESC) >= 0 || s.Find(lxDESCRIBE) >= 0 || s.FindInOrder({lxSHOW, lxCOLUMNS});
    if (!describe) return;
    for (TMySQLFieldDesc* d : fields) {
        if (d->Name != u"Type") continue;
        d->Length = 256;
        d->DBLength = 256;
        if (!o.LongStrings) {
            d->DataType = o.UseUnicode ? dtWideMemo : dtMemo;
            d->Length = 0;
        } else if (!o.FlatBuffers) {
            // The new length no longer fits an in-record slot.
            if (d->DataType == dtString) d->DataType = dtExtString;
            else if (d->DataType == dtWideString) d->DataType = dtExtWideString;
        }
        d->IsBlob = IsBlobType(d->DataType);
        d->Size = TData::GetBufferSize(d->DataType, d->Length);
    }
}

}  // namespace brevant
