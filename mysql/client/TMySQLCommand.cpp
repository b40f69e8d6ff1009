#include "mysql/client/TMySQLCommand.h"

#include <mutex>

#include "core/ScopeExit.h"
#include "mysql/client/DAConsts.h"
#include "mysql/client/DAErrors.h"
#include "mysql/client/MyLiterals.h"
#include "mysql/client/TMySQLConnection.h"

namespace brevant {

void TMySQLCommand::SetSQL(const UString& text) {
    FUserSQL = text;
    FParsedSQL = text;
    FParsedSQLType = qtUnparsed;
    FParamsInfo.clear();
    if (FScanParams) FParams.clear();
}

void TMySQLCommand::ParseSQL() {
    TParsedSQL parsed = ParseSQLParams(FUserSQL);
    FParsedSQL = std::move(parsed.SQL);
    FParsedSQLType = parsed.SQLType;
    FParamsInfo = std::move(parsed.Infos);
    if (FScanParams) {
        FParams.clear();
        for (UString& name : parsed.Names) {
            TParamDesc d;
            d.Name = std::move(name);
            FParams.push_back(std::move(d));
        }
    }
    // Without scanning, occurrence i is the i-th existing parameter (ParamRef = i).
}

std::string TMySQLCommand::FinalSQLBytes() const {
    if (!FConnection) DatabaseError(SConnectionNotDefined);
    const TMySQLConnection& c = *FConnection;
    if (FParams.empty() && FParamsInfo.empty()) return c.EncodeText(FParsedSQL);

    const TLiteralContext context{c.IsUtf8(), c.NeedBackslashes(), c.UsedCharset()};
    // Where the values go: the recorded occurrences, else the "?" tokens in order.
    std::vector<std::size_t> marks;
    if (!FParamsInfo.empty()) {
        for (const TParamInfo& info : FParamsInfo) marks.push_back(info.StartPosition);
    } else {
        marks = FindQuestionMarks(FParsedSQL);
        if (marks.empty()) return c.EncodeText(FParsedSQL);
    }
    if (marks.size() != FParams.size())
        DatabaseErrorFmt(SInvalidParamsCount, {static_cast<int>(marks.size()), static_cast<int>(FParams.size())});

    std::string out;
    out.reserve(FParsedSQL.size() + 16 * marks.size());
    std::size_t copied = 0;
    for (std::size_t i = 0; i < marks.size(); ++i) {
        out += c.EncodeText(UStringView(FParsedSQL).substr(copied, marks[i] - copied));
        const TParamDesc& p = FParams[i];
        AppendValueToSQL(out, p.DataType, p.Value, context);
        copied = marks[i] + 1;  // past the "?"
    }
    out += c.EncodeText(UStringView(FParsedSQL).substr(copied));
    return out;
}

void TMySQLCommand::Execute() {
    if (!FConnection) DatabaseError(SConnectionNotDefined);
    if (FExecuting) return;
    if (FCursorState != csInactive && FCursorState != csExecuted) return;
    bool success = false;
    try {
        ExecuteText();
        success = true;
    } catch (...) {
        if (FAfterExecute) FAfterExecute(false);
        throw;
    }
    if (FAfterExecute) FAfterExecute(success);
}

void TMySQLCommand::ExecuteText() {
    TMySQLConnection& c = *FConnection;
    std::lock_guard<std::recursive_mutex> lock(c.FLock);
    if (!c.GetMySQL()) c.MySQLError(this);
    if (FCursorState == csExecuted) Close();  // a result left from the last run
    FExecuting = true;
    FCursorState = csExecuting;
    const ScopeExit executing([this] {
        FExecuting = false;
        if (FCursorState == csExecuting) FCursorState = csInactive;
    });
    Send();
    TMySQLAPI& api = *c.GetMySQLAPI();
    if (FRequestResultset && api.mysql_field_count(c.GetMySQL()) > 0) {
        FCursorState = csExecuted;  // the dataset reads the rows
        return;
    }
    Close();
}

void TMySQLCommand::Send() {
    TMySQLConnection& c = *FConnection;
    if (!c.GetMySQL()) c.MySQLError(this);
    TMySQLAPI& api = *c.GetMySQLAPI();
    PMYSQL_CON handle = c.GetMySQL();
    api.SetTimeout(handle, FCommandTimeout);
    const std::string text = FinalSQLBytes();
    if (FOnExecute) FOnExecute(text);
    c.Check(api.mysql_real_query(handle, text.data(), text.size()), this);
    FRowsAffectedPrev = FRowsAffected;
    FRowsAffected = static_cast<std::int64_t>(api.mysql_affected_rows(handle));
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
    FCursorState = csInactive;
    TMySQLConnection& c = *FConnection;
    TMySQLAPI& api = *c.GetMySQLAPI();
    PMYSQL_CON handle = c.GetMySQL();
    if (!handle) return;
    if (api.mysql_field_count(handle) != 0) {
        PMYSQL_RES result = api.mysql_use_result(handle);
        if (!result) c.MySQLError(this);
        api.mysql_free_result(result);
        // Skipping the unread rows can meet the statement's own error (a
        // subquery that returned more than one row): it is the statement's result.
        if (api.mysql_errno(handle) != 0) c.MySQLError(this);
    }
    CloseNext();
}

void TMySQLCommand::CloseNext() {
    TMySQLConnection& c = *FConnection;
    TMySQLAPI& api = *c.GetMySQLAPI();
    PMYSQL_CON handle = c.GetMySQL();
    if (!handle || !c.GetIsClient41()) return;
    for (;;) {
        const int status = api.mysql_next_result(handle);
        if (status == -1) break;
        if (status != 0) c.MySQLError(this);
        if (api.mysql_field_count(handle) == 0) continue;
        PMYSQL_RES result = api.mysql_use_result(handle);
        if (!result) c.MySQLError(this);
        api.mysql_free_result(result);
        if (api.mysql_errno(handle) != 0) c.MySQLError(this);
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
