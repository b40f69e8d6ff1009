// One row into a record: the input is split into values (a length byte,
// then that many bytes; 0xFF marks NULL) for fields of every storage type the
// MySQL path makes, laid out as a utf8 session with or without UseUnicode
// describes them. Every value is bounded by its slot; every record is freed.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/Errors.h"
#include "data/DataErrors.h"
#include "data/MyDataTypes.h"
#include "data/TMySQLRecordSet.h"
#include "mysql/wire/MySqlTypes.h"

using namespace brevant;

namespace {

TMYSQL_FIELD Column(std::uint8_t type, std::uint32_t length, std::uint32_t flags, std::uint32_t charset,
                    std::uint32_t decimals = 0) {
    TMYSQL_FIELD f;
    f.Name = f.OrgName = "c";
    f.Table = f.OrgTable = "t";
    f.MyType = type;
    f.LengthInBytes = length;
    f.Flags = flags;
    f.CharsetNr = charset;
    f.Decimals = decimals;
    return f;
}

const TMYSQL_FIELD kColumns[] = {
    Column(MYSQL_TYPE_TINY, 1, 0, 63),
    Column(MYSQL_TYPE_TINY, 4, 0, 63),
    Column(MYSQL_TYPE_SHORT, 6, myflags::UNSIGNED, 63),
    Column(MYSQL_TYPE_LONG, 11, 0, 63),
    Column(MYSQL_TYPE_LONGLONG, 20, myflags::UNSIGNED, 63),
    Column(MYSQL_TYPE_BIT, 64, myflags::UNSIGNED, 63),
    Column(MYSQL_TYPE_DOUBLE, 22, 0, 63, 31),
    Column(MYSQL_TYPE_NEWDECIMAL, 12, 0, 63, 2),
    Column(MYSQL_TYPE_NEWDECIMAL, 32, 0, 63, 10),
    Column(MYSQL_TYPE_DATE, 10, myflags::BINARY, 63),
    Column(MYSQL_TYPE_TIME, 14, myflags::BINARY, 63, 3),
    Column(MYSQL_TYPE_DATETIME, 26, myflags::BINARY, 63, 6),
    Column(MYSQL_TYPE_STRING, 15, 0, 33),
    Column(MYSQL_TYPE_VAR_STRING, 30, 0, 33),
    Column(MYSQL_TYPE_VAR_STRING, 120, 0, 33),
    Column(MYSQL_TYPE_STRING, 16, myflags::BINARY, 63),
    Column(MYSQL_TYPE_VAR_STRING, 40, myflags::BINARY, 63),
    Column(MYSQL_TYPE_BLOB, 196605, myflags::BLOB, 33),
    Column(MYSQL_TYPE_BLOB, 65535, myflags::BLOB | myflags::BINARY, 63),
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    TMySQLRecordSet rs;
    TMyFieldMapOptions& o = rs.MapOptions();
    o.UseUnicode = (data[0] & 1) != 0;
    o.IsUtf8 = true;
    o.DBCharLength = 3;
    o.ServerPrimaryVer = 10;
    o.BinaryAsString = (data[0] & 2) != 0;
    o.FlatBuffers = (data[0] & 4) != 0;
    o.EnableFMTBCD = (data[0] & 8) != 0;
    o.EnableBCD = (data[0] & 16) != 0;
    rs.TrimFixedChar = (data[0] & 32) == 0;
    rs.NullForZeroDate = (data[0] & 64) == 0;
    static const TMyStatementInfo statement(u"SELECT");
    int i = 0;
    for (const TMYSQL_FIELD& c : kColumns) {
        auto d = std::make_unique<TMySQLFieldDesc>();
        DescribeFieldDesc(c, i++, o, statement, *d);
        rs.Fields().push_back(std::move(d));
    }
    rs.InitFields();
    std::vector<std::byte> rec(rs.RecordSize());
    std::size_t pos = 1;
    for (int f = 0; f < rs.FieldCount() && pos < size; ++f) {
        const std::uint8_t len = data[pos++];
        const bool isNull = len == 0xFF;
        const std::size_t n = isNull ? 0 : std::min<std::size_t>(len, size - pos);
        try {
            rs.PutValue(rs.MyField(f), isNull ? nullptr : reinterpret_cast<const char*>(data + pos),
                        static_cast<std::uint32_t>(n), isNull, rec.data());
            (void)rs.GetDataAsVariant(rs.Field(f), rec.data());
        } catch (const EConvertError&) {
        }
        pos += n;
    }
    rs.FreeComplexFields(rec.data());
    return 0;
}
