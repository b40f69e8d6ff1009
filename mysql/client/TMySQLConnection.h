#pragma once
// The MySQL server session: owns one protocol session handle, opens it with the
// options the component handed over, negotiates the character set, decodes the
// server version, applies the isolation level and the backslash-escape mode,
// runs internal statements, escapes string values, and turns every protocol
// failure into EMyError after the component's error hook has had its say.
// It reaches the server only through the operation set TMySQLAPI.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "mysql/client/MySQLAPIs.h"
#include "mysql/client/TCRConnection.h"
#include "mysql/wire/TCRVio.h"
#include "mysql/wire/TMySQLAPI.h"
#include "mysql/wire/TMySqlSession.h"

namespace brevant {

class TMySQLCommand;

class TMySQLConnection : public TCRConnection {
public:
    TMySQLConnection();
    ~TMySQLConnection() override;

    void Connect(const UString& connectString) override;
    void Disconnect() override;
    void Ping() override;
    bool CheckIsValid() override;
    void Assign(const TCRConnection& source) override;
    void AssignConnect(TCRConnection* source) override;
    TCRTransaction* GetInternalTransaction() override;
    void SetIsolationLevel(TCRIsolationLevel level) override;
    UString GetServerVersion() override;
    UString GetServerVersionFull() override;
    UString GetClientVersion() override;
    void SetProp(int prop, const TPropValue& value) override;
    TPropValue GetProp(int prop) override;

    /// Stores the name; on an open session a non-empty name is selected at once.
    void SetDatabase(const UString& name);
    /// Runs one statement that returns no rows through the cached internal command.
    void ExecuteSQL(const UString& text);
    std::uint32_t GetThreadId();
    bool GetIsClient41();
    /// Servers newer than 4.0.
    bool GetIsServer41() const;

    /// Bytes already in the connection's character set.
    std::string EscapeAndQuoteStr(std::string_view bytes) const;
    UString EscapeAndQuoteWideStr(UStringView chars) const;

    /// Text to and from the server: UTF-8 when the session is UTF-8, else the
    /// system's 8-bit code page.
    std::string EncodeText(UStringView text) const;
    UString DecodeText(std::string_view bytes) const;

    /// Raises the session's last protocol error as EMyError (after the error hook).
    [[noreturn]] void MySQLError(void* component = nullptr);
    /// Raises the session's last error when `status` is not 0.
    void Check(int status, void* component = nullptr);
    /// Raises the session's last error when the session records one.
    void Check(void* component = nullptr);
    /// Raises the session's last error when `ok` is false.
    void Check(bool ok, void* component);

    TMySQLAPI* GetMySQLAPI() const { return FMySQLAPI; }
    PMYSQL_CON GetMySQL() const { return FMySQL; }

    // Negotiated and decoded state.
    const UString& UsedCharset() const { return FUsedCharset; }
    bool IsUtf8() const { return FIsUtf8; }
    int DBCharLength() const { return FDBCharLength; }
    /// Whether string literals use backslash escapes: the server's own word (the
    /// status flags of its last answer) when the operation set can tell, else what
    /// the sql_mode check at connect found.
    bool NeedBackslashes() const;
    const std::string& ServerVer() const { return FServerVer; }
    int ServerPrimaryVer() const { return FServerPrimaryVer; }
    int ServerMinorVer() const { return FServerMinorVer; }
    int ServerReleaseVer() const { return FServerReleaseVer; }
    bool IsMariaDB() const { return FIsMariaDB; }
    const UString& Database() const { return FDatabase; }
    bool UseUnicode() const { return FUseUnicode; }
    /// Changes only how text is encoded to and from the server, without telling the
    /// server: for a script whose own SET NAMES decides the server's side.
    void SetTextEncoding(bool useUnicode, bool isUtf8) {
        FUseUnicode = useUnicode;
        FIsUtf8 = isUtf8;
    }
    const UString& Charset() const { return FCharset; }

    /// Hooks for the direct client's peripheral settings (handed over at connect).
    TDialogAuthPlugin FOnDialogAuthPlugin;

    /// Decides FUsedCharset and FIsUtf8 from FUseUnicode, FCharset and the system
    /// code page (`codePage` 0: the one in force).
    void DetectUsedCharser(unsigned codePage = 0);

protected:
    /// The system's 8-bit code page, which names the set when no Charset is given.
    virtual unsigned SystemCodePage() const;
    /// Makes sure the chosen implementation is ready (the embedded one gets its
    /// start parameters first).
    virtual void CheckMySQLLib();
    void ChooseMySQLAPI();
    void TryToApplyCharset();
    void CheckNoBackslashEscapes();
    /// A protocol-level name (user, password, database) as the operation set takes it.
    UString NameForProtocol(UStringView name) const;

    TMySQLAPI* FMySQLAPI = nullptr;
    PMYSQL_CON FMySQL = nullptr;
    bool FDirect = true;
    bool FEmbedded = false;
    TIPVersion FIPVersion = ivIPv4;
    int FConnectionTimeout = 15;
    TMyProtocol FProtocol = mpDefault;
    int FPort = 3306;
    UString FDatabase;
    UString FCharset;
    bool FUseUnicode = false;
    bool FCompress = false;
    bool FInteractive = false;
    UString FUsedCharset;
    bool FIsUtf8 = false;
    int FDBCharLength = 1;
    bool FCheckBackslashes = false;
    bool FNeedBackslashes = true;
    bool FCheckPrecision = false;
    bool FOptimizedBigInt = false;
    bool FNullForZeroDelphiDate = false;
    std::string FServerVer;
    int FServerPrimaryVer = 0, FServerMinorVer = 0, FServerReleaseVer = 0;
    bool FIsMariaDB = false;
    std::vector<UString> FEmbParams;

    std::unique_ptr<TMySQLCommand> FCommand;  // cached internal command
};

}  // namespace brevant
