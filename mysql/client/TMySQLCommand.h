#pragma once
// The session-level command: sends one statement text (which may hold several
// statements) and reads away every answer, raising the first error. The command
// component parses ":name" parameters (ParseSQL) and hands their values over; they
// are written into the text as SQL literals. The session's internal statements
// set their text with SetSQL alone and are sent as they stand.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/DataTypes.h"
#include "core/Text.h"
#include "core/Variant.h"
#include "mysql/client/DAProps.h"
#include "mysql/client/ParamParser.h"
#include "mysql/client/TDAParams.h"
#include "mysql/wire/TMySQLAPI.h"

namespace brevant {

class TMySQLConnection;

inline constexpr char16_t SInvalidParamsCount[] = u"Incorrect parameter count. Expected: %d; Actual: %d";

/// A parameter as the session-level command holds it.
struct TParamDesc {
    UString Name;
    TDataType DataType = dtUnknown;
    TParamDirection ParamType = pdInput;
    TVariant Value;
};

/// Where a statement and its result stand (shared with the record sets).
enum TCursorState : std::uint8_t {
    csInactive,
    csOpen,
    csParsed,
    csPrepared,
    csBound,
    csExecuteFetchAll,
    csExecuting,
    csExecuted,
    csFetching,
    csFetchingAll,
    csFetched,
};

class TMySQLCommand {
public:
    explicit TMySQLCommand(TMySQLConnection* connection = nullptr) : FConnection(connection) {}

    void SetConnection(TMySQLConnection* connection) { FConnection = connection; }
    TMySQLConnection* GetConnection() const { return FConnection; }
    /// The text as it is sent when ParseSQL is not called: no parameters.
    void SetSQL(const UString& text);
    const UString& GetSQL() const { return FUserSQL; }

    /// Finds the parameters of the text. With parameter scanning on (the default)
    /// the descriptions are rebuilt, one per occurrence; otherwise the occurrences
    /// refer to the existing descriptions by position.
    void ParseSQL();
    const UString& ParsedSQL() const { return FParsedSQL; }
    TParsedSQLType ParsedSQLType() const { return FParsedSQLType; }
    std::vector<TParamDesc>& Params() { return FParams; }
    const std::vector<TParamInfo>& ParamsInfo() const { return FParamsInfo; }
    void SetScanParams(bool value) { FScanParams = value; }

    /// The text as it would be sent now, parameters written in (session encoding).
    std::string FinalSQLBytes() const;

    /// Sends the text, then (unless a result was requested) reads and frees every
    /// result it produced; an error of a later statement is raised after the earlier
    /// ones ran.
    void Execute();
    /// Reads and frees the pending result and every further one.
    void Close();
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
    bool GetExecuting() const { return FExecuting; }
    TCursorState CursorState() const { return FCursorState; }
    /// A dataset wants the rows: Execute leaves a result with columns pending.
    void SetRequestResultset(bool value) { FRequestResultset = value; }

    /// Receives the final text before it is sent (monitoring).
    std::function<void(const std::string& text)> FOnExecute;
    /// Told when an execution ends, with its success.
    std::function<void(bool success)> FAfterExecute;

private:
    void ExecuteText();
    /// Sends the final text (the session's lock held by the caller).
    void Send();
    /// Reads and frees every result after the current one.
    void CloseNext();

    TMySQLConnection* FConnection;
    UString FUserSQL;
    UString FParsedSQL;
    TParsedSQLType FParsedSQLType = qtUnparsed;
    std::vector<TParamDesc> FParams;
    std::vector<TParamInfo> FParamsInfo;
    bool FScanParams = true;
    int FCommandTimeout = 0;
    bool FRequestResultset = false;
    std::int64_t FRowsAffected = -1;
    std::int64_t FRowsAffectedPrev = -1;
    TCursorState FCursorState = csInactive;
    bool FExecuting = false;
};

}  // namespace brevant
