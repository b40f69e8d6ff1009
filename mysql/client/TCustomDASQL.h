#pragma once
// The command component: keeps the statement text as lines, finds its ":name"
// parameters and "&name" macros, connects implicitly when needed, builds the final
// text with the parameter values written in as literals, runs it on the session and
// reports the affected rows. A text may hold several statements separated by ";":
// all run, RowsAffected is the first one's count, and an error of any is raised.

#include <cstdint>
#include <functional>
#include <memory>

#include "core/TStrings.h"
#include "core/Text.h"
#include "mysql/client/TCustomDAConnection.h"
#include "mysql/client/TDAConnectionClient.h"
#include "mysql/client/TDAParams.h"
#include "mysql/client/TMacros.h"
#include "mysql/client/TMySQLCommand.h"

namespace brevant {

class TCustomDASQL : public TDAConnectionClient {
public:
    using TNotifyEvent = std::function<void(TCustomDASQL& sender)>;
    using TAfterExecuteEvent = std::function<void(TCustomDASQL& sender, bool result)>;

    explicit TCustomDASQL(TCustomDAConnection* connection = nullptr);
    ~TCustomDASQL() override;
    TCustomDASQL(const TCustomDASQL&) = delete;
    TCustomDASQL& operator=(const TCustomDASQL&) = delete;

    // --- properties ---
    TCustomDAConnection* Connection() const { return FConnection; }
    void SetConnection(TCustomDAConnection* connection);
    const TStrings& SQL() const { return FSQL; }
    /// Replaces the lines in one update when the text differs; the text is analysed
    /// again (macros, parameters).
    void SetSQL(const TStrings& lines);
    void SetSQLText(UStringView text);
    TDAParams& Params() { return FParams; }
    bool ParamCheck() const { return FParamCheck; }
    void SetParamCheck(bool value);
    TMacros& Macros() { return FMacros; }
    bool Debug = false;
    bool ChangeCursor = true;
    bool AutoCommit = true;
    TDATransaction* Transaction() const { return FTransaction; }
    void SetTransaction(TDATransaction* transaction) { FTransaction = transaction; }

    // --- events ---
    TNotifyEvent BeforeExecute;
    TAfterExecuteEvent AfterExecute;
    /// Shows (true) and hides (false) the wait cursor while a command with
    /// ChangeCursor runs; set by the window layer.
    static inline std::function<void(bool busy)> OnWaitCursor;
    /// Receives the final text and the parameters when Debug is set.
    std::function<void(const UString& finalSQL, const TDAParams& params)> OnDebug;

    // --- operations ---
    void Execute() { Execute(1, 0); }
    /// Runs the statement `iters` times with the parameter values from index
    /// `offset` on (a parameter with one value gives it to every run); RowsAffected
    /// is the sum. Nothing happens while the command is already executing.
    void Execute(int iters, int offset);
    bool Executing() const { return FExecuting; }
    void Prepare() { FPrepared = true; }
    void UnPrepare() { FPrepared = false; }
    bool Prepared() const { return FPrepared; }
    TDAParam* FindParam(UStringView name) const { return FParams.FindParam(name); }
    TDAParam& ParamByName(UStringView name) const { return FParams.ParamByName(name); }
    TMacro* FindMacro(UStringView name) const { return FMacros.FindMacro(name); }
    TMacro& MacroByName(UStringView name) const { return FMacros.MacroByName(name); }
    /// 0 when the server reported none.
    std::int64_t RowsAffected() const { return FRowsAffected; }
    std::int64_t LastInsertId() const { return FLastInsertId; }

    /// The lines joined, trimmed of white space and control characters at both ends,
    /// macros expanded.
    UString GetFinalSQL() const;
    /// The session-level command (made on first use).
    TMySQLCommand& ICommand();

protected:
    /// The session-level command class.
    virtual std::unique_ptr<TMySQLCommand> CreateICommand();
    /// Called by Execute before the session-level command runs (its properties).
    virtual void SetICommandProps(TMySQLCommand& /*command*/) {}

    void ProcessSQLChanged();
    void AssembleSQL();
    /// Writes the values of iteration `index` into the session-level parameters.
    void WriteParamValues(std::size_t index);
    /// Before a batch runs: every parameter with several values has one for each run
    /// up to `end` (exclusive).
    void CheckBatchValues(std::size_t end) const;
    void BeginConnection();
    void EndConnection();
    TMySQLConnection* Session() const;

    // TDAConnectionClient
    void IConnectionChanged(TCRConnection* session) override;
    bool VetoesReconnect(TConnLostCause cause, const void* failingComponent) const override;

    TCustomDAConnection* FConnection = nullptr;
    TDATransaction* FTransaction = nullptr;
    std::unique_ptr<TMySQLCommand> FICommand;
    TStrings FSQL;
    TDAParams FParams;
    TMacros FMacros;
    bool FParamCheck = true;
    bool FPrepared = false;
    bool FExecuting = false;
    bool FSQLModified = false;
    bool FLockAssembleSQL = false;
    bool FLockMacros = false;
    std::int64_t FRowsAffected = 0;
    std::int64_t FLastInsertId = 0;
};

}  // namespace brevant
