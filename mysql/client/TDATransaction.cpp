#include "mysql/client/TDATransaction.h"

#include "core/Abort.h"
#include "core/ScopeExit.h"
#include "mysql/client/DAConsts.h"
#include "mysql/client/DAErrors.h"
#include "mysql/client/TCRTransaction.h"
#include "mysql/client/TCustomDAConnection.h"

namespace brevant {

TDATransaction::TDATransaction(TCustomDAConnection* connection, UString name, bool shared)
    : FConnection(connection), FName(std::move(name)), FShared(shared) {
    if (FConnection) FConnection->DoAddTransaction(this);
}

TDATransaction::~TDATransaction() {
    if (FConnection) FConnection->DoRemoveTransaction(this);
}

TCRTransaction* TDATransaction::SessionTransaction() const {
    if (!FConnection) DatabaseError(SConnectionNotDefined);
    FConnection->CreateIConnection();
    return FConnection->IConnection()->GetInternalTransaction();
}

void TDATransaction::StartTransaction() {
    if (!FConnection) DatabaseError(SConnectionNotDefined);
    FConnection->InternalConnect();
    try {
        FConnection->PushOperation(clTransStart);
        const ScopeExit pop([this] { FConnection->PopOperation(); });
        for (;;) {
            try {
                TCRTransaction* t = SessionTransaction();
                t->SetIsolationLevel(FIsolationLevel);
                t->SetReadOnly(FReadOnly);
                t->StartTransaction();
                break;
            } catch (const EFailOver&) {
                // Reconnected after a lost connection: start on the new session.
            }
        }
        FActive = true;
    } catch (...) {
        FConnection->InternalDisconnect();
        throw;
    }
}

void TDATransaction::EndTransaction(bool commit) {
    if (!FActive) return;
    TCRTransaction* t = SessionTransaction();
    FActive = false;
    // The implicit connect of StartTransaction ends either way. Closing may raise (a
    // disconnect hook of the user's), so it is not left to a destructor, where it would
    // end the program; the statement's own error comes first.
    try {
        commit ? t->Commit() : t->Rollback();
    } catch (...) {
        try {
            FConnection->InternalDisconnect();
        } catch (...) {
        }
        throw;
    }
    FConnection->InternalDisconnect();
}

void TDATransaction::Commit() { EndTransaction(true); }
void TDATransaction::Rollback() { EndTransaction(false); }

void TDATransaction::Savepoint(const UString& name) { SessionTransaction()->Savepoint(name); }
void TDATransaction::ReleaseSavepoint(const UString& name) { SessionTransaction()->ReleaseSavepoint(name); }
void TDATransaction::RollbackToSavepoint(const UString& name) { SessionTransaction()->RollbackToSavepoint(name); }

void TDATransaction::CloseTransaction() {
    // The server rolls back the work of a session that closes; a statement here
    // could only fail on a session that is already gone.
    Reset();
}

void TDATransaction::Reset() {
    FActive = false;
    if (FConnection && FConnection->IConnection()) SessionTransaction()->Reset();
}

}  // namespace brevant
