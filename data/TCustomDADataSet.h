#pragma once
// A memory dataset over a server statement: the connection, the statement with its
// parameters and macros, the record set that runs it and fetches the rows, the
// fetch settings and the options. Changing the statement or the connection closes
// the dataset.

#include <cstdint>
#include <functional>
#include <memory>

#include "core/TStrings.h"
#include "data/TCRRecordSet.h"
#include "data/TMemDataSet.h"
#include "mysql/client/TCustomDAConnection.h"
#include "mysql/client/TCustomDASQL.h"
#include "mysql/client/TDAConnectionClient.h"

namespace brevant {

enum TCompressBlobMode : std::uint8_t { cbNone, cbClient, cbServer, cbClientServer };
enum TFieldOrigins : std::uint8_t { foNone, foField, foTableAndField, foTableAliasAndField };
enum TLockMode : std::uint8_t { lmNone, lmPessimistic, lmOptimistic };
enum TCheckMode : std::uint8_t { cmNone, cmException, cmRefresh };
/// RefreshOptions is a set of these bits.
enum TRefreshOption : std::uint8_t { roAfterInsert = 1, roAfterUpdate = 2, roBeforeEdit = 4 };

class TCustomDADataSet;

/// The options every server dataset has; the defaults are those of a new query.
class TDADataSetOptions {
public:
    explicit TDADataSetOptions(TCustomDADataSet* owner) : FOwner(owner) {}
    virtual ~TDADataSetOptions() = default;

    bool SetFieldsReadOnly = false;
    bool RequiredFields = false;
    bool StrictUpdate = true;
    bool NumberRange = false;
    bool QueryRecCount = false;
    bool AutoPrepare = false;
    bool ReturnParams = false;
    bool TrimVarChar = false;
    bool SetEmptyStrToNull = false;
    bool RemoveOnRefresh = true;
    bool QuoteNames = false;
    int DetailDelay = 0;
    bool CacheCalcFields = false;
    bool FullRefresh = false;
    int UpdateBatchSize = 1;
    bool UpdateAllFields = false;
    bool LocalMasterDetail = false;
    TFieldOrigins FieldOrigins = foTableAndField;
    bool DefaultValues = false;
    bool InsertAllSetFields = false;
    bool MasterFieldsNullable = false;
    TCompressBlobMode CompressBlobMode = cbNone;
    bool LongStrings = true;
    bool FlatBuffers = false;
    bool TrimFixedChar = true;

protected:
    TCustomDADataSet* FOwner;
};

class TCustomDADataSet : public TMemDataSet, public TDAConnectionClient {
public:
    using TDataSetEvent = std::function<void(TCustomDADataSet& sender)>;
    using TAfterExecuteEvent = std::function<void(TCustomDADataSet& sender, bool result)>;

    explicit TCustomDADataSet(TCustomDAConnection* connection = nullptr);
    ~TCustomDADataSet() override;

    // --- connection and statement ---
    TCustomDAConnection* Connection() const { return FConnection; }
    /// Closes the dataset, leaves the old connection and registers with the new one.
    void SetConnection(TCustomDAConnection* connection);
    const TStrings& SQL() const { return FSQL; }
    /// Any change of the text closes the dataset and analyses the text again.
    void SetSQL(const TStrings& lines);
    void SetSQLText(UStringView text);
    void SQLClear();
    void SQLAdd(UString line);
    TDAParams& Params() { return FCommand->Params(); }
    TMacros& Macros() { return FCommand->Macros(); }
    bool ParamCheck() const { return FCommand->ParamCheck(); }
    void SetParamCheck(bool value) { FCommand->SetParamCheck(value); }
    TDAParam& ParamByName(UStringView name) const { return FCommand->ParamByName(name); }
    TMacro& MacroByName(UStringView name) const { return FCommand->MacroByName(name); }
    /// The text sent at open: the lines, trimmed, macros expanded.
    UString FinalSQL() const { return FCommand->GetFinalSQL(); }
    /// Runs SQL without opening.
    void Execute();
    void ExecSQL() { Execute(); }

    // --- fetching and editing ---
    int FetchRows() const { return FFetchRows; }
    void SetFetchRows(int value);
    bool FetchAll() const { return FFetchAll; }
    void SetFetchAll(bool value);
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool value) { FReadOnly = value; }
    bool UniDirectional() const { return FUniDirectional; }
    void SetUniDirectional(bool value);
    bool CachedUpdates() const { return FCachedUpdates; }
    void SetCachedUpdates(bool value) { FCachedUpdates = value; }
    bool Prepared() const { return FPrepared; }
    void Prepare() { FPrepared = true; }
    void UnPrepare() { FPrepared = false; }
    /// Open, not read-only, not forward-only, and something can be written.
    bool CanModify() const override;

    TStrings SQLInsert, SQLUpdate, SQLDelete, SQLRefresh, SQLLock, SQLRecCount;
    UString UpdatingTable;
    UString KeyFields;
    std::uint8_t RefreshOptions = 0;
    TCheckMode CheckMode = cmException;
    bool Debug = false;
    UString IndexFieldNames;
    UString FilterSQL;
    UString MasterFields, DetailFields;

    TDADataSetOptions& Options() { return *FOptions; }
    TCRRecordSet* RecordSet() const { return static_cast<TCRRecordSet*>(FData.get()); }

    // --- events ---
    TDataSetEvent BeforeExecute;
    TAfterExecuteEvent AfterExecute;
    TDataSetEvent BeforeFetch, AfterFetch;
    TDataSetEvent BeforeUpdateExecute, AfterUpdateExecute;

protected:
    virtual std::unique_ptr<TDADataSetOptions> CreateOptions();
    /// Hands the statement, its parameter values and the settings to the record set.
    virtual void PrepareRecordSet(TCRRecordSet& recordSet) = 0;
    /// Points the record set at a session.
    virtual void SetRecordSetConnection(TCRRecordSet& recordSet, TCRConnection* session) = 0;

    void OpenData() override;
    void CloseData() override;
    /// Until an updater writes changes as statements, a change that cannot reach the
    /// server fails instead of living only in memory.
    void PerformUpdate() override;
    void PerformAppend() override;
    void PerformDelete() override;
    void InternalLast() override;
    bool RequiredFieldsOption() const override { return FOptions->RequiredFields; }
    /// The connection check: defined, connected or allowed to connect implicitly.
    void BeginConnection();
    void SQLChanged();
    /// Writes the dataset's parameter values into the session-level command.
    void WriteParams(TMySQLCommand& command);

    // TDAConnectionClient
    void ConnectChange(bool connected) override;
    void IConnectionChanged(TCRConnection* session) override;
    bool VetoesReconnect(TConnLostCause cause, const void* failingComponent) const override;

    TCustomDAConnection* FConnection = nullptr;
    std::unique_ptr<TCustomDASQL> FCommand;  // statement, parameters, macros
    std::unique_ptr<TDADataSetOptions> FOptions;
    TStrings FSQL;
    int FFetchRows = 25;
    bool FFetchAll = true;
    bool FReadOnly = false;
    bool FUniDirectional = false;
    bool FCachedUpdates = false;
    bool FPrepared = false;
    bool FFieldDefsUpToDate = false;
    bool FConnectionUsed = false;  // an InternalConnect of the open to undo at close
    UString FDetectedUpdatingTable, FDetectedKeyFields;  // found at open, forgotten on change
};

}  // namespace brevant
