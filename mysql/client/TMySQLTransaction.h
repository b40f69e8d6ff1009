#pragma once
// Transactions on a MySQL session, and the isolation-level statements.

#include "mysql/client/TCRTransaction.h"

namespace brevant {

/// "SET SESSION TRANSACTION ISOLATION LEVEL ..." for the four MySQL levels; nullptr
/// for any other level.
const char16_t* SessionIsolationStatement(TCRIsolationLevel level);
/// "SET TRANSACTION ISOLATION LEVEL ..." (the next transaction only); nullptr for
/// any other level.
const char16_t* TransactionIsolationStatement(TCRIsolationLevel level);

class TMySQLTransaction : public TCRTransaction {
public:
    using TCRTransaction::TCRTransaction;

    /// The isolation statement and BEGIN: one text on servers newer than 4.0,
    /// two statements on older ones.
    void StartTransaction() override;
    void Commit() override;
    void Rollback() override;
    void Savepoint(const UString& name) override;
    void ReleaseSavepoint(const UString& name) override;
    void RollbackToSavepoint(const UString& name) override;

private:
    void Execute(const UString& text);
};

}  // namespace brevant
