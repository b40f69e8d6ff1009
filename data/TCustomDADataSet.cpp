#include "data/TCustomDADataSet.h"

#include "data/DBConsts.h"
#include "mysql/client/DAConsts.h"
#include "mysql/client/DAErrors.h"
#include "mysql/client/TMySQLCommand.h"

namespace brevant {

TCustomDADataSet::TCustomDADataSet(TCustomDAConnection* connection)
    : FCommand(std::make_unique<TCustomDASQL>()), FOptions(std::make_unique<TDADataSetOptions>(this)) {
    SetConnection(connection);
}

TCustomDADataSet::~TCustomDADataSet() {
    try {
        Close();
    } catch (...) {
        // A close handler failed; the dataset goes anyway.
    }
    if (FConnection) FConnection->UnRegisterClient(this);
}

std::unique_ptr<TDADataSetOptions> TCustomDADataSet::CreateOptions() {
    return std::make_unique<TDADataSetOptions>(this);
}

// ---------------------------------------------------------------- connection

void TCustomDADataSet::SetConnection(TCustomDAConnection* connection) {
    if (connection == FConnection) return;
    Close();
    if (FConnection) FConnection->UnRegisterClient(this);
    FConnection = connection;
    FCommand->SetConnection(connection);
    if (FConnection) FConnection->RegisterClient(this);
    if (FData) SetRecordSetConnection(*RecordSet(), FConnection ? FConnection->IConnection() : nullptr);
}

void TCustomDADataSet::BeginConnection() {
    if (!FConnection) DatabaseError(SConnectionNotDefined);
    if (!FConnection->Connected() && !FConnection->Options().AllowImplicitConnect())
        DatabaseError(SConnectionNotConnected);
    FConnection->InternalConnect();
    FConnectionUsed = true;
    FConnection->RegisterClient(this);
    SetRecordSetConnection(*RecordSet(), FConnection->IConnection());
}

void TCustomDADataSet::ConnectChange(bool connected) {
    if (!connected) Close();
}

void TCustomDADataSet::IConnectionChanged(TCRConnection* session) {
    if (FData) SetRecordSetConnection(*RecordSet(), session);
    if (!session) {
        // The connection is being destroyed (it closed this dataset first): forget it.
        FConnectionUsed = false;
        FConnection = nullptr;
    }
}

bool TCustomDADataSet::VetoesReconnect(TConnLostCause cause, const void* failingComponent) const {
    const TCRRecordSet* rs = RecordSet();
    return DataSetVetoesReconnect(FPrepared, Active(), FFetchAll, rs && rs->NoCountData(), failingComponent == this,
                                  cause);
}

// ---------------------------------------------------------------- statement

void TCustomDADataSet::SQLChanged() {
    Close();
    FPrepared = false;
    FFieldDefsUpToDate = false;
    FDetectedUpdatingTable.clear();
    FDetectedKeyFields.clear();
    FCommand->SetSQL(FSQL);  // macros and parameters found again
}

void TCustomDADataSet::SetSQL(const TStrings& lines) {
    if (lines.Lines() == FSQL.Lines()) return;
    FSQL = lines;
    SQLChanged();
}

void TCustomDADataSet::SetSQLText(UStringView text) {
    TStrings lines;
    lines.SetText(text);
    SetSQL(lines);
}

void TCustomDADataSet::SQLClear() {
    if (FSQL.Empty()) return;
    FSQL.Clear();
    SQLChanged();
}

void TCustomDADataSet::SQLAdd(UString line) {
    FSQL.Add(std::move(line));
    SQLChanged();
}

void TCustomDADataSet::Execute() { FCommand->Execute(); }

void TCustomDADataSet::WriteParams(TMySQLCommand& command) {
    TDAParams& params = FCommand->Params();
    if (params.Count() == 0) return;
    command.SetScanParams(FCommand->ParamCheck());
    command.ParseSQL();
    std::vector<TParamDesc>& descs = command.Params();
    descs.resize(params.Count());
    for (std::size_t i = 0; i < params.Count(); ++i) {
        const TDAParam& p = params[i];
        descs[i].Name = p.Name();
        descs[i].DataType = p.DataType();
        descs[i].ParamType = p.ParamType();
        descs[i].Value = p.Value();
    }
}

// ---------------------------------------------------------------- settings

void TCustomDADataSet::SetFetchRows(int value) {
    if (value < 1) value = 1;
    FFetchRows = value;
    if (FData) RecordSet()->SetProp(prFetchRows, value);
}

void TCustomDADataSet::SetFetchAll(bool value) {
    FFetchAll = value;
    if (FData) RecordSet()->SetProp(prFetchAll, value);
}

void TCustomDADataSet::SetUniDirectional(bool value) {
    if (value == FUniDirectional) return;
    // Chosen before opening (the usual way: a forward-only reader); an open dataset
    // first leaves edit or insert state.
    if (Active()) CheckBrowseMode();
    FUniDirectional = value;
    if (FData) RecordSet()->SetProp(prUniDirectional, value);
}

bool TCustomDADataSet::CanModify() const {
    if (!Active() || FReadOnly || FUniDirectional) return false;
    if (!SQLInsert.Empty() || !SQLUpdate.Empty() || !SQLDelete.Empty()) return true;
    for (const auto& f : Fields())
        if (!f->ReadOnly()) return true;
    return false;
}

// ---------------------------------------------------------------- open and close

void TCustomDADataSet::OpenData() {
    BeginConnection();
    if (FSQL.Count() == 0) DatabaseError(SEmptySQLStatement);
    TCRRecordSet& rs = *RecordSet();
    rs.SetProp(prFetchRows, FFetchRows);
    rs.SetProp(prFetchAll, FFetchAll);
    rs.SetProp(prUniDirectional, FUniDirectional);
    PrepareRecordSet(rs);
    if (BeforeExecute) BeforeExecute(*this);
    try {
        rs.Open();
    } catch (...) {
        if (AfterExecute) AfterExecute(*this, false);
        throw;
    }
    if (AfterExecute) AfterExecute(*this, true);
    // Every data field may be written unless the option says otherwise; the server
    // decides at post what it accepts.
    if (!FOptions->SetFieldsReadOnly)
        for (auto& d : rs.Fields())
            if (d->FieldDescKind == fdkData) d->ReadOnly = false;
    FFieldDefsUpToDate = true;
}

void TCustomDADataSet::CloseData() {
    if (FData) RecordSet()->Close();
    if (FConnectionUsed) {
        FConnectionUsed = false;
        if (FConnection) FConnection->InternalDisconnect();
    }
}

void TCustomDADataSet::PerformUpdate() { DatabaseError(SNoUpdater); }
void TCustomDADataSet::PerformAppend() { DatabaseError(SNoUpdater); }
void TCustomDADataSet::PerformDelete() { DatabaseError(SNoUpdater); }

void TCustomDADataSet::InternalLast() {
    // The last record is only known when every row is read.
    if (!FFetchAll && FData) RecordSet()->FetchAll();
    TMemDataSet::InternalLast();
}

}  // namespace brevant
