#include "mysql/client/TCustomDAConnection.h"

#include <algorithm>

#include "core/Abort.h"
#include "core/ScopeExit.h"
#include "mysql/client/DAConsts.h"
#include "mysql/client/EncryptedPassword.h"

namespace brevant {

// --- options ---

void TDAConnectionOptions::SetDisconnectedMode(bool value) { SetOption(FDisconnectedMode, value, prDisconnectedMode); }
void TDAConnectionOptions::SetDefaultSortType(TSortType value) { SetOption(FDefaultSortType, value, prDefaultSortType); }
void TDAConnectionOptions::SetEnableBCD(bool value) { SetOption(FEnableBCD, value, prEnableBCD); }
void TDAConnectionOptions::SetEnableFMTBCD(bool value) { SetOption(FEnableFMTBCD, value, prEnableFmtBCD); }

// --- construction ---

TCustomDAConnection::TCustomDAConnection(UString name) : FName(std::move(name)) {
    FInternalDefTransaction = std::make_unique<TDATransaction>(this, u"tr" + FName, true);
}

TCustomDAConnection::~TCustomDAConnection() {
    FDestroying = true;
    try {
        PerformDisconnect();
    } catch (...) {
        // Nothing may leave a destructor; the session is freed below anyway.
    }
    {
        std::lock_guard<std::recursive_mutex> lock(hRegisterClient);
        for (TDAConnectionClient* client : FSQLs) client->IConnectionChanged(nullptr);
        FSQLs.clear();
    }
    FInternalDefTransaction.reset();
    // Transactions of the user's outlive the connection: they must not reach back.
    for (TDATransaction* t : FTransactions) t->ConnectionDestroyed();
    FTransactions.clear();
    FIConnection.reset();
}

TDAConnectionOptions& TCustomDAConnection::GetOptions() {
    if (!FOptions) FOptions = CreateOptions();
    return *FOptions;
}

std::unique_ptr<TDAConnectionOptions> TCustomDAConnection::CreateOptions() {
    return std::make_unique<TDAConnectionOptions>(this);
}

// --- property setters ---

void TCustomDAConnection::SetServer(const UString& value) {
    if (value == FServer) return;
    PerformDisconnect();
    FServer = value;
}

void TCustomDAConnection::SetUsername(const UString& value) {
    if (value == FUsername) return;
    PerformDisconnect();
    FUsername = value;
}

void TCustomDAConnection::SetPassword(const UString& value) {
    if (value == FPassword) return;
    PerformDisconnect();
    FPassword = value;
}

UString TCustomDAConnection::EncryptedPassword() const { return EncryptPassword(FPassword); }

void TCustomDAConnection::SetEncryptedPassword(const UString& value) { SetPassword(DecryptPassword(value)); }

void TCustomDAConnection::SetPooling(bool value) {
    if (value == FPooling) return;
    PerformDisconnect();
    FPooling = value;
    FIConnection.reset();  // a session made for the other mode is not reused
}

void TCustomDAConnection::CheckInactive() {
    if (!GetConnected()) return;
    if (FDesigning || FUpdating) {
        PerformDisconnect();
        return;
    }
    DatabaseError(SConnectionOpen);
}

void TCustomDAConnection::SetSessionProp(int prop, const TPropValue& value) {
    if (FIConnection) FIConnection->SetProp(prop, value);
}

void TCustomDAConnection::Loaded() {
    FLoading = false;
    if (!FStreamedConnected) return;
    FApplyingStreamed = true;
    const ScopeExit reset([this] { FApplyingStreamed = false; });
    SetConnected(true);
}

// --- session ---

void TCustomDAConnection::SetBaseConnectionProps(TCRConnection& session) {
    session.SetProp(prUsername, FUsername);
    session.SetProp(prPassword, FPassword);
    session.SetProp(prServer, InternalGetServer());
    session.FOnError = [this](EDAError& e, bool& fail, bool& reconnect, bool& reexecute, int attempt,
                              TConnLostCause& cause) { DoError(e, fail, reconnect, reexecute, attempt, cause); };
    session.FOnReconnectSuccess = [this] {
        if (AfterConnect) AfterConnect(*this);
    };
    session.FOnReconnectError = [this] {
        try {
            PerformDisconnect();
        } catch (const std::exception&) {
        }
    };
}

void TCustomDAConnection::SetConnectionProps(TCRConnection& session) {
    TDAConnectionOptions& o = GetOptions();
    session.SetProp(prDisconnectedMode, o.DisconnectedMode());
    session.SetProp(prEnableBCD, o.EnableBCD());
    session.SetProp(prEnableFmtBCD, o.EnableFMTBCD());
    session.SetProp(prAutoCommit, FAutoCommit);
    session.SetProp(prConvertEOL, FConvertEOL);
}

void TCustomDAConnection::CreateIConnection() {
    if (FIConnection) return;
    if (FPooling) DatabaseError(SPoolingNotSupported);
    std::unique_ptr<TCRConnection> session = CreateIConnectionObject();
    SetBaseConnectionProps(*session);
    SetConnectionProps(*session);
    SetIConnection(std::move(session));
}

void TCustomDAConnection::SetIConnection(std::unique_ptr<TCRConnection> session) {
    FIConnection = std::move(session);
    std::lock_guard<std::recursive_mutex> lock(hRegisterClient);
    for (TDAConnectionClient* client : FSQLs) client->IConnectionChanged(FIConnection.get());
}

// --- opening and closing ---

void TCustomDAConnection::GetLoginParams(TStrings& params) const {
    params.Clear();
    params.Add(u"Username=" + FUsername);
    params.Add(u"Password=" + FPassword);
    params.Add(u"Server=" + FServer);
}

void TCustomDAConnection::SetLoginParams(const TStrings& params) {
    for (const UString& line : params.Lines()) {
        const auto eq = line.find(u'=');
        if (eq != UString::npos) SetLoginParam(UStringView(line).substr(0, eq), line.substr(eq + 1));
    }
}

void TCustomDAConnection::SetLoginParam(UStringView name, const UString& value) {
    if (SameTextAscii(name, u"Username")) FUsername = value;
    else if (SameTextAscii(name, u"Password")) FPassword = value;
    else if (SameTextAscii(name, u"Server")) FServer = value;
}

void TCustomDAConnection::SetConnected(bool value) {
    if (FLoading) {
        FStreamedConnected = value;
        return;
    }
    if (value == GetConnected()) return;
    if (!value) {
        PerformDisconnect();
        return;
    }
    if (FLoginPrompt && OnLogin && !FDesigning) {
        TStrings params;
        GetLoginParams(params);
        OnLogin(*this, params);
        SetLoginParams(params);
    } else if (NeedPrompt() && ConnectDialog) {
        if (!ConnectDialog(*this)) {
            if (FApplyingStreamed || FDesigning) DatabaseError(SCannotConnect);
            Abort();
        }
    }
    PerformConnect();
    FShouldShowPrompt = false;
}

void TCustomDAConnection::PerformConnect() {
    if (BeforeConnect) BeforeConnect(*this);
    DoConnect();
    ++FConnectCount;
    NotifyConnectChange(true);
    if (AfterConnect) AfterConnect(*this);
}

void TCustomDAConnection::NotifyConnectChange(bool connected) {
    std::lock_guard<std::recursive_mutex> lock(hRegisterClient);
    for (TDAConnectionClient* client : FSQLs) client->ConnectChange(connected);
}

void TCustomDAConnection::DoConnect() {
    CreateIConnection();
    PushOperation(clConnect);
    const ScopeExit pop([this] { PopOperation(); });
    for (TDATransaction* t : FTransactions) t->Reset();
    FIConnection->SetUsername(FUsername);
    FIConnection->SetPassword(FPassword);
    FIConnection->SetServer(InternalGetServer());
    FIConnection->Connect(UString());
}

void TCustomDAConnection::PerformDisconnect() {
    if (!GetConnected()) {
        FConnectCount = 0;
        return;
    }
    FConnectCount = 0;
    FShouldShowPrompt = true;
    if (BeforeDisconnect) BeforeDisconnect(*this);
    {
        std::lock_guard<std::recursive_mutex> lock(hRegisterClient);
        if (FInProcessDisconnecting) return;
        FInProcessDisconnecting = true;
    }
    const ScopeExit reset([this] {
        std::lock_guard<std::recursive_mutex> lock(hRegisterClient);
        FInProcessDisconnecting = false;
    });
    NotifyConnectChange(false);
    DoDisconnect();
    if (AfterDisconnect) AfterDisconnect(*this);
}

void TCustomDAConnection::DoDisconnect() {
    for (TDATransaction* t : FTransactions) t->CloseTransaction();
    if (FIConnection) FIConnection->Disconnect();
}

void TCustomDAConnection::InternalConnect() {
    if (GetConnected()) {
        ++FConnectCount;
        return;
    }
    // The prompt shows only when no connect has succeeded since the last close.
    const bool locked = FPromptLocked;
    FPromptLocked = !FShouldShowPrompt;
    const ScopeExit restore([this, locked] { FPromptLocked = locked; });
    SetConnected(true);
}

void TCustomDAConnection::InternalDisconnect() {
    if (FConnectCount > 0) --FConnectCount;
    if (FConnectCount == 0 && GetOptions().DisconnectedMode() && !InTransaction()) PerformDisconnect();
}

void TCustomDAConnection::PushOperation(TConnLostCause operation) { FOperationsStack.push_back(operation); }

void TCustomDAConnection::PopOperation() {
    if (!FOperationsStack.empty()) FOperationsStack.pop_back();
}

void TCustomDAConnection::RestoreAfterFailOver() {
    for (TDATransaction* t : FTransactions) t->RestoreAfterFailOver();
}

void TCustomDAConnection::RegisterClient(TDAConnectionClient* client) {
    std::lock_guard<std::recursive_mutex> lock(hRegisterClient);
    if (std::find(FSQLs.begin(), FSQLs.end(), client) == FSQLs.end()) FSQLs.push_back(client);
}

void TCustomDAConnection::UnRegisterClient(TDAConnectionClient* client) {
    std::lock_guard<std::recursive_mutex> lock(hRegisterClient);
    FSQLs.erase(std::remove(FSQLs.begin(), FSQLs.end(), client), FSQLs.end());
}

// --- statements and transactions ---

void TCustomDAConnection::ExecSQL(const UString& /*text*/) {
    BREVANT_ASSERT(!"ExecSQL needs a session class");
}

void TCustomDAConnection::DoAddTransaction(TDATransaction* transaction) {
    if (std::find(FTransactions.begin(), FTransactions.end(), transaction) == FTransactions.end())
        FTransactions.push_back(transaction);
}

void TCustomDAConnection::DoRemoveTransaction(TDATransaction* transaction) {
    FTransactions.erase(std::remove(FTransactions.begin(), FTransactions.end(), transaction), FTransactions.end());
    if (FDefaultTransaction == transaction) FDefaultTransaction = nullptr;
}

void TCustomDAConnection::SetDefaultTransaction(TDATransaction* transaction) {
    FDefaultTransaction = transaction;
    if (transaction) DoAddTransaction(transaction);
}

TDATransaction* TCustomDAConnection::UsedTransaction() const {
    return FDefaultTransaction ? FDefaultTransaction : FInternalDefTransaction.get();
}

void TCustomDAConnection::StartTransaction() { UsedTransaction()->StartTransaction(); }
void TCustomDAConnection::Commit() { UsedTransaction()->Commit(); }
void TCustomDAConnection::Rollback() { UsedTransaction()->Rollback(); }
void TCustomDAConnection::Savepoint(const UString& name) { UsedTransaction()->Savepoint(name); }
void TCustomDAConnection::ReleaseSavepoint(const UString& name) { UsedTransaction()->ReleaseSavepoint(name); }
void TCustomDAConnection::RollbackToSavepoint(const UString& name) { UsedTransaction()->RollbackToSavepoint(name); }

bool TCustomDAConnection::InTransaction() const {
    return std::any_of(FTransactions.begin(), FTransactions.end(), [](TDATransaction* t) { return t->Active(); });
}

void TCustomDAConnection::AssignConnect(TCustomDAConnection* source) {
    if (source == this) return;
    if (FPooling || (source && source->FPooling)) DatabaseError(SPoolingAssignConnect);
    PerformDisconnect();
    if (!source || !source->FIConnection) {
        if (FIConnection) FIConnection->AssignConnect(nullptr);
        return;
    }
    FServer = source->FServer;
    FUsername = source->FUsername;
    FPassword = source->FPassword;
    std::unique_ptr<TCRConnection> session = CreateIConnectionObject();
    SetBaseConnectionProps(*session);
    SetConnectionProps(*session);
    session->AssignConnect(source->FIConnection.get());
    // The borrowed session keeps the hooks of this component.
    SetBaseConnectionProps(*session);
    SetIConnection(std::move(session));
    if (GetConnected()) NotifyConnectChange(true);
}

// --- lost connections ---

TConnLostCause TCustomDAConnection::DetectConnLostCause() const {
    // The outermost kind of work decides how it can be resumed: the largest cause
    // on the stack.
    TConnLostCause cause = clUnknown;
    for (TConnLostCause c : FOperationsStack) cause = std::max(cause, c);
    return cause;
}

bool TCustomDAConnection::IsFailOverAllowed() const {
    return std::all_of(FTransactions.begin(), FTransactions.end(),
                       [](TDATransaction* t) { return t->CanRestoreAfterFailOver(); });
}

void TCustomDAConnection::DoError(EDAError& e, bool& fail, bool& reconnect, bool& reexecute, int reconnectAttempt,
                                  TConnLostCause& connLostCause) {
    const bool wasInProcessError = FInProcessError;
    FInProcessError = true;
    const ScopeExit restore([this, wasInProcessError] { FInProcessError = wasInProcessError; });

    reconnect = false;
    reexecute = false;
    const bool fatal = e.IsFatalError();
    const bool localFailover = GetOptions().LocalFailover();
    if (fatal) {
        connLostCause = DetectConnLostCause();
        reconnect = ((GetConnected() && reconnectAttempt == 0) || (localFailover && reconnectAttempt > 0) ||
                     (GetOptions().DisconnectedMode() && connLostCause == clConnect)) &&
                    (IsFailOverAllowed() || connLostCause == clConnectionApply);
        if (reconnect) {
            std::lock_guard<std::recursive_mutex> lock(hRegisterClient);
            for (TDAConnectionClient* client : FSQLs)
                if (client->VetoesReconnect(connLostCause, e.Component())) {
                    reconnect = false;
                    break;
                }
        }
        if (localFailover && reconnect) {
            TRetryMode retryMode =
                connLostCause != clUnknown && connLostCause != clExecute ? rmReconnectExecute : rmRaise;
            if (OnConnectionLost) OnConnectionLost(*this, e.Component(), connLostCause, retryMode);
            if (retryMode == rmRaise) reconnect = false;
            reexecute = (retryMode == rmReconnectExecute && connLostCause != clUnknown) ||
                        (connLostCause == clConnect && retryMode != rmRaise);
        }
    }
    if (!reexecute && OnError) OnError(*this, e, fail);
    if (fatal) {
        if (FIConnection) FIConnection->SetIsValid(false);
        if (reconnectAttempt == 0)
            for (TDATransaction* t : FTransactions) t->Reset();
        if (!reconnect && !wasInProcessError) {
            try {
                PerformDisconnect();
            } catch (const std::exception&) {
            }
        }
    }
}

}  // namespace brevant
