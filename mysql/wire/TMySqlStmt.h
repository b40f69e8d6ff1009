#pragma once
// A prepared statement over the binary protocol: scPrepare, scLongData,
// scExecute and scCloseStmt, with rows in the binary row format. Used only when
// a command is prepared explicitly; plain statements go as text.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "mysql/wire/MySqlRowDecode.h"
#include "mysql/wire/TMySQLAPI.h"

namespace brevant {

class TMySqlSession;
class TMySqlResultSet;

class TMySqlStmt {
public:
    explicit TMySqlStmt(TMySqlSession* session);
    ~TMySqlStmt();
    TMySqlStmt(const TMySqlStmt&) = delete;
    TMySqlStmt& operator=(const TMySqlStmt&) = delete;

    void Prepare(const char* query, std::size_t length);
    /// Binds the caller's parameter array (ParamCount entries; kept, not copied).
    void BindParams(TMySqlStmtBind* binds);
    void BindResult(TMySqlStmtBind* binds);
    /// Sends one parameter's data ahead of Execute, as often as needed.
    void SendLongData(std::uint32_t param, const char* data, std::size_t length);
    void Execute();
    /// The next binary row's locators, nullptr at the end.
    TMySqlBinds* FetchRow();
    /// FetchRow and copy the values into the bound result buffers: 0, MYSQL_NO_DATA
    /// or MYSQL_DATA_TRUNCATED.
    int Fetch();
    /// Copies column `column` of the current row from `offset` into `bind`.
    int FetchColumn(TMySqlStmtBind* bind, std::uint32_t column, std::uint32_t offset);
    /// Skips the rest of a pending result.
    void FreeResult();
    /// Releases the statement on the server (once).
    void Close();

    std::uint32_t ParamCount() const { return static_cast<std::uint32_t>(FParams.size()); }
    std::uint32_t FieldCount() const { return static_cast<std::uint32_t>(FFields.size()); }
    const std::vector<TMySqlFieldInfo>& Fields() const { return FFields; }
    const std::vector<TMySqlFieldInfo>& Params() const { return FParams; }
    TMySqlBinds* CurrentRow() { return FRow; }
    /// The session is going away: forget it (and the result streaming on it).
    void Detach();

    TMySqlSession* fsession;  // nullptr once the session is gone
    std::int32_t FErrno = 0;
    std::string FError;
    bool FIsServerError = false;
    std::uint64_t affectedRows = 0;
    std::uint64_t insertId = 0;

private:
    void WriteParams();
    void RequireSession() const;

    std::uint32_t FStmtId = 0;
    bool FPrepared = false;
    std::vector<TMySqlFieldInfo> FParams, FFields;
    TMySqlStmtBind* FParamBinds = nullptr;
    TMySqlStmtBind* FResultBinds = nullptr;
    std::vector<bool> FLongDataSent;
    std::unique_ptr<TMySqlResultSet> FResult;
    TMySqlBinds* FRow = nullptr;
};

}  // namespace brevant
