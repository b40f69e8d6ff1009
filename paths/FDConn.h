#pragma once
// The connection of the Access path: a file database opened through an ODBC driver
// chosen by the "DriverId=" parameter ("MsAcc": the Access drivers; "SQLite": the
// SQLite3 driver), with "Database=", "User_name=" and "Password=".

#include <sql.h>

#include <string>

#include "core/TStrings.h"
#include "paths/OdbcApi.h"

namespace brevant {

class FDConn {
public:
    FDConn() = default;
    ~FDConn() { Close(); }
    FDConn(const FDConn&) = delete;
    FDConn& operator=(const FDConn&) = delete;

    /// "name=value" lines; read at Open.
    TStrings Params;
    /// Used as the driver id when Params hold no "DriverId=".
    UString DriverName = u"MsAcc";
    /// Kept for the window's settings; the layer never prompts.
    bool LoginPrompt = false;

    /// Opens the database; EODBCError or EArgumentError when it cannot. Open when
    /// connected does nothing.
    void Open();
    void Close();
    bool Connected() const { return static_cast<bool>(FDbc); }

    /// Name of the ODBC driver the open connection uses.
    const std::string& DriverInUse() const { return FDriverInUse; }
    SQLHDBC Handle() const { return FDbc.Get(); }

    /// Runs the text (sent as UTF-8) on a new statement of the open connection and gives
    /// the statement back; EODBCError when the driver says the statement failed. noData
    /// tells that the driver answered SQL_NO_DATA (a change of no rows).
    TOdbcHandle ExecDirect(UStringView sql, bool* noData = nullptr);

private:
    TOdbcHandle FDbc;
    std::string FDriverInUse;
};

}  // namespace brevant
