#pragma once
// The session-level transaction: the statements that start, end and mark a
// transaction on one session. TMySQLTransaction gives the MySQL texts.

#include "core/Text.h"
#include "mysql/client/DAProps.h"

namespace brevant {

class TCRConnection;

class TCRTransaction {
public:
    explicit TCRTransaction(TCRConnection* connection) : FConnection(connection) {}
    virtual ~TCRTransaction() = default;
    TCRTransaction(const TCRTransaction&) = delete;
    TCRTransaction& operator=(const TCRTransaction&) = delete;

    virtual void StartTransaction() = 0;
    virtual void Commit() = 0;
    virtual void Rollback() = 0;
    virtual void Savepoint(const UString& name) = 0;
    virtual void ReleaseSavepoint(const UString& name) = 0;
    virtual void RollbackToSavepoint(const UString& name) = 0;
    /// Forgets the transaction without a statement (the session was lost).
    virtual void Reset() { FActive = false; FNativeTransaction = false; }

    bool GetInTransaction() const { return FActive; }
    TCRIsolationLevel IsolationLevel() const { return FIsolationLevel; }
    void SetIsolationLevel(TCRIsolationLevel level) { FIsolationLevel = level; }
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool value) { FReadOnly = value; }
    TCRConnection* Connection() const { return FConnection; }
    void SetConnection(TCRConnection* connection) { FConnection = connection; }

protected:
    TCRConnection* FConnection;
    TCRIsolationLevel FIsolationLevel = ilReadCommitted;
    bool FReadOnly = false;
    bool FActive = false;
    bool FNativeTransaction = false;  // started by a statement of this object
};

}  // namespace brevant
