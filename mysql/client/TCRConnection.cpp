#include "mysql/client/TCRConnection.h"

#include "core/ScopeExit.h"

namespace brevant {

TCRConnection::TCRConnection() = default;
TCRConnection::~TCRConnection() = default;

void TCRConnection::Assign(const TCRConnection& source) {
    FServer = source.FServer;
    FUsername = source.FUsername;
    FPassword = source.FPassword;
    FAutoCommit = source.FAutoCommit;
    FConvertEOL = source.FConvertEOL;
    FDisconnectedMode = source.FDisconnectedMode;
    FIsolationLevel = source.FIsolationLevel;
    FEnableBCD = source.FEnableBCD;
    FEnableFMTBCD = source.FEnableFMTBCD;
    FDefaultSortType = source.FDefaultSortType;
    FSSLKey = source.FSSLKey;
    FSSLCert = source.FSSLCert;
    FSSLCA = source.FSSLCA;
    FSSLCAPath = source.FSSLCAPath;
    FSSLCipher = source.FSSLCipher;
    FOnError = source.FOnError;
    FOnReconnectSuccess = source.FOnReconnectSuccess;
    FOnReconnectError = source.FOnReconnectError;
}

void TCRConnection::SetProp(int prop, const TPropValue& value) {
    switch (prop) {
        case prUsername: SetUsername(PropStr(value)); break;
        case prPassword: SetPassword(PropStr(value)); break;
        case prServer: SetServer(PropStr(value)); break;
        case prAutoCommit: FAutoCommit = PropBool(value); break;
        case prConvertEOL: FConvertEOL = PropBool(value); break;
        case prDisconnectedMode: FDisconnectedMode = PropBool(value); break;
        case prIsolationLevel: SetIsolationLevel(static_cast<TCRIsolationLevel>(PropInt(value))); break;
        case prEnableBCD: FEnableBCD = PropBool(value); break;
        case prEnableFmtBCD: FEnableFMTBCD = PropBool(value); break;
        case prDefaultSortType: FDefaultSortType = PropInt(value); break;
        case prSSLKey: FSSLKey = PropStr(value); break;
        case prSSLCert: FSSLCert = PropStr(value); break;
        case prSSLCA: FSSLCA = PropStr(value); break;
        case prSSLCAPath: FSSLCAPath = PropStr(value); break;
        case prSSLCipher: FSSLCipher = PropStr(value); break;
        default: BREVANT_ASSERT(!"unknown session property");
    }
}

TPropValue TCRConnection::GetProp(int prop) {
    switch (prop) {
        case prUsername: return FUsername;
        case prPassword: return FPassword;
        case prServer: return FServer;
        case prAutoCommit: return FAutoCommit;
        case prConvertEOL: return FConvertEOL;
        case prDisconnectedMode: return FDisconnectedMode;
        case prIsolationLevel: return static_cast<int>(FIsolationLevel);
        case prEnableBCD: return FEnableBCD;
        case prEnableFmtBCD: return FEnableFMTBCD;
        case prDefaultSortType: return FDefaultSortType;
        case prSSLKey: return FSSLKey;
        case prSSLCert: return FSSLCert;
        case prSSLCA: return FSSLCA;
        case prSSLCAPath: return FSSLCAPath;
        case prSSLCipher: return FSSLCipher;
        default: BREVANT_ASSERT(!"unknown session property");
    }
    return false;
}

void TCRConnection::DoError(EDAError& e, bool& fail) {
    // Errors raised while the loop below reconnects go straight to the caller of
    // Connect: the hook is already deciding about this loss.
    if (!FOnError || FInProcessError) return;
    FInProcessError = true;
    const ScopeExit done([this] { FInProcessError = false; });

    TConnLostCause cause = clUnknown;
    for (int attempt = 0;; ++attempt) {
        bool reconnect = false, reexecute = false;
        FOnError(e, fail, reconnect, reexecute, attempt, cause);
        if (!reconnect) {
            // A reconnect failed and the hook wants no further attempt.
            if (attempt > 0 && FOnReconnectError) FOnReconnectError();
            return;
        }
        try {
            if (attempt == 0) {
                // The peer is gone: do not wait long for it while saying goodbye.
                const TPropValue timeout = GetProp(prConnectionTimeout);
                SetProp(prConnectionTimeout, 1);
                try {
                    Disconnect();
                } catch (const std::exception&) {
                }
                SetProp(prConnectionTimeout, timeout);
            }
            Connect(UString());
        } catch (const EFailOver&) {
            throw;
        } catch (const Exception&) {
            continue;
        }
        FReconnected = true;
        if (FOnReconnectSuccess) FOnReconnectSuccess();
        if (reexecute) throw EFailOver(cause);
        return;
    }
}

}  // namespace brevant
