#include "mysql/client/TMySQLTransaction.h"

#include "mysql/client/DAConsts.h"
#include "mysql/client/DAErrors.h"
#include "mysql/client/TMySQLConnection.h"

namespace brevant {

namespace {

struct IsolationStatements {
    TCRIsolationLevel level;
    const char16_t* session;
    const char16_t* transaction;
};

constexpr IsolationStatements kIsolation[] = {
    {ilReadCommitted, u"SET SESSION TRANSACTION ISOLATION LEVEL READ COMMITTED",
     u"SET TRANSACTION ISOLATION LEVEL READ COMMITTED"},
    {ilReadUnCommitted, u"SET SESSION TRANSACTION ISOLATION LEVEL READ UNCOMMITTED",
     u"SET TRANSACTION ISOLATION LEVEL READ UNCOMMITTED"},
    {ilRepeatableRead, u"SET SESSION TRANSACTION ISOLATION LEVEL REPEATABLE READ",
     u"SET TRANSACTION ISOLATION LEVEL REPEATABLE READ"},
    {ilSerializable, u"SET SESSION TRANSACTION ISOLATION LEVEL SERIALIZABLE",
     u"SET TRANSACTION ISOLATION LEVEL SERIALIZABLE"},
};

const IsolationStatements* Find(TCRIsolationLevel level) {
    for (const auto& e : kIsolation)
        if (e.level == level) return &e;
    return nullptr;
}

}  // namespace

const char16_t* SessionIsolationStatement(TCRIsolationLevel level) {
    const auto* e = Find(level);
    return e ? e->session : nullptr;
}

const char16_t* TransactionIsolationStatement(TCRIsolationLevel level) {
    const auto* e = Find(level);
    return e ? e->transaction : nullptr;
}

void TMySQLTransaction::Execute(const UString& text) {
    auto* connection = dynamic_cast<TMySQLConnection*>(FConnection);
    BREVANT_ASSERT(connection != nullptr);
    connection->ExecuteSQL(text);
}

void TMySQLTransaction::StartTransaction() {
    if (FReadOnly) DatabaseError(SReadOnlyTransactionNotSupported);
    const char16_t* isolation = TransactionIsolationStatement(FIsolationLevel);
    if (!isolation) DatabaseError(SUnsupportedIsolationLevel);
    auto* connection = dynamic_cast<TMySQLConnection*>(FConnection);
    BREVANT_ASSERT(connection != nullptr);
    if (connection->GetIsServer41()) {
        Execute(UString(isolation) + u"; BEGIN");
    } else {
        Execute(isolation);
        Execute(u"BEGIN");
    }
    FActive = true;
    FNativeTransaction = true;
}

void TMySQLTransaction::Commit() {
    if (FNativeTransaction) Execute(u"COMMIT");
    FActive = false;
    FNativeTransaction = false;
}

void TMySQLTransaction::Rollback() {
    if (FNativeTransaction) Execute(u"ROLLBACK");
    FActive = false;
    FNativeTransaction = false;
}

void TMySQLTransaction::Savepoint(const UString& name) { Execute(u"SAVEPOINT " + name); }
void TMySQLTransaction::ReleaseSavepoint(const UString& name) { Execute(u"RELEASE SAVEPOINT " + name); }
void TMySQLTransaction::RollbackToSavepoint(const UString& name) { Execute(u"ROLLBACK TO SAVEPOINT " + name); }

}  // namespace brevant
