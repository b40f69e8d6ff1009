#pragma once
// Errors of the connection layer. EDatabaseError carries the layer's fixed texts;
// EDAError adds the error code and the object that ran the failing operation;
// EMyError is the server (or protocol client) form. EFailOver asks the running
// command or dataset to repeat its operation after a reconnect.

#include <cstdint>

#include "core/Errors.h"
#include "core/Format.h"

namespace brevant {

class EDatabaseError : public Exception {
public:
    using Exception::Exception;
};

class EDAError : public EDatabaseError {
public:
    EDAError(int errorCode, UString message) : EDatabaseError(std::move(message)), FErrorCode(errorCode) {}

    int ErrorCode() const { return FErrorCode; }
    /// The object that ran the failing operation (a command, dataset or session).
    void* Component() const { return FComponent; }
    void SetComponent(void* component) { FComponent = component; }

    /// A generic error never means the connection is lost.
    virtual bool IsFatalError() const { return false; }
    virtual bool IsKeyViolation() const { return false; }

private:
    int FErrorCode;
    void* FComponent = nullptr;
};

class EMyError : public EDAError {
public:
    EMyError(int errorCode, UString message);

    /// 1053 server shutdown, 2003 cannot connect, 2006 server gone, 2013 lost.
    bool IsFatalError() const override;
    /// 1062 duplicate entry.
    bool IsKeyViolation() const override;
    /// For a syntax error (1064): the last run of digits in the message; else 0.
    int LineNumber() const { return FLineNumber; }

private:
    int FLineNumber = 0;
};

/// What was running when the connection was lost (the failover stack).
enum TConnLostCause {
    clUnknown, clExecute, clOpen, clRefresh, clApply, clServiceQuery, clTransStart, clConnectionApply, clConnect
};

enum TRetryMode { rmRaise, rmReconnect, rmReconnectExecute };

class EFailOver : public Exception {
public:
    explicit EFailOver(TConnLostCause cause) : Exception(UString(u"Failover")), FConnLostCause(cause) {}
    TConnLostCause ConnLostCause() const { return FConnLostCause; }

private:
    TConnLostCause FConnLostCause;
};

/// Raises EDatabaseError with a formatted fixed text.
[[noreturn]] void DatabaseError(UStringView message);
[[noreturn]] void DatabaseErrorFmt(UStringView format, std::initializer_list<FormatArg> args);

}  // namespace brevant
