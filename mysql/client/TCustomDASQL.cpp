#include "mysql/client/TCustomDASQL.h"

#include "core/ScopeExit.h"
#include "mysql/client/DAConsts.h"
#include "mysql/client/DAErrors.h"
#include "mysql/client/TMySQLConnection.h"

namespace brevant {

TCustomDASQL::TCustomDASQL(TCustomDAConnection* connection) : FConnection(connection) {
    // Registered from the start, so that a connection destroyed first is never
    // reached back from here.
    if (FConnection) FConnection->RegisterClient(this);
    FMacros.OnChanged = [this] {
        // A macro's value changed: the text is assembled again, the macro list kept.
        FLockMacros = true;
        const ScopeExit unlock([this] { FLockMacros = false; });
        ProcessSQLChanged();
    };
}

TCustomDASQL::~TCustomDASQL() {
    if (FConnection) FConnection->UnRegisterClient(this);
}

void TCustomDASQL::SetConnection(TCustomDAConnection* connection) {
    if (connection == FConnection) return;
    if (FConnection) FConnection->UnRegisterClient(this);
    FConnection = connection;
    if (FConnection) FConnection->RegisterClient(this);
    if (FICommand) FICommand->SetConnection(Session());
}

TMySQLConnection* TCustomDASQL::Session() const {
    return FConnection ? dynamic_cast<TMySQLConnection*>(FConnection->IConnection()) : nullptr;
}

void TCustomDASQL::SetSQL(const TStrings& lines) { SetSQLText(lines.Text()); }

void TCustomDASQL::SetSQLText(UStringView text) {
    TStrings lines;
    lines.SetText(text);
    if (lines.Lines() == FSQL.Lines()) return;
    FSQL = std::move(lines);
    ProcessSQLChanged();
}

void TCustomDASQL::SetParamCheck(bool value) {
    if (value == FParamCheck) return;
    FParamCheck = value;
    ProcessSQLChanged();
}

TMySQLCommand& TCustomDASQL::ICommand() {
    if (!FICommand) {
        FICommand = CreateICommand();
        FICommand->SetConnection(Session());
    }
    return *FICommand;
}

std::unique_ptr<TMySQLCommand> TCustomDASQL::CreateICommand() { return std::make_unique<TMySQLCommand>(); }

UString TCustomDASQL::GetFinalSQL() const {
    const UString text = FSQL.Text();
    return FMacros.Expand(TrimView(text));
}

void TCustomDASQL::ProcessSQLChanged() {
    FPrepared = false;
    FSQLModified = true;
    if (!FLockMacros) FMacros.Scan(FSQL.Text());
    if (!FLockAssembleSQL) AssembleSQL();
}

void TCustomDASQL::AssembleSQL() {
    TMySQLCommand& command = ICommand();
    command.SetScanParams(FParamCheck);
    command.SetSQL(GetFinalSQL());
    command.ParseSQL();
    if (FParamCheck) {
        TDAParams previous;
        previous.Assign(FParams);
        FParams.Clear();
        for (const TParamDesc& d : command.Params()) FParams.CreateParam(d.DataType, d.Name, d.ParamType);
        FParams.AssignValues(previous);
    }
    FSQLModified = false;
}

void TCustomDASQL::WriteParamValues(std::size_t index) {
    std::vector<TParamDesc>& descs = ICommand().Params();
    descs.resize(FParams.Count());
    for (std::size_t i = 0; i < FParams.Count(); ++i) {
        const TDAParam* p = &FParams[i];
        // A parameter written twice in the text (":x ... :x") is one value: an
        // occurrence that was never given one takes the first given of its name.
        if (!p->Bound()) {
            for (std::size_t j = 0; j < FParams.Count(); ++j)
                if (FParams[j].Bound() && SameTextAscii(FParams[j].Name(), p->Name())) {
                    p = &FParams[j];
                    break;
                }
        }
        TParamDesc& d = descs[i];
        d.Name = FParams[i].Name();
        d.DataType = p->DataType();
        d.ParamType = p->ParamType();
        // A parameter with one value gives it to every run (CheckBatchValues has
        // made sure that one with several has a value for each run).
        d.Value = p->ValueCount() > 1 ? p->ItemValue(index) : p->Value();
    }
}

void TCustomDASQL::CheckBatchValues(std::size_t end) const {
    for (std::size_t i = 0; i < FParams.Count(); ++i) {
        const TDAParam& p = FParams[i];
        if (p.ValueCount() > 1 && end > p.ValueCount())
            DatabaseErrorFmt(SParamNoBatchValue, {p.Name(), static_cast<int>(p.ValueCount())});
    }
}

void TCustomDASQL::BeginConnection() {
    if (!FConnection) DatabaseError(SConnectionNotDefined);
    FConnection->InternalConnect();
    FConnection->RegisterClient(this);
    ICommand().SetConnection(Session());
}

void TCustomDASQL::EndConnection() {
    if (FConnection) FConnection->InternalDisconnect();
}

void TCustomDASQL::IConnectionChanged(TCRConnection* session) {
    if (FICommand) FICommand->SetConnection(dynamic_cast<TMySQLConnection*>(session));
    if (!session) FConnection = nullptr;  // the connection is being destroyed
}

bool TCustomDASQL::VetoesReconnect(TConnLostCause /*cause*/, const void* /*failingComponent*/) const {
    return CommandVetoesReconnect(FPrepared, FExecuting);
}

void TCustomDASQL::Execute(int iters, int offset) {
    if (FExecuting) return;
    if (iters < 1) iters = 1;
    if (offset < 0) offset = 0;
    BeginConnection();
    FExecuting = true;
    bool cursorShown = false;
    // Ends the execution whatever happened: cursor, implicit connect, AfterExecute.
    auto finish = [&](bool success) {
        FExecuting = false;
        if (cursorShown && OnWaitCursor) OnWaitCursor(false);
        EndConnection();
        if (AfterExecute) AfterExecute(*this, success);
    };
    try {
        if (Debug && OnDebug) OnDebug(GetFinalSQL(), FParams);
        if (ChangeCursor && OnWaitCursor) {
            OnWaitCursor(true);
            cursorShown = true;
        }
        if (BeforeExecute) BeforeExecute(*this);
        if (FSQLModified) AssembleSQL();
        TMySQLCommand& command = ICommand();
        SetICommandProps(command);
        CheckBatchValues(static_cast<std::size_t>(offset) + static_cast<std::size_t>(iters));
        std::int64_t rows = 0;
        for (int i = 0; i < iters; ++i) {
            WriteParamValues(static_cast<std::size_t>(offset) + static_cast<std::size_t>(i));
            for (;;) {
                FConnection->PushOperation(clExecute);
                try {
                    command.Execute();
                    FConnection->PopOperation();
                    break;
                } catch (const EFailOver&) {
                    // Reconnected and asked to run the statement again.
                    FConnection->PopOperation();
                    FConnection->RestoreAfterFailOver();
                    command.SetConnection(Session());
                } catch (...) {
                    FConnection->PopOperation();
                    throw;
                }
            }
            rows += command.RowsAffected();
        }
        FRowsAffected = rows;
        FLastInsertId = PropInt64(Session()->GetProp(prLastInsertId));
    } catch (...) {
        try {
            finish(false);
        } catch (...) {
            // The statement's own error comes first.
        }
        throw;
    }
    finish(true);
}

}  // namespace brevant
