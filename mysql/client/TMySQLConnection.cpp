#include "mysql/client/TMySQLConnection.h"

#include <algorithm>

#include "core/CodePage.h"
#include "core/Format.h"
#include "core/ScopeExit.h"
#include "core/TickCount.h"
#include "mysql/client/DAConsts.h"
#include "mysql/client/MyCharsets.h"
#include "mysql/client/MyEscape.h"
#include "mysql/client/TMySQLCommand.h"
#include "mysql/client/TMySQLTransaction.h"
#include "mysql/wire/EMySqlException.h"
#include "mysql/wire/MySqlHandshake.h"
#include "mysql/wire/TMySQLAPIDirect.h"

namespace brevant {

namespace {

UString SlashPath(UString path) {
    std::replace(path.begin(), path.end(), u'\\', u'/');
    return path;
}

}  // namespace

TMySQLConnection::TMySQLConnection() = default;

TMySQLConnection::~TMySQLConnection() {
    try {
        Disconnect();
    } catch (...) {
    }
}

void TMySQLConnection::ChooseMySQLAPI() {
    if (!FMySQLAPI) FMySQLAPI = &brevant::GetMySQLAPI(ChooseMySQLAPIKind(FEmbedded, FDirect));
}

void TMySQLConnection::CheckMySQLLib() {
    if (FEmbedded) FMySQLAPI->SetParams(FEmbParams);
    FMySQLAPI->CheckMySQLLib();
}

bool TMySQLConnection::GetIsClient41() {
    ChooseMySQLAPI();
    const TClientStructVer v = FMySQLAPI->ClientStructVer();
    return v == cvDirect || v == cv410 || v == cv411;
}

bool TMySQLConnection::GetIsServer41() const {
    return FServerPrimaryVer > 4 || (FServerPrimaryVer == 4 && FServerMinorVer > 0);
}

UString TMySQLConnection::NameForProtocol(UStringView name) const {
    // The operation set puts names into the system code page. For a UTF-8 session
    // the server expects them in UTF-8, so hand over the text whose code-page form
    // is exactly the UTF-8 bytes (the single-byte code pages map all 256 values).
    if (!FIsUtf8 || !CodePageConverter::Ansi().IsSingleByte()) return UString(name);
    return AnsiToUtf16(Utf16ToUtf8(name));
}

std::string TMySQLConnection::EncodeText(UStringView text) const {
    return FIsUtf8 ? Utf16ToUtf8(text) : Utf16ToAnsi(text);
}

UString TMySQLConnection::DecodeText(std::string_view bytes) const {
    return FIsUtf8 ? Utf8ToUtf16(bytes) : AnsiToUtf16(bytes);
}

void TMySQLConnection::Connect(const UString& /*connectString*/) {
    if (FConnected) return;

    // 1. Forget the last server; make sure the implementation is ready.
    FServerVer.clear();
    FServerPrimaryVer = FServerMinorVer = FServerReleaseVer = 0;
    FIsMariaDB = false;
    ChooseMySQLAPI();
    CheckMySQLLib();
    TMySQLAPI& api = *FMySQLAPI;

    try {
        // 2. A fresh handle.
        if (FMySQL) Disconnect();
        FMySQL = api.mysql_init(nullptr);
        if (!FMySQL) throw EMyError(CR_OUT_OF_MEMORY, GetError(CR_OUT_OF_MEMORY));

        // 3. Options, in this order.
        api.mysql_options(FMySQL, MYSQL_OPT_CONNECT_TIMEOUT, FConnectionTimeout);
        DetectUsedCharser();
        if (FIsUtf8) api.mysql_options(FMySQL, MYSQL_SET_CHARSET_NAME, std::string("utf8"));
        auto* direct = dynamic_cast<TMySQLAPIDirect*>(FMySQLAPI);
        if (direct) {
            direct->SetOnDialogAuthPlugin(FMySQL, FOnDialogAuthPlugin);
            direct->SetIPVersion(FMySQL, FIPVersion);
        }
        switch (FProtocol) {
            case mpDefault: break;
            case mpSSL:
            case mpSSLHttp:
                api.mysql_ssl_set(FMySQL, SlashPath(FSSLKey), SlashPath(FSSLCert), SlashPath(FSSLCA),
                                  SlashPath(FSSLCAPath), FSSLCipher);
                if (FProtocol == mpSSLHttp) DatabaseError(direct ? SHttpNotSupported : SWrongProtocol);
                break;
            case mpHttp: DatabaseError(direct ? SHttpNotSupported : SWrongProtocol);
            case mpTCP:
            case mpPipe:
            case mpMemory:
                if (GetIsClient41()) {
                    static constexpr int kProtocolCode[] = {0, 1, 3, 4};
                    api.mysql_options(FMySQL, MYSQL_OPT_PROTOCOL, kProtocolCode[FProtocol]);
                    if (FProtocol == mpMemory) {
                        const auto comma = FServer.find(u',');
                        const UString base = comma == UString::npos ? UString() : FServer.substr(comma + 1);
                        api.mysql_options(FMySQL, MYSQL_SHARED_MEMORY_BASE_NAME, Utf16ToAnsi(base));
                    }
                } else if (FProtocol == mpPipe) {
                    api.mysql_options(FMySQL, MYSQL_OPT_NAMED_PIPE, 0);
                }
                break;
            default: DatabaseError(SWrongProtocol);
        }

        // 4. Client flags.
        std::uint32_t flags = CLIENT_FOUND_ROWS;
        if (GetIsClient41()) flags |= CLIENT_MULTI_STATEMENTS;
        if (FCompress) flags |= CLIENT_COMPRESS;
        if (FInteractive) flags |= CLIENT_INTERACTIVE;

        // 5. Host: the server name up to its first comma.
        UString host = FServer.empty() ? UString(u"localhost") : FServer.substr(0, FServer.find(u','));

        // 6.-7. Names in the session's text form; open.
        if (!api.mysql_real_connect(FMySQL, host, NameForProtocol(FUsername), NameForProtocol(FPassword),
                                    NameForProtocol(FDatabase), static_cast<std::uint32_t>(FPort), UStringView(),
                                    flags))
            MySQLError(this);

        // 8.-9. Open; what server is this?
        FConnected = true;
        FNativeConnection = true;
        FConnectionTime = GetTickCount();
        FIsValid = true;
        FServerVer = api.mysql_get_server_info(FMySQL);
        DecodeVersion(FServerVer, FServerPrimaryVer, FServerMinorVer, FServerReleaseVer, FIsMariaDB);

        // 10.-12. Character set, backslash mode, isolation level.
        TryToApplyCharset();
        FNeedBackslashes = true;
        if (FCheckBackslashes) CheckNoBackslashEscapes();
        if (FIsolationLevel != ilReadCommitted) SetIsolationLevel(FIsolationLevel);
    } catch (const EFailOver&) {
        throw;
    } catch (...) {
        if (FMySQL) {
            try {
                api.mysql_close(FMySQL);
            } catch (...) {
            }
            FMySQL = nullptr;
        }
        FConnected = false;
        throw;
    }
}

void TMySQLConnection::Disconnect() {
    if (FMySQL && FNativeConnection && FMySQLAPI) {
        PMYSQL_CON handle = FMySQL;
        FMySQL = nullptr;
        FConnected = false;
        FMySQLAPI->mysql_close(handle);
    }
    FMySQL = nullptr;
    FConnected = false;
}

unsigned TMySQLConnection::SystemCodePage() const { return AnsiCodePage(); }

void TMySQLConnection::DetectUsedCharser(unsigned codePage) {
    if (FUseUnicode) {
        FUsedCharset = FCharset == u"utf8mb4" ? UString(u"utf8mb4") : UString(u"utf8");
    } else {
        FUsedCharset = FCharset;
        if (FUsedCharset.empty()) FUsedCharset = CharsetForCodePage(codePage ? codePage : SystemCodePage());
    }
    FIsUtf8 = IsUtf8Charset(FUsedCharset);
}

void TMySQLConnection::TryToApplyCharset() {
    if (FServerPrimaryVer < 4 || (FServerPrimaryVer == 4 && FServerMinorVer == 0)) {
        // Servers before 4.1 know no SET NAMES and no Unicode.
        FUseUnicode = false;
        FIsUtf8 = false;
        FDBCharLength = 1;
        return;
    }
    DetectUsedCharser();
    if (!FUsedCharset.empty()) {
        // The name goes into the statement as it stands: refuse anything but a name.
        if (!IsPlainCharsetName(FUsedCharset)) DatabaseErrorFmt(SInvalidCharsetName, {FUsedCharset});
        ExecuteSQL(Format(u"SET NAMES '%s'", {FUsedCharset}));
    }
    FDBCharLength = CharsetMaxLength(FUsedCharset);
}

void TMySQLConnection::CheckNoBackslashEscapes() {
    FNeedBackslashes = true;
    if (!FMySQL) return;
    TMySQLAPI& api = *FMySQLAPI;
    std::string mode;
    {
        std::lock_guard<std::recursive_mutex> lock(FLock);
        static constexpr char kQuery[] = "SELECT @@session.sql_mode";
        Check(api.mysql_real_query(FMySQL, kQuery, sizeof kQuery - 1), this);
        PMYSQL_RES result = api.mysql_use_result(FMySQL);
        if (!result) Check(this);
        if (result) {
            PMYSQL_ROW row = api.mysql_fetch_row(result);
            const bool failed = !row && api.mysql_errno(FMySQL) != 0;
            if (row && !api._mysql_fetch_value_is_null(row, 0)) mode = api._mysql_fetch_value_str(row, 0);
            api.mysql_free_result(result);
            if (failed) MySQLError(this);
        }
    }
    std::transform(mode.begin(), mode.end(), mode.begin(),
                   [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; });
    if (mode.find("NO_BACKSLASH_ESCAPES") != std::string::npos) FNeedBackslashes = false;
}

void TMySQLConnection::SetIsolationLevel(TCRIsolationLevel level) {
    FIsolationLevel = level;
    if (!FConnected) return;
    const char16_t* statement = SessionIsolationStatement(level);
    if (!statement) DatabaseError(SUnsupportedIsolationLevel);
    ExecuteSQL(statement);
}

void TMySQLConnection::SetDatabase(const UString& name) {
    if (name == FDatabase) return;
    FDatabase = name;
    if (FConnected && FMySQL && !name.empty()) Check(FMySQLAPI->mysql_select_db(FMySQL, NameForProtocol(name)), this);
}

void TMySQLConnection::ExecuteSQL(const UString& text) {
    std::unique_ptr<TMySQLCommand> command;
    {
        std::lock_guard<std::mutex> lock(FCommandLock);
        command = std::move(FCommand);
    }
    if (!command) command = std::make_unique<TMySQLCommand>();
    const ScopeExit returnToCache([this, &command] {
        std::lock_guard<std::mutex> lock(FCommandLock);
        if (!FCommand) FCommand = std::move(command);
    });
    command->SetConnection(this);
    // Internal statements wait as long as a connect may (InitCommandProp).
    command->SetProp(prCommandTimeout, FConnectionTimeout);
    command->SetSQL(text);
    command->Execute();
}

void TMySQLConnection::Ping() {
    if (!FMySQL) MySQLError(this);
    FMySQLAPI->SetTimeout(FMySQL, FConnectionTimeout);
    Check(FMySQLAPI->mysql_ping(FMySQL), this);
}

bool TMySQLConnection::CheckIsValid() {
    bool valid = false;
    if (FMySQL) {
        FMySQLAPI->SetTimeout(FMySQL, FConnectionTimeout);
        valid = FMySQLAPI->mysql_ping(FMySQL) == 0 && FMySQLAPI->mysql_ping(FMySQL) == 0;
    }
    FIsValid = valid;
    return valid;
}

void TMySQLConnection::Assign(const TCRConnection& source) {
    TCRConnection::Assign(source);
    const auto* s = dynamic_cast<const TMySQLConnection*>(&source);
    BREVANT_ASSERT(s != nullptr);
    FDirect = s->FDirect;
    FEmbedded = s->FEmbedded;
    FIPVersion = s->FIPVersion;
    FConnectionTimeout = s->FConnectionTimeout;
    FProtocol = s->FProtocol;
    FPort = s->FPort;
    FDatabase = s->FDatabase;
    FCharset = s->FCharset;
    FUseUnicode = s->FUseUnicode;
    FCompress = s->FCompress;
    FInteractive = s->FInteractive;
    FCheckBackslashes = s->FCheckBackslashes;
    FCheckPrecision = s->FCheckPrecision;
    FOptimizedBigInt = s->FOptimizedBigInt;
    FNullForZeroDelphiDate = s->FNullForZeroDelphiDate;
    FEmbParams = s->FEmbParams;
    FOnDialogAuthPlugin = s->FOnDialogAuthPlugin;
}

void TMySQLConnection::AssignConnect(TCRConnection* source) {
    Disconnect();
    if (!source) return;
    auto* s = dynamic_cast<TMySQLConnection*>(source);
    BREVANT_ASSERT(s != nullptr);
    Assign(*s);
    FMySQLAPI = s->FMySQLAPI;
    FMySQL = s->FMySQL;
    FConnected = FMySQL != nullptr;
    FNativeConnection = false;  // the borrowed handle is never closed here
    FIsValid = s->FIsValid;
    FUsedCharset = s->FUsedCharset;
    FIsUtf8 = s->FIsUtf8;
    FDBCharLength = s->FDBCharLength;
    FNeedBackslashes = s->FNeedBackslashes;
    FServerVer = s->FServerVer;
    FServerPrimaryVer = s->FServerPrimaryVer;
    FServerMinorVer = s->FServerMinorVer;
    FServerReleaseVer = s->FServerReleaseVer;
    FIsMariaDB = s->FIsMariaDB;
}

TCRTransaction* TMySQLConnection::GetInternalTransaction() {
    if (!FInternalTransaction) FInternalTransaction = std::make_unique<TMySQLTransaction>(this);
    return FInternalTransaction.get();
}

UString TMySQLConnection::GetServerVersion() {
    return IntToStr(FServerPrimaryVer) + u"." + IntToStr(FServerMinorVer) + u"." + IntToStr(FServerReleaseVer);
}

UString TMySQLConnection::GetServerVersionFull() { return Widen(FServerVer); }

UString TMySQLConnection::GetClientVersion() {
    ChooseMySQLAPI();
    if (!FMySQLAPI->LoadedMySQLLib()) FMySQLAPI->LoadMySQLLib();
    return Widen(FMySQLAPI->mysql_get_client_info());
}

std::uint32_t TMySQLConnection::GetThreadId() { return FMySQL ? FMySQLAPI->mysql_thread_id(FMySQL) : 0; }

bool TMySQLConnection::NeedBackslashes() const {
    std::uint32_t status = 0;
    if (FMySQL && FMySQLAPI && FMySQLAPI->_mysql_server_status(FMySQL, status))
        return (status & SERVER_STATUS_NO_BACKSLASH_ESCAPES) == 0;
    return FNeedBackslashes;
}

std::string TMySQLConnection::EscapeAndQuoteStr(std::string_view bytes) const {
    return brevant::EscapeAndQuoteStr(bytes, NeedBackslashes(), FUsedCharset);
}

UString TMySQLConnection::EscapeAndQuoteWideStr(UStringView chars) const {
    return brevant::EscapeAndQuoteWideStr(chars, NeedBackslashes());
}

void TMySQLConnection::MySQLError(void* component) {
    int code = CR_SERVER_GONE_ERROR;
    UString message;
    if (FMySQL && FMySQLAPI) {
        code = static_cast<int>(FMySQLAPI->mysql_errno(FMySQL));
        const std::string raw = FMySQLAPI->mysql_error(FMySQL);
        message = FIsUtf8 && FMySQLAPI->mysql_isservererror(FMySQL) ? Utf8ToUtf16(raw) : AnsiToUtf16(raw);
    } else {
        message = GetError(code);  // no handle: the session is gone
    }
    EMyError e(code, message);
    e.SetComponent(component ? component : this);
    bool fail = true;
    DoError(e, fail);
    if (!fail) Abort();
    throw e;
}

void TMySQLConnection::Check(int status, void* component) {
    if (status != 0) MySQLError(component);
}

void TMySQLConnection::Check(void* component) {
    if (!FMySQL || FMySQLAPI->mysql_errno(FMySQL) != 0) MySQLError(component);
}

void TMySQLConnection::Check(bool ok, void* component) {
    if (!ok) MySQLError(component);
}

void TMySQLConnection::SetProp(int prop, const TPropValue& value) {
    switch (prop) {
        case prConnectionTimeout:
            FConnectionTimeout = PropInt(value);
            if (FMySQL) FMySQLAPI->SetTimeout(FMySQL, FConnectionTimeout);
            break;
        case prDatabase: SetDatabase(PropStr(value)); break;
        case prPort: FPort = PropInt(value); break;
        case prIPVersion: {
            const int v = PropInt(value);
            BREVANT_ASSERT(v >= ivIPv4 && v <= ivIPBoth);
            FIPVersion = static_cast<TIPVersion>(v);
            break;
        }
        case prUseUnicode: {
            const bool v = PropBool(value);
            if (v == FUseUnicode) break;
            FUseUnicode = v;
            if (FConnected) TryToApplyCharset();
            break;
        }
        case prCompress: FCompress = PropBool(value); break;
        case prCharset: {
            const UString v = LowerCaseAscii(PropStr(value));
            if (v == FCharset) break;
            FCharset = v;
            if (FConnected && !FUseUnicode) TryToApplyCharset();
            break;
        }
        case prProtocol: FProtocol = static_cast<TMyProtocol>(PropInt(value)); break;
        case prEmbParams: FEmbParams = PropStrings(value); break;
        case prEmbedded:
        case prDirect: {
            bool& field = prop == prEmbedded ? FEmbedded : FDirect;
            const bool v = PropBool(value);
            if (v != field && !FConnected) FMySQLAPI = nullptr;  // chosen again at the next connect
            field = v;
            break;
        }
        case prCheckPrecision: FCheckPrecision = PropBool(value); break;
        case prOptimizedBigInt: FOptimizedBigInt = PropBool(value); break;
        case prCheckBackslashes:
            FCheckBackslashes = PropBool(value);
            if (FConnected) {
                FNeedBackslashes = true;
                if (FCheckBackslashes) CheckNoBackslashEscapes();
            }
            break;
        case prNullForZeroDelphiDate: FNullForZeroDelphiDate = PropBool(value); break;
        case prInteractive: FInteractive = PropBool(value); break;
        default: TCRConnection::SetProp(prop, value);
    }
}

TPropValue TMySQLConnection::GetProp(int prop) {
    switch (prop) {
        case prConnectionTimeout: return FConnectionTimeout;
        case prDatabase: return FDatabase;
        case prPort: return FPort;
        case prIPVersion: return static_cast<int>(FIPVersion);
        case prUseUnicode: return FUseUnicode;
        case prCompress: return FCompress;
        case prCharset: return FCharset;
        case prProtocol: return static_cast<int>(FProtocol);
        case prEmbParams: return FEmbParams;
        case prEmbedded: return FEmbedded;
        case prDirect: return FDirect;
        case prCheckPrecision: return FCheckPrecision;
        case prOptimizedBigInt: return FOptimizedBigInt;
        case prCheckBackslashes: return FCheckBackslashes;
        case prNeedBackslashes: return NeedBackslashes();
        case prNullForZeroDelphiDate: return FNullForZeroDelphiDate;
        case prInteractive: return FInteractive;
        case prLastInsertId:
            return static_cast<std::int64_t>(FMySQL ? FMySQLAPI->mysql_insert_id(FMySQL) : 0);
        default: return TCRConnection::GetProp(prop);
    }
}

}  // namespace brevant
