// Column descriptions to field descriptors, without a server: the type steps as
// tables of cases, the options that steer them, the SHOW and DESCRIBE corrections
// and the failures.

#include <gtest/gtest.h>

#include "data/DataErrors.h"
#include "data/DataTypeInfo.h"
#include "data/MyDataTypes.h"
#include "data/MyFieldMapping.h"
#include "mysql/wire/MySqlTypes.h"

namespace brevant {
namespace {

TMYSQL_FIELD Column(std::uint8_t type, std::uint32_t length, std::uint32_t flags = 0, std::uint32_t charset = 33,
                    std::uint32_t decimals = 0, std::string table = "t") {
    TMYSQL_FIELD f;
    f.Name = f.OrgName = "c";
    f.Table = f.OrgTable = table;
    f.MyType = type;
    f.LengthInBytes = length;
    f.Flags = flags;
    f.CharsetNr = charset;
    f.Decimals = decimals;
    return f;
}

TMyFieldMapOptions Unicode() {
    TMyFieldMapOptions o;
    o.UseUnicode = o.IsUtf8 = true;
    o.DBCharLength = 3;
    o.ServerPrimaryVer = 10;
    o.ServerMinorVer = 11;
    o.IsMariaDB = true;
    return o;
}

TMySQLFieldDesc Describe(const TMYSQL_FIELD& f, const TMyFieldMapOptions& o, const char16_t* sql = u"SELECT 1") {
    TMySQLFieldDesc d;
    DescribeFieldDesc(f, 0, o, TMyStatementInfo(sql), d);
    return d;
}

constexpr std::uint32_t B = myflags::BINARY;
constexpr std::uint32_t U = myflags::UNSIGNED;

TEST(FieldMapping, ColumnsWithOptions) {
    TMyFieldMapOptions plain = Unicode();
    plain.UseUnicode = false;
    plain.IsUtf8 = false;
    plain.DBCharLength = 1;
    TMyFieldMapOptions noBool = Unicode(), optimized = Unicode(), bytes = Unicode(), bcd = Unicode(),
                       fmt = Unicode(), shortStrings = Unicode();
    noBool.EnableBoolean = false;
    optimized.OptimizedBigInt = true;
    bytes.BinaryAsString = false;
    bcd.EnableBCD = true;
    fmt.EnableFMTBCD = true;
    shortStrings.LongStrings = false;
    const TMyFieldMapOptions uni = Unicode();
    struct Case {
        const char* what;
        TMYSQL_FIELD column;
        const TMyFieldMapOptions* options;
        TDataType type, sub;
        std::uint32_t length;
        int scale;
        bool fixed;
    };
    const Case cases[] = {
        {"TINYINT(1)", Column(MYSQL_TYPE_TINY, 1), &uni, dtBoolean, 0, 1, 0, false},
        {"TINYINT(1) UNSIGNED", Column(MYSQL_TYPE_TINY, 1, U), &uni, dtBoolean, 0, 1, 0, false},
        {"TINYINT(1) no boolean", Column(MYSQL_TYPE_TINY, 1), &noBool, dtInt8, 0, 1, 0, false},
        {"TINYINT(2)", Column(MYSQL_TYPE_TINY, 2), &uni, dtInt8, 0, 2, 0, false},
        {"BIGINT", Column(MYSQL_TYPE_LONGLONG, 20), &uni, dtInt64, 0, 20, 0, false},
        // The display width does not bound a BIGINT: never narrowed.
        {"BIGINT(11) optimized", Column(MYSQL_TYPE_LONGLONG, 11), &optimized, dtInt64, 0, 11, 0, false},
        {"BIGINT UNSIGNED", Column(MYSQL_TYPE_LONGLONG, 20, U), &uni, dtUInt64, 0, 20, 0, false},
        {"BIT(8)", Column(MYSQL_TYPE_BIT, 8, U), &uni, dtUInt64, 0, 8, 0, false},
        {"BIT(8) optimized", Column(MYSQL_TYPE_BIT, 8, U), &optimized, dtInt32, 0, 8, 0, false},
        {"BIT(64) optimized", Column(MYSQL_TYPE_BIT, 64, U), &optimized, dtUInt64, 0, 64, 0, false},
        {"YEAR", Column(MYSQL_TYPE_YEAR, 4, U), &uni, dtUInt16, 0, 4, 0, false},
        {"FLOAT", Column(MYSQL_TYPE_FLOAT, 12, 0, 63, 31), &uni, dtFloat, dtSingle, 12, 31, false},
        {"DECIMAL(10,2)", Column(MYSQL_TYPE_NEWDECIMAL, 12, 0, 63, 2), &uni, dtFloat, 0, 10, 2, false},
        {"DECIMAL(10,2) BCD", Column(MYSQL_TYPE_NEWDECIMAL, 12, 0, 63, 2), &bcd, dtBCD, 0, 10, 2, false},
        {"DECIMAL(10,2) FMTBCD", Column(MYSQL_TYPE_NEWDECIMAL, 12, 0, 63, 2), &fmt, dtFMTBCD, 0, 10, 2, false},
        // More digits than a double or a currency holds: kept exactly.
        {"DECIMAL(30,10)", Column(MYSQL_TYPE_NEWDECIMAL, 32, 0, 63, 10), &uni, dtFMTBCD, 0, 30, 10, false},
        {"DECIMAL(30,10) BCD", Column(MYSQL_TYPE_NEWDECIMAL, 32, 0, 63, 10), &bcd, dtFMTBCD, 0, 30, 10, false},
        {"DECIMAL(15,2) UNSIGNED", Column(MYSQL_TYPE_NEWDECIMAL, 16, U, 63, 2), &uni, dtFloat, 0, 15, 2, false},
        {"DECIMAL(16,0) UNSIGNED", Column(MYSQL_TYPE_NEWDECIMAL, 16, U, 63, 0), &uni, dtFMTBCD, 0, 16, 0, false},
        {"VARCHAR(20) utf8", Column(MYSQL_TYPE_VAR_STRING, 60), &uni, dtWideString, 0, 20, 0, false},
        {"VARCHAR(40) utf8", Column(MYSQL_TYPE_VAR_STRING, 120), &uni, dtExtWideString, 0, 40, 0, false},
        {"VARCHAR(20) 8-bit", Column(MYSQL_TYPE_VAR_STRING, 20), &plain, dtString, 0, 20, 0, false},
        {"VARCHAR(300) short strings", Column(MYSQL_TYPE_VAR_STRING, 900), &shortStrings, dtWideMemo, 0, 0, 0,
         false},
        {"CHAR(5)", Column(MYSQL_TYPE_STRING, 15), &uni, dtWideString, dtFixedChar, 5, 0, true},
        {"ENUM", Column(MYSQL_TYPE_STRING, 3, myflags::ENUM), &uni, dtWideString, dtFixedChar, 1, 0, true},
        {"SET", Column(MYSQL_TYPE_STRING, 15, myflags::SET), &uni, dtWideString, dtFixedChar, 5, 0, true},
        {"BINARY(16)", Column(MYSQL_TYPE_STRING, 16, B, 63), &uni, dtWideString, dtFixedChar, 16, 0, true},
        {"BINARY(16) bytes", Column(MYSQL_TYPE_STRING, 16, B, 63), &bytes, dtBytes, dtFixedChar, 16, 0, true},
        {"VARBINARY(16) bytes", Column(MYSQL_TYPE_VAR_STRING, 16, B, 63), &bytes, dtVarBytes, 0, 16, 0, false},
        {"VARBINARY(40) bytes", Column(MYSQL_TYPE_VAR_STRING, 40, B, 63), &bytes, dtExtVarBytes, 0, 40, 0, false},
        {"TEXT", Column(MYSQL_TYPE_BLOB, 196605, myflags::BLOB), &uni, dtWideMemo, 0, 0, 0, false},
        {"TEXT 8-bit", Column(MYSQL_TYPE_BLOB, 65535, myflags::BLOB), &plain, dtMemo, 0, 0, 0, false},
        {"BLOB", Column(MYSQL_TYPE_BLOB, 65535, myflags::BLOB | B, 63), &uni, dtBlob, 0, 0, 0, false},
        {"expression VARCHAR 65535", Column(MYSQL_TYPE_VAR_STRING, 65535, 0, 33, 0, ""), &plain, dtMemo, 0, 0, 0,
         false},
        {"SELECT NULL", Column(MYSQL_TYPE_NULL, 0, B, 63, 0, ""), &uni, dtExtWideString, 0, 65530, 0, false},
        {"DATETIME(6)", Column(MYSQL_TYPE_DATETIME, 26, B, 63, 6), &uni, dtDateTime, 0, 26, 6, false},
        {"TIME(3)", Column(MYSQL_TYPE_TIME, 14, B, 63, 3), &uni, dtTime, 0, 14, 3, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const TMySQLFieldDesc d = Describe(c.column, *c.options);
        EXPECT_EQ(d.DataType, c.type);
        EXPECT_EQ(d.SubDataType, c.sub);
        EXPECT_EQ(d.Length, c.length);
        EXPECT_EQ(d.Scale, c.scale);
        EXPECT_EQ(d.Fixed, c.fixed);
        EXPECT_EQ(d.Size, TData::GetBufferSize(d.DataType, d.Length));
    }
}

TEST(FieldMapping, SlotSizesAndFieldKinds) {
    struct Case {
        TDataType type;
        std::uint32_t length, size;
        TFieldType kind;
    };
    const Case cases[] = {
        {dtString, 20, 21, ftString},       {dtWideString, 20, 42, ftWideString}, {dtExtString, 40, RefSize, ftString},
        {dtInt8, 0, 2, ftShortint},         {dtInt32, 0, 4, ftInteger},          {dtUInt64, 0, 8, ftLargeUInt},
        {dtFloat, 0, 8, ftFloat},           {dtFMTBCD, 0, 34, ftFMTBcd},         {dtDateTime, 0, 8, ftDateTime},
        {dtBoolean, 0, 2, ftBoolean},       {dtBytes, 16, 17, ftBytes},          {dtVarBytes, 16, 18, ftVarBytes},
        {dtBlob, 0, RefSize, ftBlob},       {dtWideMemo, 0, RefSize, ftWideMemo}, {dtGuid, 0, 39, ftGuid},
        {dtXML, 0, RefSize, ftUnknown},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        EXPECT_EQ(TData::GetBufferSize(c.type, c.length), c.size);
        EXPECT_EQ(TFieldTypeMap::GetFieldType(c.type), c.kind);
    }
    EXPECT_EQ(TFieldTypeMap::GetFieldType(dtFixedChar), ftUnknown);
    EXPECT_THROW(TData::GetBufferSize(dtFixedChar, 1), EDataError);
    EXPECT_THROW(TData::GetBufferSize(41, 1), EDataError);
}

TEST(FieldMapping, UnknownTypesFail) {
    try {
        Describe(Column(17, 1), Unicode());
        FAIL();
    } catch (const EDataError& e) {
        EXPECT_EQ(e.Message(), u"Unknown MySQL datatype (0)");
    }
    for (std::uint16_t code : {std::uint16_t(0), std::uint16_t(myJSON), std::uint16_t(236)}) {
        try {
            ConvertMySQLTypeToInternalFormat(code, 1, 0, true, false, true, true, false, false, false);
            FAIL() << code;
        } catch (const EDataError& e) {
            EXPECT_EQ(e.Message(), u"Unknown MySQL datatype (" + IntToStr(code) + u")");
        }
    }
}

TEST(FieldMapping, CheckPrecisionPicksBcdBySize) {
    // The precision decides; a currency keeps at most 14 integer digits and 4 decimals.
    struct Case {
        std::int64_t length, decimals;
        TDataType type;
    };
    for (const Case& c : {Case{10, 2, dtBCD}, Case{10, 5, dtFMTBCD}, Case{14, 0, dtBCD}, Case{15, 0, dtFMTBCD}, Case{17, 2, dtFMTBCD}}) {
        const TInternalFormat f =
            ConvertMySQLTypeToInternalFormat(myDecimal, c.length, c.decimals, true, false, true, true, true, true, true);
        EXPECT_EQ(f.InternalType, c.type) << c.length << "," << c.decimals;
    }
}

TEST(FieldMapping, AttributesFromFlags) {
    struct Case {
        std::uint8_t type;
        std::uint32_t flags;
        bool required, key, autoInc, currentTimestamp;
    };
    using namespace myflags;
    const Case cases[] = {
        {MYSQL_TYPE_LONG, NOT_NULL | PRI_KEY, true, true, false, false},
        {MYSQL_TYPE_LONG, NOT_NULL | PRI_KEY | AUTO_INCREMENT, false, true, true, false},
        {MYSQL_TYPE_TIMESTAMP, NOT_NULL | TIMESTAMP | ON_UPDATE_NOW, false, false, false, true},
        {MYSQL_TYPE_TIMESTAMP, NOT_NULL | TIMESTAMP, false, false, false, false},
        {MYSQL_TYPE_LONG, MULTIPLE_KEY, false, true, false, false},
        {MYSQL_TYPE_LONG, UNIQUE_KEY | NOT_NULL, true, true, false, false},
        {MYSQL_TYPE_LONG, PART_KEY, false, true, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.flags);
        const TMySQLFieldDesc d = Describe(Column(c.type, 11, c.flags), Unicode());
        EXPECT_EQ(d.Required, c.required);
        EXPECT_EQ(d.IsKey, c.key);
        EXPECT_EQ(d.IsAutoIncrement, c.autoInc);
        EXPECT_EQ(d.IsCurrentTimestamp, c.currentTimestamp);
    }
    const TMySQLFieldDesc nullColumn = Describe(Column(MYSQL_TYPE_NULL, 0, B, 63, 0, ""), Unicode());
    EXPECT_TRUE(nullColumn.ReadOnly);
}

TEST(FieldMapping, ShowLengths) {
    TMyFieldMapOptions o = Unicode();
    auto length = [&](const char* name, std::uint32_t bytes, const char16_t* sql) {
        TMYSQL_FIELD f = Column(MYSQL_TYPE_VAR_STRING, bytes);
        f.Name = name;
        return GetFieldLengthInChars(f, o, TMyStatementInfo(sql));
    };
    // SHOW statements keep the byte length (no division by the character length).
    EXPECT_EQ(length("Field", 192, u"SHOW COLUMNS FROM t"), 192u);
    EXPECT_EQ(length("Field", 192, u"SELECT 1 /* show */"), 64u);
    EXPECT_EQ(length("Status", 10, u"SHOW TABLE STATUS"), 65535u);
    EXPECT_EQ(length("Status", 11, u"SHOW TABLE STATUS"), 11u);
    EXPECT_EQ(length("State", 90, u"SHOW PROCESSLIST"), 270u);
    EXPECT_EQ(length("Slave_IO_State", 40, u"SHOW SLAVE STATUS"), 80u);
    EXPECT_EQ(length("Slave_IO_State", 40, u"SHOW STATUS SLAVE"), 40u);
    EXPECT_EQ(length("Last_Error", 40, u"SHOW SLAVE STATUS"), 2048u);
    EXPECT_EQ(length("Privilege", 20, u"SHOW PRIVILEGES"), 40u);
    // Version-bound rows do not apply to a 10.x server.
    EXPECT_EQ(length("Create Table", 1024, u"SHOW CREATE TABLE t"), 1024u);
    o.ServerPrimaryVer = 5;
    o.ServerMinorVer = 0;
    EXPECT_EQ(length("Create Table", 1024, u"SHOW CREATE TABLE t"), 65535u);
    EXPECT_EQ(length("Engine", 10, u"SHOW ENGINES"), 31u);
    o.ServerPrimaryVer = 4;
    EXPECT_EQ(length("type", 10, u"EXPLAIN SELECT 1"), 65534u);
}

TEST(FieldMapping, DescribeTypeColumn) {
    for (const char16_t* sql : {u"DESC t", u"DESCRIBE t", u"SHOW FULL COLUMNS FROM t", u"SELECT * FROM t ORDER BY a DESC"}) {
        SCOPED_TRACE(Narrow(sql));
        for (bool longStrings : {true, false}) {
            TMyFieldMapOptions o = Unicode();
            o.LongStrings = longStrings;
            TMYSQL_FIELD f = Column(MYSQL_TYPE_VAR_STRING, 30);
            f.Name = "Type";
            TMySQLFieldDesc d = Describe(f, o, sql);
            std::vector<TMySQLFieldDesc*> list{&d};
            CorrectDescribeResult(o, TMyStatementInfo(sql), list);
            const bool select = UStringView(sql).starts_with(u"SELECT");
            EXPECT_EQ(d.Length, select ? 10u : (longStrings ? 256u : 0u));
            EXPECT_EQ(d.DataType, select ? dtWideString : (longStrings ? dtExtWideString : dtWideMemo));
            EXPECT_EQ(d.Size, TData::GetBufferSize(d.DataType, d.Length));
        }
    }
}

TEST(FieldMapping, FieldsAndNumbersAsString) {
    TMyFieldMapOptions fields = Unicode(), numbers = Unicode();
    fields.FieldsAsString = true;
    numbers.NumberFieldsAsString = true;
    struct Case {
        const char* what;
        TMYSQL_FIELD column;
        const TMyFieldMapOptions* options;
        TDataType type;
        std::uint32_t length;
    };
    const Case cases[] = {
        {"INT as string", Column(MYSQL_TYPE_LONG, 11), &fields, dtString, 11},
        {"TINYTEXT stays", Column(MYSQL_TYPE_TINY_BLOB, 765, myflags::BLOB), &fields, dtWideMemo, 0},
        {"BIGINT number text", Column(MYSQL_TYPE_LONGLONG, 20), &numbers, dtString, 20},
        {"TINYINT number text", Column(MYSQL_TYPE_TINY, 1), &numbers, dtString, 4},
        {"DOUBLE number text, room for -2.2250738585072014e-308", Column(MYSQL_TYPE_DOUBLE, 22, 0, 63, 31), &numbers,
         dtString, 24},
        {"DATETIME number text", Column(MYSQL_TYPE_DATETIME, 19, B, 63), &numbers, dtString, 19},
        {"DATETIME(6) keeps its fractions", Column(MYSQL_TYPE_DATETIME, 26, B, 63, 6), &numbers, dtString, 26},
        {"TIME(3) keeps its fractions", Column(MYSQL_TYPE_TIME, 14, B, 63, 3), &numbers, dtString, 14},
        {"DECIMAL(30,10) number text", Column(MYSQL_TYPE_NEWDECIMAL, 32, 0, 63, 10), &numbers, dtExtString, 32},
        {"VARCHAR untouched", Column(MYSQL_TYPE_VAR_STRING, 30), &numbers, dtWideString, 10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const TMySQLFieldDesc d = Describe(c.column, *c.options);
        EXPECT_EQ(d.DataType, c.type);
        EXPECT_EQ(d.Length, c.length);
    }
}

}  // namespace
}  // namespace brevant
