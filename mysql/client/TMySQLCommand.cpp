#include "mysql/client/TMySQLCommand.h"

#include <mutex>

#include "core/ScopeExit.h"
#include "mysql/client/DAConsts.h"
#include "mysql/client/DAErrors.h"
#include "mysql/client/TMySQLConnection.h"

namespace brevant {

void TMySQLCommand::Execute() {
    if (!FConnection) DatabaseError(SConnectionNotDefined);
    if (FExecuting) return;
    TMySQLConnection& c = *FConnection;
    std::lock_guard<std::recursive_mutex> lock(c.FLock);
    if (!c.GetMySQL()) c.MySQLError(this);
    FExecuting = true;
    const ScopeExit executing([this] { FExecuting = false; });

    TMySQLAPI& api = *c.GetMySQLAPI();
    PMYSQL_CON handle = c.GetMySQL();
    api.SetTimeout(handle, FCommandTimeout);
    const std::string text = c.EncodeText(FSQL);
    if (FOnExecute) FOnExecute(text);
    c.Check(api.mysql_real_query(handle, text.data(), text.size()), this);
    FRowsAffectedPrev = FRowsAffected;
    FRowsAffected = static_cast<std::int64_t>(api.mysql_affected_rows(handle));
    Close();
}

void TMySQLCommand::Close() {
    TMySQLConnection& c = *FConnection;
    TMySQLAPI& api = *c.GetMySQLAPI();
    PMYSQL_CON handle = c.GetMySQL();
    auto freeResult = [&] {
        if (api.mysql_field_count(handle) == 0) return;
        PMYSQL_RES result = api.mysql_use_result(handle);
        if (!result) c.MySQLError(this);
        api.mysql_free_result(result);
        // Skipping the unread rows can meet the statement's own error (a
        // subquery that returned more than one row): it is the statement's result.
        if (api.mysql_errno(handle) != 0) c.MySQLError(this);
    };
    freeResult();
    if (!c.GetIsClient41()) return;
    for (;;) {
        const int status = api.mysql_next_result(handle);
        if (status == -1) break;
        if (status != 0) c.MySQLError(this);
        freeResult();
    }
}

void TMySQLCommand::SetProp(int prop, const TPropValue& value) {
    switch (prop) {
        case prCommandTimeout: FCommandTimeout = PropInt(value); break;
        default: BREVANT_ASSERT(!"unknown command property");
    }
}

TPropValue TMySQLCommand::GetProp(int prop) const {
    switch (prop) {
        case prCommandTimeout: return FCommandTimeout;
        case prRowsProcessed: return RowsAffected();
        default: BREVANT_ASSERT(!"unknown command property");
    }
    return false;
}

}  // namespace brevant
