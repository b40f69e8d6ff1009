#pragma once
// Thin owners of ODBC handles and the error every failed ODBC call becomes. A call
// has failed when its return code says so (SQL_ERROR, SQL_INVALID_HANDLE): drivers
// attach SQLSTATEs such as 01004 to failures and to successes alike, so the state
// never decides the outcome.

#include <sql.h>
#include <sqlext.h>

#include <string>

#include "core/Errors.h"

namespace brevant {

class EODBCError : public Exception {
public:
    EODBCError(UString message, std::string sqlState) : Exception(std::move(message)), FSQLState(std::move(sqlState)) {}
    /// State of the driver's first diagnostic record, empty when it gave none.
    const std::string& SQLState() const { return FSQLState; }

private:
    std::string FSQLState;
};

inline bool OdbcSucceeded(SQLRETURN rc) { return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO; }

/// The diagnostic records of a handle as "[STATE] text" lines, and the first state.
std::string OdbcDiagText(SQLSMALLINT handleType, SQLHANDLE handle, std::string* firstState = nullptr);
/// True when one of the handle's diagnostic records has the state.
bool OdbcHasState(SQLSMALLINT handleType, SQLHANDLE handle, const char* state);
/// Throws EODBCError "<what>: <diagnostics>" unless the return code is a success.
void OdbcCheck(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle, const char* what);

/// Owns one handle of a kind; frees it with itself.
class TOdbcHandle {
public:
    TOdbcHandle() = default;
    /// Allocates a handle of the type under parent (SQL_NULL_HANDLE for an environment).
    TOdbcHandle(SQLSMALLINT type, SQLHANDLE parent);
    ~TOdbcHandle() { Free(); }
    TOdbcHandle(TOdbcHandle&& other) noexcept : FType(other.FType), FHandle(other.FHandle) { other.FHandle = SQL_NULL_HANDLE; }
    TOdbcHandle& operator=(TOdbcHandle&& other) noexcept;
    TOdbcHandle(const TOdbcHandle&) = delete;
    TOdbcHandle& operator=(const TOdbcHandle&) = delete;

    SQLHANDLE Get() const { return FHandle; }
    SQLSMALLINT Type() const { return FType; }
    explicit operator bool() const { return FHandle != SQL_NULL_HANDLE; }
    void Free();
    void Check(SQLRETURN rc, const char* what) const { OdbcCheck(rc, FType, FHandle, what); }

private:
    SQLSMALLINT FType = 0;
    SQLHANDLE FHandle = SQL_NULL_HANDLE;
};

/// The process's one ODBC environment (ODBC 3 behaviour), made on first use.
SQLHENV OdbcEnvironment();

}  // namespace brevant
