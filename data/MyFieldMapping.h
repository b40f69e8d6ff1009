#pragma once
// From a column description to a field descriptor: the length in characters, the
// corrections of SHOW and DESCRIBE results, the storage type with its corrections,
// and the descriptor's attributes.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "core/Text.h"
#include "data/FieldDesc.h"
#include "mysql/wire/TMySQLAPI.h"

namespace brevant {

/// The connection, command and dataset settings that steer the mapping.
struct TMyFieldMapOptions {
    // Connection.
    bool UseUnicode = false;
    bool IsUtf8 = false;
    int DBCharLength = 1;
    bool OptimizedBigInt = false;
    bool EnableBCD = false;
    bool EnableFMTBCD = false;
    bool CheckPrecision = false;
    int ServerPrimaryVer = 0, ServerMinorVer = 0, ServerReleaseVer = 0;
    bool IsMariaDB = false;
    // Dataset and record set.
    bool EnableBoolean = true;
    bool BinaryAsString = true;
    bool FieldsAsString = false;
    bool LongStrings = true;
    bool FlatBuffers = false;
    bool NumberFieldsAsString = false;

    /// Fractional seconds are kept for dates and times (5.6+, MariaDB 5.3+, 6+).
    bool ServerSupportsFractions() const;
};

class TMySQLConnection;
/// The connection's part of the options (character set, numeric and bigint settings,
/// server version); the dataset's part keeps its defaults.
TMyFieldMapOptions ConnectionMapOptions(TMySQLConnection& connection);

/// Strings and byte strings this long (in characters) or longer are kept outside the record.
constexpr std::int32_t FlatBufferLimit = 32;
/// Length given to an out-of-record string whose server length is 0.
constexpr std::uint32_t SizeForFieldsWithZeroLength = 65530;

/// The keywords of a statement, scanned once: what the SHOW and DESCRIBE corrections look for.
class TMyStatementInfo {
public:
    TMyStatementInfo() = default;
    explicit TMyStatementInfo(UStringView sql);

    bool IsShow() const { return Find(kShow) >= 0; }
    /// Index of the first token with the code at or after `from`; -1 when none.
    int Find(int code, int from = 0) const;
    /// True when the codes occur in this order, each after the previous one.
    bool FindInOrder(std::initializer_list<int> codes) const;

private:
    static const int kShow;
    std::vector<int> FCodes;
};

/// Step 0: the column's length in characters.
std::uint32_t GetFieldLengthInChars(const TMYSQL_FIELD& field, const TMyFieldMapOptions& options,
                                    const TMyStatementInfo& statement);

struct TDetectedFieldType {
    TDataType InternalType = dtUnknown;
    TDataType SubDataType = dtUnknown;
    std::uint32_t Length = 0;
    int Scale = 0;
    bool Fixed = false;
};

/// Step 3: storage type with the corrections for storage and options.
TDetectedFieldType DetectFieldType(const TMyFieldMapOptions& options, std::uint16_t dbType, std::int32_t dbLength,
                                   std::int32_t dbScale, std::uint32_t lengthInBytes, bool hasTable);

/// Runs the steps for column `index` and fills the descriptor (slot size included; the
/// offset is set by the record layout). Fails with "Unknown MySQL datatype (0)" for an
/// unknown server type.
void DescribeFieldDesc(const TMYSQL_FIELD& field, int index, const TMyFieldMapOptions& options,
                       const TMyStatementInfo& statement, TMySQLFieldDesc& desc);

/// After all columns are described: the "Type" column of DESCRIBE and SHOW COLUMNS.
void CorrectDescribeResult(const TMyFieldMapOptions& options, const TMyStatementInfo& statement,
                           std::vector<TMySQLFieldDesc*>& fields);

}  // namespace brevant
