#pragma once
// The MySQL connection components: TCustomMyConnection (what the direct and the
// embedded connection share: database, timeout, isolation level, the MySQL
// options) and TMyConnection (the connection over this program's protocol client).

#include <cstdint>

#include "mysql/client/TCustomDAConnection.h"
#include "mysql/client/TMySQLConnection.h"
#include "mysql/wire/TCRVio.h"

namespace brevant {

class TCustomMyConnection;

class TCustomMyConnectionOptions : public TDAConnectionOptions {
public:
    explicit TCustomMyConnectionOptions(TCustomDAConnection* owner) : TDAConnectionOptions(owner) {}

    bool UseUnicode() const { return FUseUnicode; }
    void SetUseUnicode(bool value);
    const UString& Charset() const { return FCharset; }
    void SetCharset(const UString& value);
    bool OptimizedBigInt() const { return FOptimizedBigInt; }
    void SetOptimizedBigInt(bool value);
    bool NullForZeroDelphiDate() const { return FNullForZeroDelphiDate; }
    void SetNullForZeroDelphiDate(bool value);
    /// May change on an open connection: the session looks at the server's
    /// sql_mode again at once.
    bool CheckBackslashes() const { return FCheckBackslashes; }
    void SetCheckBackslashes(bool value);
    TDANumericType NumericType() const { return FNumericType; }
    void SetNumericType(TDANumericType value) { FNumericType = value; }

protected:
    /// Settings that need a closed connection.
    template <class T>
    void SetClosedOnly(T& field, const T& value, int prop) {
        if (value == field) return;
        FOwner->CheckInactive();
        SetOption(field, value, prop);
    }

    bool FUseUnicode = false;
    UString FCharset;
    bool FOptimizedBigInt = false;
    bool FNullForZeroDelphiDate = false;
    bool FCheckBackslashes = false;
    TDANumericType FNumericType = ntFloat;
};

class TMyConnectionOptions : public TCustomMyConnectionOptions {
public:
    explicit TMyConnectionOptions(TCustomDAConnection* owner) : TCustomMyConnectionOptions(owner) {}

    bool Compress() const { return FCompress; }
    void SetCompress(bool value) { SetClosedOnly(FCompress, value, prCompress); }
    TMyProtocol Protocol() const { return FProtocol; }
    void SetProtocol(TMyProtocol value);
    bool Embedded() const { return FEmbedded; }
    void SetEmbedded(bool value) { SetClosedOnly(FEmbedded, value, prEmbedded); }
    bool Direct() const { return FDirect; }
    void SetDirect(bool value) { SetClosedOnly(FDirect, value, prDirect); }
    TIPVersion IPVersion() const { return FIPVersion; }
    void SetIPVersion(TIPVersion value);
    bool Interactive() const { return FInteractive; }
    void SetInteractive(bool value) { SetClosedOnly(FInteractive, value, prInteractive); }

private:
    bool FCompress = false;
    TMyProtocol FProtocol = mpDefault;
    bool FEmbedded = false;
    bool FDirect = true;
    TIPVersion FIPVersion = ivIPv4;
    bool FInteractive = false;
};

class TCustomMyConnection : public TCustomDAConnection {
public:
    explicit TCustomMyConnection(UString name = UString());

    const UString& Database() const { return FDatabase; }
    /// On an open connection a different, non-empty name switches the database on
    /// the same session.
    void SetDatabase(const UString& value);
    int ConnectionTimeout() const { return FConnectionTimeout; }
    void SetConnectionTimeout(int seconds);
    TMyIsolationLevel IsolationLevel() const { return FIsolationLevel; }
    void SetIsolationLevel(TMyIsolationLevel value);
    TCustomMyConnectionOptions& Options() { return static_cast<TCustomMyConnectionOptions&>(GetOptions()); }

    /// Runs one statement; any result is read and freed. Connects implicitly.
    void ExecSQL(const UString& text) override;
    /// The raw server version text (connects implicitly for the call).
    UString GetServerVersion();
    bool IsMariaDB();
    std::uint32_t ThreadId();
    TMySQLConnection* Session() const { return static_cast<TMySQLConnection*>(FIConnection.get()); }

protected:
    std::unique_ptr<TDAConnectionOptions> CreateOptions() override;
    std::unique_ptr<TCRConnection> CreateIConnectionObject() override;
    void SetBaseConnectionProps(TCRConnection& session) override;
    void SetConnectionProps(TCRConnection& session) override;
    void GetLoginParams(TStrings& params) const override;
    void SetLoginParam(UStringView name, const UString& value) override;
    /// Runs `f` inside an implicit connect.
    template <class F>
    auto WithImplicitConnect(F f);

    UString FDatabase;
    int FConnectionTimeout = 15;
    TMyIsolationLevel FIsolationLevel = ilReadCommitted;
};

/// Paths and cipher of an encrypted channel (handed through to the protocol layer).
struct TMyConnectionSSLOptions {
    UString Key, Cert, CA, CAPath, Cipher;
};

class TMyConnection : public TCustomMyConnection {
public:
    explicit TMyConnection(UString name = UString());

    int Port() const { return FPort; }
    void SetPort(int value);
    bool Embedded() const { return Options().Embedded(); }
    void SetEmbedded(bool value) { Options().SetEmbedded(value); }
    TMyConnectionOptions& Options() { return static_cast<TMyConnectionOptions&>(GetOptions()); }
    const TMyConnectionOptions& Options() const {
        return static_cast<const TMyConnectionOptions&>(const_cast<TMyConnection*>(this)->GetOptions());
    }
    TMyConnectionSSLOptions SSLOptions;
    /// Answers the questions of the dialog authentication plugin.
    TDialogAuthPlugin OnDialogAuthPlugin;

    /// "8.0.0 Direct" for the direct client; else the loaded library's version.
    UString GetClientVersion() override;

protected:
    std::unique_ptr<TDAConnectionOptions> CreateOptions() override;
    void DoConnect() override;
    void SetBaseConnectionProps(TCRConnection& session) override;
    void GetLoginParams(TStrings& params) const override;
    void SetLoginParam(UStringView name, const UString& value) override;

    int FPort = 3306;
};

}  // namespace brevant
