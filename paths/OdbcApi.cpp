#include "paths/OdbcApi.h"

#include <cstring>

#include "core/Text.h"

namespace brevant {

std::string OdbcDiagText(SQLSMALLINT handleType, SQLHANDLE handle, std::string* firstState) {
    std::string text;
    for (SQLSMALLINT rec = 1;; ++rec) {
        SQLCHAR state[6] = {};
        SQLCHAR message[SQL_MAX_MESSAGE_LENGTH + 1] = {};
        SQLINTEGER native = 0;
        SQLSMALLINT length = 0;
        SQLRETURN rc = SQLGetDiagRec(handleType, handle, rec, state, &native, message, sizeof message, &length);
        if (!OdbcSucceeded(rc)) break;
        if (rec == 1 && firstState) *firstState = reinterpret_cast<const char*>(state);
        if (!text.empty()) text += '\n';
        text += '[';
        text += reinterpret_cast<const char*>(state);
        text += "] ";
        text += reinterpret_cast<const char*>(message);
    }
    return text;
}

bool OdbcHasState(SQLSMALLINT handleType, SQLHANDLE handle, const char* state) {
    for (SQLSMALLINT rec = 1;; ++rec) {
        SQLCHAR recState[6] = {};
        SQLINTEGER native = 0;
        SQLSMALLINT length = 0;
        SQLCHAR message[8];
        SQLRETURN rc = SQLGetDiagRec(handleType, handle, rec, recState, &native, message, sizeof message, &length);
        if (!OdbcSucceeded(rc)) return false;
        if (std::strcmp(reinterpret_cast<const char*>(recState), state) == 0) return true;
    }
}

void OdbcCheck(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle, const char* what) {
    if (OdbcSucceeded(rc)) return;
    std::string state;
    std::string message = what;
    if (handle != SQL_NULL_HANDLE) {
        std::string diag = OdbcDiagText(handleType, handle, &state);
        message += diag.empty() ? std::string(": the driver gave no reason") : ": " + diag;
    }
    throw EODBCError(Utf8ToUtf16(message), state);
}

TOdbcHandle::TOdbcHandle(SQLSMALLINT type, SQLHANDLE parent) : FType(type) {
    SQLRETURN rc = SQLAllocHandle(type, parent, &FHandle);
    if (!OdbcSucceeded(rc)) {
        FHandle = SQL_NULL_HANDLE;
        SQLSMALLINT parentType = type == SQL_HANDLE_STMT ? SQL_HANDLE_DBC : SQL_HANDLE_ENV;
        OdbcCheck(rc, parentType, parent, "Cannot allocate an ODBC handle");
    }
}

TOdbcHandle& TOdbcHandle::operator=(TOdbcHandle&& other) noexcept {
    if (this != &other) {
        Free();
        FType = other.FType;
        FHandle = other.FHandle;
        other.FHandle = SQL_NULL_HANDLE;
    }
    return *this;
}

void TOdbcHandle::Free() {
    if (FHandle != SQL_NULL_HANDLE) SQLFreeHandle(FType, FHandle);
    FHandle = SQL_NULL_HANDLE;
}

SQLHENV OdbcEnvironment() {
    // Kept until the process ends (reachable through the static, never freed), because
    // connections may be closed from static destructors.
    static TOdbcHandle* env = [] {
        auto* handle = new TOdbcHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE);
        handle->Check(SQLSetEnvAttr(handle->Get(), SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0),
                      "Cannot set the ODBC version");
        return handle;
    }();
    return env->Get();
}

}  // namespace brevant
