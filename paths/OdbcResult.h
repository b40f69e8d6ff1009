#pragma once
// Reading a result set of an executed ODBC statement: its column descriptions, and
// every row into a row store. Values are asked for as text (SQL_C_CHAR, UTF-8 from both
// drivers) or, for binary columns, as bytes; each value is read in pieces for as long
// as the driver answers "more data" (SQL_SUCCESS_WITH_INFO with 01004). Typed
// conversions are left to the reader of the store: the drivers' own conversions differ
// (one gives garbage with success for some of them).

#include <sql.h>

#include <vector>

#include "core/Text.h"
#include "paths/OdbcRowStore.h"

namespace brevant {

enum class TOdbcFieldKind : std::uint8_t { fkString, fkMemo, fkInteger, fkFloat, fkDecimal, fkBoolean, fkDateTime, fkBytes, fkBlob };

struct TOdbcColumn {
    UString Name;
    SQLSMALLINT SqlType = 0;
    SQLULEN Size = 0;
    SQLSMALLINT Decimals = 0;
    TOdbcFieldKind Kind = TOdbcFieldKind::fkString;
    bool IsBinary() const { return Kind == TOdbcFieldKind::fkBytes || Kind == TOdbcFieldKind::fkBlob; }
    /// What can be saved to a file: memos and binary columns (SQLite describes its
    /// BLOBs as SQL_BINARY).
    bool IsBlob() const { return Kind == TOdbcFieldKind::fkMemo || IsBinary(); }
};

TOdbcFieldKind OdbcFieldKind(SQLSMALLINT sqlType);

/// The columns of the statement's current result; empty when it has none.
std::vector<TOdbcColumn> DescribeOdbcColumns(SQLHSTMT stmt);
/// Fetches every remaining row of the statement into the store (reset to the columns).
void FetchAllOdbcRows(SQLHSTMT stmt, const std::vector<TOdbcColumn>& columns, TOdbcRowStore& store);
/// Reads the current row's column (1-based) into the store as one value.
void ReadOdbcValue(SQLHSTMT stmt, SQLUSMALLINT column, const TOdbcColumn& desc, TOdbcRowStore& store);

}  // namespace brevant
