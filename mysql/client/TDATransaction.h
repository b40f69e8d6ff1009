#pragma once
// The component-level transaction. Every connection owns one ("tr" followed by the
// connection's name, shared) that its StartTransaction, Commit and Rollback use
// unless a default transaction of the user's replaces it. The statements come
// from the session's own transaction object.

#include "core/Text.h"
#include "mysql/client/DAProps.h"

namespace brevant {

class TCustomDAConnection;
class TCRTransaction;

class TDATransaction {
public:
    TDATransaction(TCustomDAConnection* connection, UString name, bool shared = false);
    ~TDATransaction();
    TDATransaction(const TDATransaction&) = delete;
    TDATransaction& operator=(const TDATransaction&) = delete;

    const UString& Name() const { return FName; }
    bool Shared() const { return FShared; }
    TCustomDAConnection* DefaultConnection() const { return FConnection; }

    /// Connects implicitly (the connection stays open until Commit or Rollback).
    void StartTransaction();
    void Commit();
    void Rollback();
    void Savepoint(const UString& name);
    void ReleaseSavepoint(const UString& name);
    void RollbackToSavepoint(const UString& name);
    bool Active() const { return FActive; }

    TCRIsolationLevel IsolationLevel() const { return FIsolationLevel; }
    void SetIsolationLevel(TCRIsolationLevel level) { FIsolationLevel = level; }
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool value) { FReadOnly = value; }

    /// The connection is closing: the transaction ends (the server rolls it back).
    void CloseTransaction();
    /// The session was lost: forget the transaction without a statement.
    void Reset();
    /// A reconnect may only replace the session when no work would be lost.
    bool CanRestoreAfterFailOver() const { return !FActive; }
    void RestoreAfterFailOver() {}
    /// The connection is being destroyed: forget it.
    void ConnectionDestroyed() {
        FConnection = nullptr;
        FActive = false;
    }

private:
    TCRTransaction* SessionTransaction() const;
    void EndTransaction(bool commit);

    TCustomDAConnection* FConnection;
    UString FName;
    bool FShared;
    bool FActive = false;
    TCRIsolationLevel FIsolationLevel = ilReadCommitted;
    bool FReadOnly = false;
};

}  // namespace brevant
