#include "paths/OdbcResult.h"

#include <sqlext.h>

#include <algorithm>

#include "paths/OdbcApi.h"

namespace brevant {

TOdbcFieldKind OdbcFieldKind(SQLSMALLINT sqlType) {
    switch (sqlType) {
        case SQL_BIT:
            return TOdbcFieldKind::fkBoolean;
        case SQL_TINYINT:
        case SQL_SMALLINT:
        case SQL_INTEGER:
        case SQL_BIGINT:
            return TOdbcFieldKind::fkInteger;
        case SQL_REAL:
        case SQL_FLOAT:
        case SQL_DOUBLE:
            return TOdbcFieldKind::fkFloat;
        case SQL_DECIMAL:
        case SQL_NUMERIC:
            return TOdbcFieldKind::fkDecimal;
        case SQL_DATE:
        case SQL_TIME:
        case SQL_TIMESTAMP:
        case SQL_TYPE_DATE:
        case SQL_TYPE_TIME:
        case SQL_TYPE_TIMESTAMP:
            return TOdbcFieldKind::fkDateTime;
        case SQL_LONGVARCHAR:
        case SQL_WLONGVARCHAR:
            return TOdbcFieldKind::fkMemo;
        case SQL_BINARY:
        case SQL_VARBINARY:
            return TOdbcFieldKind::fkBytes;
        case SQL_LONGVARBINARY:
            return TOdbcFieldKind::fkBlob;
        default:
            return TOdbcFieldKind::fkString;
    }
}

std::vector<TOdbcColumn> DescribeOdbcColumns(SQLHSTMT stmt) {
    SQLSMALLINT count = 0;
    OdbcCheck(SQLNumResultCols(stmt, &count), SQL_HANDLE_STMT, stmt, "Cannot read the number of result columns");
    std::vector<TOdbcColumn> columns(static_cast<std::size_t>(std::max<SQLSMALLINT>(count, 0)));
    for (SQLUSMALLINT i = 0; i < columns.size(); ++i) {
        SQLCHAR name[512] = {};
        SQLSMALLINT nameLength = 0, nullable = 0;
        TOdbcColumn& col = columns[i];
        OdbcCheck(SQLDescribeCol(stmt, i + 1, name, sizeof name, &nameLength, &col.SqlType, &col.Size, &col.Decimals,
                                 &nullable),
                  SQL_HANDLE_STMT, stmt, "Cannot describe a result column");
        std::size_t length = std::min<std::size_t>(static_cast<std::size_t>(std::max<SQLSMALLINT>(nameLength, 0)),
                                                   sizeof name - 1);
        col.Name = Utf8ToUtf16(std::string_view(reinterpret_cast<const char*>(name), length));
        col.Kind = OdbcFieldKind(col.SqlType);
        // A text column of no stated size is unbounded: mdbtools describes memos so.
        if (col.Kind == TOdbcFieldKind::fkString && col.Size == 0) col.Kind = TOdbcFieldKind::fkMemo;
    }
    return columns;
}

void ReadOdbcValue(SQLHSTMT stmt, SQLUSMALLINT column, const TOdbcColumn& desc, TOdbcRowStore& store) {
    const bool binary = desc.IsBinary();
    const SQLSMALLINT cType = binary ? SQL_C_BINARY : SQL_C_CHAR;
    const std::size_t terminator = binary ? 0 : 1;  // text pieces end with a NUL the driver adds
    // First piece: the declared size when small, so short values take one call.
    std::size_t piece = std::clamp<std::size_t>(desc.Size + terminator, 64, 8192);
    store.BeginValue();
    for (;;) {
        SQLLEN indicator = 0;
        char* space = store.Space(piece);
        SQLRETURN rc = SQLGetData(stmt, column, cType, space, static_cast<SQLLEN>(piece), &indicator);
        if (rc == SQL_NO_DATA) break;  // nothing (more) to read
        OdbcCheck(rc, SQL_HANDLE_STMT, stmt, "Cannot read a value of the result");
        if (indicator == SQL_NULL_DATA) {
            store.EndValueAsNull();
            return;
        }
        const std::size_t room = piece - terminator;
        // "More data": the driver says 01004, or (mdbtools, which posts no records)
        // its indicator counts more than the piece held.
        bool more = rc == SQL_SUCCESS_WITH_INFO &&
                    (indicator == SQL_NO_TOTAL || (indicator >= 0 && static_cast<std::size_t>(indicator) > room) ||
                     OdbcHasState(SQL_HANDLE_STMT, stmt, "01004"));
        std::size_t got = room;
        if (!more && indicator >= 0) got = std::min(room, static_cast<std::size_t>(indicator));
        store.Commit(got);
        if (!more) break;
        // The next piece: what is left when the driver says, else a larger piece.
        if (indicator > 0 && static_cast<std::size_t>(indicator) > got)
            piece = std::clamp<std::size_t>(static_cast<std::size_t>(indicator) - got + terminator, 64, 1 << 20);
        else
            piece = std::min<std::size_t>(piece * 2, 1 << 20);
    }
    store.EndValue();
}

void FetchAllOdbcRows(SQLHSTMT stmt, const std::vector<TOdbcColumn>& columns, TOdbcRowStore& store) {
    store.Reset(columns.size());
    for (;;) {
        SQLRETURN rc = SQLFetch(stmt);
        if (rc == SQL_NO_DATA) return;
        OdbcCheck(rc, SQL_HANDLE_STMT, stmt, "Cannot fetch a row of the result");
        store.BeginRow();
        for (SQLUSMALLINT i = 0; i < columns.size(); ++i) ReadOdbcValue(stmt, i + 1, columns[i], store);
        store.EndRow();
    }
}

}  // namespace brevant
