#include "mysql/client/TMySQLCommand.h"

#include <mutex>

#include "core/ScopeExit.h"
#include "mysql/client/DAConsts.h"
#include "mysql/client/DAErrors.h"
#include "mysql/client/TMySQLConnection.h"

namespace brevant {

void TMySQLCommand::Send() {
    TMySQLConnection& c = *FConnection;
    if (!c.GetMySQL()) c.MySQLError(this);
    TMySQLAPI& api = *c.GetMySQLAPI();
    PMYSQL_CON handle = c.GetMySQL();
    api.SetTimeout(handle, FCommandTimeout);
    const std::string text = c.EncodeText(FSQL);
    if (FOnExecute) FOnExecute(text);
    c.Check(api.mysql_real_query(handle, text.data(), text.size()), this);
    FRowsAffectedPrev = FRowsAffected;
    FRowsAffected = static_cast<std::int64_t>(api.mysql_affected_rows(handle));
}

void TMySQLCommand::Execute() {
    if (!FConnection) DatabaseError(SConnectionNotDefined);
    if (FExecuting) return;
    std::lock_guard<std::recursive_mutex> lock(FConnection->FLock);
    FExecuting = true;
    const ScopeExit executing([this] { FExecuting = false; });
    Send();
    Close();
}

PMYSQL_RES TMySQLCommand::ExecuteOpen() {
    if (!FConnection) DatabaseError(SConnectionNotDefined);
    TMySQLConnection& c = *FConnection;
    std::lock_guard<std::recursive_mutex> lock(c.FLock);
    Send();
    TMySQLAPI& api = *c.GetMySQLAPI();
    PMYSQL_CON handle = c.GetMySQL();
    for (;;) {
        if (api.mysql_field_count(handle) > 0) {
            PMYSQL_RES result = api.mysql_use_result(handle);
            if (!result) c.MySQLError(this);
            return result;
        }
        if (!c.GetIsClient41()) return nullptr;
        const int status = api.mysql_next_result(handle);
        if (status == -1) return nullptr;
        if (status != 0) c.MySQLError(this);
    }
}

void TMySQLCommand::CloseMoreResults() {
    if (!FConnection || !FConnection->GetMySQL()) return;
    std::lock_guard<std::recursive_mutex> lock(FConnection->FLock);
    CloseNext();
}

void TMySQLCommand::Close() {
    TMySQLConnection& c = *FConnection;
    TMySQLAPI& api = *c.GetMySQLAPI();
    PMYSQL_CON handle = c.GetMySQL();
    if (api.mysql_field_count(handle) != 0) {
        PMYSQL_RES result = api.mysql_use_result(handle);
        if (!result) c.MySQLError(this);
        api.mysql_free_result(result);
    }
    CloseNext();
}

void TMySQLCommand::CloseNext() {
    TMySQLConnection& c = *FConnection;
    TMySQLAPI& api = *c.GetMySQLAPI();
    PMYSQL_CON handle = c.GetMySQL();
    if (!c.GetIsClient41()) return;
    for (;;) {
        const int status = api.mysql_next_result(handle);
        if (status == -1) break;
        if (status != 0) c.MySQLError(this);
        if (api.mysql_field_count(handle) == 0) continue;
        PMYSQL_RES result = api.mysql_use_result(handle);
        if (!result) c.MySQLError(this);
        api.mysql_free_result(result);
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
