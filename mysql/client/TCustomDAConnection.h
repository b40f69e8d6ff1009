#pragma once
// The generic connection component: holds the connection settings as properties,
// creates the session object on the first connect and hands the settings to it,
// opens and closes it, keeps the list of commands and datasets that use it, owns
// the default transaction, and turns session failures into exceptions, including
// the handling of a lost connection. Events are plain callables.

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <type_traits>
#include <vector>

#include "core/TStrings.h"
#include "core/Text.h"
#include "mysql/client/DAErrors.h"
#include "mysql/client/DAProps.h"
#include "mysql/client/TCRConnection.h"
#include "mysql/client/TDAConnectionClient.h"
#include "mysql/client/TDATransaction.h"

namespace brevant {

class TCustomDAConnection;

/// Generic options; each setter compares first and does nothing when equal.
class TDAConnectionOptions {
public:
    explicit TDAConnectionOptions(TCustomDAConnection* owner) : FOwner(owner) {}
    virtual ~TDAConnectionOptions() = default;

    bool DisconnectedMode() const { return FDisconnectedMode; }
    void SetDisconnectedMode(bool value);
    bool LocalFailover() const { return FLocalFailover; }
    void SetLocalFailover(bool value) { FLocalFailover = value; }
    bool KeepDesignConnected() const { return FKeepDesignConnected; }
    void SetKeepDesignConnected(bool value) { FKeepDesignConnected = value; }
    bool AllowImplicitConnect() const { return FAllowImplicitConnect; }
    void SetAllowImplicitConnect(bool value) { FAllowImplicitConnect = value; }
    TSortType DefaultSortType() const { return FDefaultSortType; }
    void SetDefaultSortType(TSortType value);
    bool EnableBCD() const { return FEnableBCD; }
    void SetEnableBCD(bool value);
    bool EnableFMTBCD() const { return FEnableFMTBCD; }
    void SetEnableFMTBCD(bool value);

protected:
    /// Stores a changed setting and hands it to the session, if there is one yet;
    /// enumerations go over as their number.
    template <class T>
    void SetOption(T& field, const T& value, int prop);

    TCustomDAConnection* FOwner;
    bool FDisconnectedMode = false;
    bool FLocalFailover = false;
    bool FKeepDesignConnected = true;
    bool FAllowImplicitConnect = true;
    TSortType FDefaultSortType = stCaseSensitive;
    bool FEnableBCD = false;
    bool FEnableFMTBCD = false;
};

class TCustomDAConnection {
public:
    using TNotifyEvent = std::function<void(TCustomDAConnection& sender)>;
    using TLoginEvent = std::function<void(TCustomDAConnection& sender, TStrings& loginParams)>;
    using TDAConnectionErrorEvent = std::function<void(TCustomDAConnection& sender, EDAError& e, bool& fail)>;
    using TConnectionLostEvent = std::function<void(TCustomDAConnection& sender, const void* component,
                                                    TConnLostCause connLostCause, TRetryMode& retryMode)>;
    /// A login dialog: false when the user cancels.
    using TConnectDialogFunc = std::function<bool(TCustomDAConnection& sender)>;

    explicit TCustomDAConnection(UString name = UString());
    virtual ~TCustomDAConnection();
    TCustomDAConnection(const TCustomDAConnection&) = delete;
    TCustomDAConnection& operator=(const TCustomDAConnection&) = delete;

    // --- properties ---
    const UString& Name() const { return FName; }
    const UString& Server() const { return FServer; }
    virtual void SetServer(const UString& value);
    const UString& Username() const { return FUsername; }
    void SetUsername(const UString& value);
    const UString& Password() const { return FPassword; }
    void SetPassword(const UString& value);
    /// The password in its stored form (see EncryptedPassword.h).
    UString EncryptedPassword() const;
    void SetEncryptedPassword(const UString& value);
    bool LoginPrompt() const { return FLoginPrompt; }
    void SetLoginPrompt(bool value) { FLoginPrompt = value; }
    bool Pooling() const { return FPooling; }
    void SetPooling(bool value);
    bool Connected() const { return GetConnected(); }
    void SetConnected(bool value);
    TDAConnectionOptions& Options() { return GetOptions(); }

    void Open() { SetConnected(true); }
    void Close() { SetConnected(false); }
    void Connect() { SetConnected(true); }
    void Disconnect() { SetConnected(false); }

    // --- events ---
    TNotifyEvent BeforeConnect, AfterConnect, BeforeDisconnect, AfterDisconnect;
    TLoginEvent OnLogin;
    TDAConnectionErrorEvent OnError;
    TConnectionLostEvent OnConnectionLost;
    /// The login dialog to show when the prompt is wanted and no OnLogin handler
    /// exists (none below the window layer).
    TConnectDialogFunc ConnectDialog;

    // --- component state ---
    bool Designing() const { return FDesigning; }
    void SetDesigning(bool value) { FDesigning = value; }
    /// While the component is being read from a form, Connected is only remembered.
    void BeginLoading() { FLoading = true; }
    void Loaded();
    bool Updating() const { return FUpdating; }
    void SetUpdating(bool value) { FUpdating = value; }

    // --- operations ---
    virtual void ExecSQL(const UString& text);
    void StartTransaction();
    void Commit();
    void Rollback();
    void Savepoint(const UString& name);
    void ReleaseSavepoint(const UString& name);
    void RollbackToSavepoint(const UString& name);
    bool InTransaction() const;
    TDATransaction* DefaultTransaction() const { return FDefaultTransaction; }
    void SetDefaultTransaction(TDATransaction* transaction);
    TDATransaction* UsedTransaction() const;
    virtual UString GetClientVersion() = 0;
    /// Shares another connection's open session (this one never closes it).
    virtual void AssignConnect(TCustomDAConnection* source);

    // --- used by commands, datasets and transactions ---
    TCRConnection* IConnection() const { return FIConnection.get(); }
    void RegisterClient(TDAConnectionClient* client);
    void UnRegisterClient(TDAConnectionClient* client);
    /// Connects if needed (counting nested uses); InternalDisconnect undoes it and
    /// closes only at count 0 in disconnected mode without an active transaction.
    void InternalConnect();
    void InternalDisconnect();
    int ConnectCount() const { return FConnectCount; }
    void PushOperation(TConnLostCause operation);
    void PopOperation();
    /// After a reconnect that asks for the operation to be repeated.
    void RestoreAfterFailOver();
    void DoAddTransaction(TDATransaction* transaction);
    void DoRemoveTransaction(TDATransaction* transaction);
    /// Makes the session if there is none, handing it every setting.
    void CreateIConnection();
    /// For option setters. On an open connection: closes it while designing or
    /// updating, else raises "Cannot perform this operation on an open connection".
    void CheckInactive();
    /// For option setters: hands a setting to the session when one exists.
    void SetSessionProp(int prop, const TPropValue& value);

protected:
    virtual TDAConnectionOptions& GetOptions();
    virtual std::unique_ptr<TDAConnectionOptions> CreateOptions();
    /// The session class of this connection (GetIConnectionClass).
    virtual std::unique_ptr<TCRConnection> CreateIConnectionObject() = 0;
    virtual void SetBaseConnectionProps(TCRConnection& session);
    virtual void SetConnectionProps(TCRConnection& session);
    virtual void DoConnect();
    virtual void DoDisconnect();
    virtual UString InternalGetServer() const { return FServer; }
    virtual bool NeedPrompt() const { return FLoginPrompt && !FPromptLocked; }
    virtual void GetLoginParams(TStrings& params) const;
    /// Takes back the "name=value" lines the login prompt may have changed.
    void SetLoginParams(const TStrings& params);
    /// One of those lines; the name matches without regard to case.
    virtual void SetLoginParam(UStringView name, const UString& value);
    void SetIConnection(std::unique_ptr<TCRConnection> session);

    bool GetConnected() const { return FIConnection && FIConnection->GetConnected(); }
    void PerformConnect();
    void PerformDisconnect();
    /// Tells every registered client that the connection opened or closed.
    void NotifyConnectChange(bool connected);

    // Lost-connection handling (the session's error hook).
    void DoError(EDAError& e, bool& fail, bool& reconnect, bool& reexecute, int reconnectAttempt,
                 TConnLostCause& connLostCause);
    TConnLostCause DetectConnLostCause() const;
    bool IsFailOverAllowed() const;

    UString FName;
    UString FServer, FUsername, FPassword;
    bool FLoginPrompt = true;
    bool FPooling = false;
    bool FDesigning = false, FLoading = false, FUpdating = false, FDestroying = false;
    std::unique_ptr<TDAConnectionOptions> FOptions;

    std::unique_ptr<TCRConnection> FIConnection;
    std::vector<TDATransaction*> FTransactions;
    std::unique_ptr<TDATransaction> FInternalDefTransaction;
    TDATransaction* FDefaultTransaction = nullptr;
    std::vector<TDAConnectionClient*> FSQLs;
    int FConnectCount = 0;
    bool FShouldShowPrompt = true;
    bool FPromptLocked = false;
    bool FInProcessError = false;
    bool FInProcessDisconnecting = false;
    bool FApplyingStreamed = false;
    std::vector<TConnLostCause> FOperationsStack;
    bool FAutoCommit = true;
    bool FConvertEOL = false;
    bool FStreamedConnected = false;
    std::recursive_mutex hRegisterClient;
};

template <class T>
void TDAConnectionOptions::SetOption(T& field, const T& value, int prop) {
    if (value == field) return;
    field = value;
    if constexpr (std::is_enum_v<T>) FOwner->SetSessionProp(prop, static_cast<int>(value));
    else FOwner->SetSessionProp(prop, value);
}

}  // namespace brevant
