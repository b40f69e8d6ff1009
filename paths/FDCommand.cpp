#include "paths/FDCommand.h"

#include <sqlext.h>

#include "core/Errors.h"
#include "paths/FDWaitCursor.h"

namespace brevant {

void FDCommand::Execute() {
    FRowsAffected = 0;
    if (!Connection) throw EArgumentError("Connection is not defined");
    TFDWaitCursor wait;
    Connection->Open();
    bool noData = false;
    TOdbcHandle stmt = Connection->ExecDirect(CommandText.Text(), &noData);
    if (noData) return;
    SQLLEN count = 0;
    stmt.Check(SQLRowCount(stmt.Get(), &count), "Cannot read the number of rows affected");
    FRowsAffected = count;
}

}  // namespace brevant
