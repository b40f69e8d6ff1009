#include "mysql/client/TCustomMyConnection.h"

#include "mysql/wire/TMySQLAPIDirect.h"

namespace brevant {

// --- options ---

void TCustomMyConnectionOptions::SetUseUnicode(bool value) { SetClosedOnly(FUseUnicode, value, prUseUnicode); }
void TCustomMyConnectionOptions::SetCharset(const UString& value) { SetClosedOnly(FCharset, value, prCharset); }

void TCustomMyConnectionOptions::SetOptimizedBigInt(bool value) {
    SetClosedOnly(FOptimizedBigInt, value, prOptimizedBigInt);
}

void TCustomMyConnectionOptions::SetNullForZeroDelphiDate(bool value) {
    SetClosedOnly(FNullForZeroDelphiDate, value, prNullForZeroDelphiDate);
}

void TCustomMyConnectionOptions::SetCheckBackslashes(bool value) {
    SetOption(FCheckBackslashes, value, prCheckBackslashes);
}

void TMyConnectionOptions::SetProtocol(TMyProtocol value) { SetClosedOnly(FProtocol, value, prProtocol); }
void TMyConnectionOptions::SetIPVersion(TIPVersion value) { SetClosedOnly(FIPVersion, value, prIPVersion); }

// --- TCustomMyConnection ---

TCustomMyConnection::TCustomMyConnection(UString name) : TCustomDAConnection(std::move(name)) {}

std::unique_ptr<TDAConnectionOptions> TCustomMyConnection::CreateOptions() {
    return std::make_unique<TCustomMyConnectionOptions>(this);
}

std::unique_ptr<TCRConnection> TCustomMyConnection::CreateIConnectionObject() {
    return std::make_unique<TMySQLConnection>();
}

void TCustomMyConnection::SetDatabase(const UString& value) {
    if (value == FDatabase) return;
    FDatabase = value;
    SetSessionProp(prDatabase, value);
}

void TCustomMyConnection::SetConnectionTimeout(int seconds) {
    if (seconds == FConnectionTimeout) return;
    FConnectionTimeout = seconds;
    SetSessionProp(prConnectionTimeout, seconds);
}

void TCustomMyConnection::SetIsolationLevel(TMyIsolationLevel value) {
    if (value == FIsolationLevel) return;
    FIsolationLevel = value;
    UsedTransaction()->SetIsolationLevel(value);
    SetSessionProp(prIsolationLevel, static_cast<int>(value));
}

void TCustomMyConnection::SetBaseConnectionProps(TCRConnection& session) {
    TCustomDAConnection::SetBaseConnectionProps(session);
    session.SetProp(prDatabase, FDatabase);
    session.SetProp(prConnectionTimeout, FConnectionTimeout);
    session.SetProp(prIsolationLevel, static_cast<int>(FIsolationLevel));
    session.SetProp(prUseUnicode, Options().UseUnicode());
    session.SetProp(prCharset, Options().Charset());
}

void TCustomMyConnection::SetConnectionProps(TCRConnection& session) {
    TCustomDAConnection::SetConnectionProps(session);
    session.SetProp(prOptimizedBigInt, Options().OptimizedBigInt());
    session.SetProp(prNullForZeroDelphiDate, Options().NullForZeroDelphiDate());
    session.SetProp(prDefaultSortType, static_cast<int>(Options().DefaultSortType()));
}

void TCustomMyConnection::GetLoginParams(TStrings& params) const {
    TCustomDAConnection::GetLoginParams(params);
    params.Add(u"Database=" + FDatabase);
}

void TCustomMyConnection::SetLoginParam(UStringView name, const UString& value) {
    if (SameTextAscii(name, u"Database")) SetDatabase(value);
    else TCustomDAConnection::SetLoginParam(name, value);
}

template <class F>
auto TCustomMyConnection::WithImplicitConnect(F f) {
    InternalConnect();
    try {
        if constexpr (std::is_void_v<decltype(f())>) {
            f();
            InternalDisconnect();
        } else {
            auto result = f();
            InternalDisconnect();
            return result;
        }
    } catch (...) {
        try {
            InternalDisconnect();
        } catch (...) {
        }
        throw;
    }
}

void TCustomMyConnection::ExecSQL(const UString& text) {
    WithImplicitConnect([&] {
        for (;;) {
            PushOperation(clExecute);
            try {
                Session()->ExecuteSQL(text);
                PopOperation();
                return;
            } catch (const EFailOver&) {
                // Reconnected and asked to run the statement again.
                PopOperation();
                for (TDATransaction* t : FTransactions) t->RestoreAfterFailOver();
            } catch (...) {
                PopOperation();
                throw;
            }
        }
    });
}

UString TCustomMyConnection::GetServerVersion() {
    return WithImplicitConnect([&] { return Session()->GetServerVersionFull(); });
}

bool TCustomMyConnection::IsMariaDB() {
    return WithImplicitConnect([&] { return Session()->IsMariaDB(); });
}

std::uint32_t TCustomMyConnection::ThreadId() {
    return WithImplicitConnect([&] { return Session()->GetThreadId(); });
}

// --- TMyConnection ---

TMyConnection::TMyConnection(UString name) : TCustomMyConnection(std::move(name)) {}

std::unique_ptr<TDAConnectionOptions> TMyConnection::CreateOptions() {
    return std::make_unique<TMyConnectionOptions>(this);
}

void TMyConnection::SetPort(int value) {
    if (value == FPort) return;
    PerformDisconnect();
    FPort = value;
    SetSessionProp(prPort, value);
}

void TMyConnection::SetBaseConnectionProps(TCRConnection& session) {
    TCustomMyConnection::SetBaseConnectionProps(session);
    const TMyConnectionOptions& o = Options();
    session.SetProp(prPort, FPort);
    session.SetProp(prEmbedded, o.Embedded());
    session.SetProp(prDirect, o.Direct());
    session.SetProp(prIPVersion, static_cast<int>(o.IPVersion()));
    session.SetProp(prCompress, o.Compress());
    session.SetProp(prProtocol, static_cast<int>(o.Protocol()));
    session.SetProp(prCheckBackslashes, o.CheckBackslashes());
    session.SetProp(prInteractive, o.Interactive());
    session.SetProp(prSSLKey, SSLOptions.Key);
    session.SetProp(prSSLCert, SSLOptions.Cert);
    session.SetProp(prSSLCA, SSLOptions.CA);
    session.SetProp(prSSLCAPath, SSLOptions.CAPath);
    session.SetProp(prSSLCipher, SSLOptions.Cipher);
    if (auto* mySession = dynamic_cast<TMySQLConnection*>(&session)) mySession->FOnDialogAuthPlugin = OnDialogAuthPlugin;
}

void TMyConnection::DoConnect() {
    // Settings without a setter of their own reach an existing session here.
    if (TMySQLConnection* session = Session()) {
        session->SetProp(prSSLKey, SSLOptions.Key);
        session->SetProp(prSSLCert, SSLOptions.Cert);
        session->SetProp(prSSLCA, SSLOptions.CA);
        session->SetProp(prSSLCAPath, SSLOptions.CAPath);
        session->SetProp(prSSLCipher, SSLOptions.Cipher);
        session->FOnDialogAuthPlugin = OnDialogAuthPlugin;
    }
    TCustomMyConnection::DoConnect();
}

void TMyConnection::GetLoginParams(TStrings& params) const {
    TCustomMyConnection::GetLoginParams(params);
    params.Add(u"Port=" + IntToStr(FPort));
}

void TMyConnection::SetLoginParam(UStringView name, const UString& value) {
    int port = 0;
    if (!SameTextAscii(name, u"Port")) TCustomMyConnection::SetLoginParam(name, value);
    else if (TryStrToInt(value, port)) SetPort(port);  // a port that is no number is ignored
}

UString TMyConnection::GetClientVersion() {
    if (Options().Direct() && !Options().Embedded()) return Widen(kDirectClientInfo);
    CreateIConnection();
    return FIConnection->GetClientVersion();
}

}  // namespace brevant
