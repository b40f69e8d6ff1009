#include "paths/FDConn.h"

#include <sqlext.h>

#include "core/Format.h"
#include "paths/FDWaitCursor.h"
#include "paths/OdbcConnectionString.h"

namespace brevant {

void FDConn::Open() {
    if (Connected()) return;
    TFDWaitCursor wait;
    TOdbcConnectParams params = ParseOdbcConnectParams(Params);
    if (params.DriverId.empty()) params.DriverId = DriverName;
    const TOdbcDriverFamily* family = FindOdbcDriverFamily(params.DriverId);
    if (!family) throw EArgumentError(Format(u"Unknown driver id %s", {params.DriverId}));
    const TOdbcDriverName* driver = ChooseOdbcDriver(*family, InstalledOdbcDrivers());
    if (!driver) throw EODBCError(Format(u"No ODBC driver for %s is installed", {params.DriverId}), "IM002");
    std::string text = BuildOdbcConnectionString(*family, *driver, params);
    if (text.size() > 32767) throw EArgumentError("The connection parameters are too long");

    TOdbcHandle dbc(SQL_HANDLE_DBC, OdbcEnvironment());
    SQLRETURN rc = SQLDriverConnect(dbc.Get(), nullptr, reinterpret_cast<SQLCHAR*>(text.data()),
                                    static_cast<SQLSMALLINT>(text.size()), nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
    dbc.Check(rc, FormatUtf8("Cannot connect through the ODBC driver %s", {driver->Name}).c_str());
    FDbc = std::move(dbc);
    FDriverInUse = driver->Name;
}

void FDConn::Close() {
    if (!Connected()) return;
    SQLDisconnect(FDbc.Get());
    FDbc.Free();
    FDriverInUse.clear();
}

TOdbcHandle FDConn::ExecDirect(UStringView sql, bool* noData) {
    if (!Connected()) throw EODBCError(u"The connection is not open", "08003");
    TOdbcHandle stmt(SQL_HANDLE_STMT, FDbc.Get());
    std::string text = Utf16ToUtf8(sql);
    if (text.size() > static_cast<std::size_t>(INT32_MAX)) throw EArgumentError("The statement is too long");
    SQLRETURN rc = SQLExecDirect(stmt.Get(), reinterpret_cast<SQLCHAR*>(text.data()), static_cast<SQLINTEGER>(text.size()));
    if (noData) *noData = rc == SQL_NO_DATA;
    if (rc != SQL_NO_DATA) stmt.Check(rc, "The statement failed");
    return stmt;
}

}  // namespace brevant
