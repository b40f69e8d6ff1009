#pragma once
// The session-level command: sends one statement text (which may hold several
// statements) and reads away every answer, raising the first error. This is the
// part the session's internal statements need; parameters, macros and prepared
// execution belong to the command component built on top of it.

#include <cstdint>
#include <functional>
#include <string>

#include "core/Text.h"
#include "mysql/client/DAProps.h"
#include "mysql/wire/TMySQLAPI.h"

namespace brevant {

class TMySQLConnection;

class TMySQLCommand {
public:
    explicit TMySQLCommand(TMySQLConnection* connection = nullptr) : FConnection(connection) {}

    void SetConnection(TMySQLConnection* connection) { FConnection = connection; }
    TMySQLConnection* GetConnection() const { return FConnection; }
    void SetSQL(const UString& text) { FSQL = text; }
    const UString& GetSQL() const { return FSQL; }

    /// Sends the text, then reads and frees every result it produced.
    void Execute();
    /// Sends the text and opens the first result with rows in streaming mode (the
    /// answers of statements before it are read away). Null, with every answer read,
    /// when no statement of the text returns rows.
    PMYSQL_RES ExecuteOpen();
    /// After the caller freed the open result: reads and frees every further one.
    void CloseMoreResults();

    void SetProp(int prop, const TPropValue& value);
    TPropValue GetProp(int prop) const;

    /// The affected rows of the first statement; 0 when the server reported none.
    std::int64_t RowsAffected() const { return FRowsAffected == -1 ? 0 : FRowsAffected; }

    /// Receives the final text before it is sent (monitoring).
    std::function<void(const std::string& text)> FOnExecute;

private:
    /// Sends the text (the session's lock held by the caller).
    void Send();
    /// Reads and frees the pending result and every further one.
    void Close();
    /// Reads and frees the results after the current one.
    void CloseNext();

    TMySQLConnection* FConnection;
    UString FSQL;
    int FCommandTimeout = 0;
    std::int64_t FRowsAffected = -1;
    std::int64_t FRowsAffectedPrev = -1;
    bool FExecuting = false;
};

}  // namespace brevant
