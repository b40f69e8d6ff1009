#pragma once
// The generic session: what every server session holds (credentials, the
// component's error hook, the cached internal command and transaction) and the
// reconnect loop that runs when the hook asks for it after a lost connection.

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

#include "core/Text.h"
#include "mysql/client/DAErrors.h"
#include "mysql/client/DAProps.h"
#include "mysql/client/TCRTransaction.h"

namespace brevant {

/// The component's error hook. Called before a session error is raised, with the
/// attempt counter of the reconnect loop (0 the first time). The hook may clear
/// `fail` (the operation then ends with a silent abort), ask for a reconnect and
/// ask for the operation to be repeated after it (`reexecute`).
using TErrorProc = std::function<void(EDAError& e, bool& fail, bool& reconnect, bool& reexecute,
                                      int reconnectAttempt, TConnLostCause& connLostCause)>;
using TNotifyProc = std::function<void()>;

class TCRConnection {
public:
    TCRConnection();
    virtual ~TCRConnection();
    TCRConnection(const TCRConnection&) = delete;
    TCRConnection& operator=(const TCRConnection&) = delete;

    virtual void Connect(const UString& connectString) = 0;
    virtual void Disconnect() = 0;
    virtual void Ping() = 0;
    /// True when the session answers; the outcome is kept in IsValid().
    virtual bool CheckIsValid() = 0;
    /// Copies the settings of another session of the same class.
    virtual void Assign(const TCRConnection& source);
    /// Shares another session's open handle (never closed by this object).
    virtual void AssignConnect(TCRConnection* source) = 0;
    virtual TCRTransaction* GetInternalTransaction() = 0;
    virtual void SetIsolationLevel(TCRIsolationLevel level) { FIsolationLevel = level; }
    virtual void SetUsername(const UString& value) { FUsername = value; }
    virtual void SetPassword(const UString& value) { FPassword = value; }
    virtual void SetServer(const UString& value) { FServer = value; }
    virtual UString GetServerVersion() = 0;
    virtual UString GetServerVersionFull() = 0;
    virtual UString GetClientVersion() = 0;
    virtual bool CanChangeDatabase() { return true; }

    /// Takes one setting; an identifier this class does not know fails an assertion.
    virtual void SetProp(int prop, const TPropValue& value);
    virtual TPropValue GetProp(int prop);

    /// Gives the error hook its say and runs the reconnect loop it asks for.
    /// Leaves `fail` as the hook left it; raises EFailOver when the operation is to
    /// be repeated after a successful reconnect.
    void DoError(EDAError& e, bool& fail);

    bool GetConnected() const { return FConnected; }
    bool IsValid() const { return FIsValid; }
    void SetIsValid(bool value) { FIsValid = value; }
    bool NativeConnection() const { return FNativeConnection; }
    bool Reconnected() const { return FReconnected; }
    std::uint32_t ConnectionTime() const { return FConnectionTime; }
    const UString& Username() const { return FUsername; }
    const UString& Password() const { return FPassword; }
    const UString& Server() const { return FServer; }
    TCRIsolationLevel IsolationLevel() const { return FIsolationLevel; }

    /// The component's hooks (installed by SetBaseConnectionProps).
    TErrorProc FOnError;
    TNotifyProc FOnReconnectSuccess;
    TNotifyProc FOnReconnectError;

    /// Taken around each command execution.
    std::recursive_mutex FLock;

protected:
    bool FConnected = false;
    bool FNativeConnection = true;
    bool FIsValid = false;
    std::unique_ptr<TCRTransaction> FInternalTransaction;
    UString FServer, FUsername, FPassword;
    bool FAutoCommit = true;
    bool FConvertEOL = false;
    bool FDisconnectedMode = false;
    TCRIsolationLevel FIsolationLevel = ilReadCommitted;
    bool FEnableBCD = false;
    bool FEnableFMTBCD = false;
    int FDefaultSortType = stCaseSensitive;
    UString FSSLKey, FSSLCert, FSSLCA, FSSLCAPath, FSSLCipher;
    bool FInProcessError = false;
    bool FReconnected = false;
    std::uint32_t FConnectionTime = 0;
    /// Guards the cached internal command.
    std::mutex FCommandLock;
};

}  // namespace brevant
