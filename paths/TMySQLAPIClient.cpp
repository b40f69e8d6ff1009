#include "paths/TMySQLAPIClient.h"

#include <dlfcn.h>

#include <cstring>

#include "core/Abort.h"
#include "mysql/client/DAErrors.h"
#include "mysql/wire/MySqlHandshake.h"
#include "paths/MySqlClientLayout.h"

// The C library's own type names, so that calls through the resolved pointers
// have exactly the library's function types.
struct st_mysql;
struct st_mysql_res;
struct st_mysql_stmt;
struct st_mysql_field;
enum mysql_option : int;

namespace brevant {

std::string MySQLClientLibrary;

namespace {

constexpr const char* kEntryNames[epCount] = {
    "mysql_num_fields", "mysql_fetch_field_direct", "mysql_field_count", "mysql_affected_rows",
    "mysql_insert_id", "mysql_errno", "mysql_error", "mysql_info", "mysql_thread_id",
    "mysql_character_set_name", "mysql_init", "mysql_ssl_set", "mysql_real_connect", "mysql_close",
    "mysql_select_db", "mysql_real_query", "mysql_kill", "mysql_ping", "mysql_get_server_info",
    "mysql_get_client_info", "mysql_get_host_info", "mysql_use_result", "mysql_options", "mysql_free_result",
    "mysql_fetch_row", "mysql_fetch_lengths", "mysql_server_init", "mysql_server_end", "mysql_stmt_init",
    "mysql_stmt_prepare", "mysql_stmt_execute", "mysql_stmt_param_count", "mysql_stmt_bind_param",
    "mysql_stmt_bind_result", "mysql_stmt_field_count", "mysql_stmt_close", "mysql_stmt_free_result",
    "mysql_stmt_errno", "mysql_stmt_error", "mysql_stmt_fetch", "mysql_stmt_fetch_column",
    "mysql_stmt_send_long_data", "mysql_stmt_prepare_result", "mysql_stmt_result_metadata",
    "mysql_stmt_param_metadata", "mysql_stmt_affected_rows", "mysql_stmt_store_result", "mysql_more_results",
    "mysql_next_result",
};

// The C library's types as this build passes them.
using MYSQL = ::st_mysql;
using MYSQL_RES = ::st_mysql_res;
using MYSQL_STMT = ::st_mysql_stmt;
using MYSQL_ROW = char**;
using my_bool = char;

MYSQL* Con(PMYSQL_CON h) { return reinterpret_cast<MYSQL*>(h); }
MYSQL_RES* Res(PMYSQL_RES h) { return reinterpret_cast<MYSQL_RES*>(h); }
MYSQL_STMT* Stmt(PMYSQL_STMT h) { return reinterpret_cast<MYSQL_STMT*>(h); }
MYSQL_ROW Row(PMYSQL_ROW h) { return reinterpret_cast<MYSQL_ROW>(h); }

std::string Text(const char* s) { return s ? std::string(s) : std::string(); }

/// An 8-bit argument; nullptr for an empty one where the library takes "none".
class CArg {
public:
    explicit CArg(UStringView text) : bytes_(Utf16ToAnsi(text)) {}
    const char* Str() const { return bytes_.c_str(); }
    const char* OrNull() const { return bytes_.empty() ? nullptr : bytes_.c_str(); }

private:
    std::string bytes_;
};

std::string FieldText(const char* s) { return s ? std::string(s) : std::string(); }

std::uint32_t Narrow32(unsigned long v) { return v > 0xFFFFFFFFul ? 0xFFFFFFFFu : static_cast<std::uint32_t>(v); }

/// The two 4.1 layouts name the same members at different places.
template <class F>
void CopyField41(const F& f, TMYSQL_FIELD& field) {
    field.Name = FieldText(f.name);
    field.OrgName = FieldText(f.org_name);
    field.Table = FieldText(f.table);
    field.OrgTable = FieldText(f.org_table);
    field.LengthInBytes = Narrow32(f.length);
    field.Flags = f.flags;
    field.Decimals = f.decimals;
    field.CharsetNr = f.charsetnr;
    field.MyType = static_cast<std::uint8_t>(f.type);
}

}  // namespace

const char* MySQLEntryName(TMySQLEntry entry) { return kEntryNames[entry]; }

TClientStructVer ClientStructVerOf(const std::string& version) {
    int major = 0, minor = 0, release = 0;
    bool mariaDB = false;
    DecodeVersion(version, major, minor, release, mariaDB);
    switch (major) {
        // Connector/C 3.x numbers its releases anew but uses the 4.1 layout.
        case 3: return cv411;
        case 4: return minor == 0 ? cv4 : (release != 0 ? cv411 : cv410);
        case 5:
        case 6:
        case 10: return cv411;
        default: DatabaseError(SInvalidClientVersion);
    }
}

std::string TMySQLAPIClient::GetLibraryName() const {
    return MySQLClientLibrary.empty() ? std::string("libmysqlclient.so") : MySQLClientLibrary;
}

bool TMySQLAPIClient::LoadLibraryFile(const std::string& name) {
    if (hMySQLLib) return true;
    void* handle = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* e = dlerror();
        FLastError = e ? e : "";
        return false;
    }
    FLastError.clear();
    hMySQLLib = handle;
    for (int i = 0; i < epCount; ++i) FEntries[i] = dlsym(handle, kEntryNames[i]);
    return true;
}

void TMySQLAPIClient::LoadMySQLLib() { LoadLibraryFile(GetLibraryName()); }

void TMySQLAPIClient::FreeMySQLLib() {
    if (!hMySQLLib) return;
    dlclose(hMySQLLib);
    hMySQLLib = nullptr;
    for (void*& e : FEntries) e = nullptr;
}

void TMySQLAPIClient::CheckMySQLLib() {
    LoadMySQLLib();
    if (!hMySQLLib) DatabaseErrorFmt(SMySQLLibNotLoaded, {Widen(GetLibraryName())});
    FClientVer = mysql_get_client_info();
    FClientStructVer = ClientStructVerOf(FClientVer);
}

void TMySQLAPIClient::GetNotLinkProc() const { DatabaseErrorFmt(NotLinkedText(), {AnsiToUtf16(GetLibraryName())}); }

// --- forwarding ---

std::uint32_t TMySQLAPIClient::mysql_num_fields(PMYSQL_RES result) {
    return Entry<unsigned (*)(MYSQL_RES*)>(epNumFields)(Res(result));
}
std::uint32_t TMySQLAPIClient::mysql_field_count(PMYSQL_CON mysql) {
    return Entry<unsigned (*)(MYSQL*)>(epFieldCount)(Con(mysql));
}
std::uint64_t TMySQLAPIClient::mysql_affected_rows(PMYSQL_CON mysql) {
    return Entry<unsigned long long (*)(MYSQL*)>(epAffectedRows)(Con(mysql));
}
std::uint64_t TMySQLAPIClient::mysql_insert_id(PMYSQL_CON mysql) {
    return Entry<unsigned long long (*)(MYSQL*)>(epInsertId)(Con(mysql));
}
std::uint32_t TMySQLAPIClient::mysql_errno(PMYSQL_CON mysql) {
    return Entry<unsigned (*)(MYSQL*)>(epErrno)(Con(mysql));
}
std::string TMySQLAPIClient::mysql_error(PMYSQL_CON mysql) {
    return Text(Entry<const char* (*)(MYSQL*)>(epError)(Con(mysql)));
}
std::string TMySQLAPIClient::mysql_info(PMYSQL_CON mysql) {
    return Text(Entry<const char* (*)(MYSQL*)>(epInfo)(Con(mysql)));
}
std::uint32_t TMySQLAPIClient::mysql_thread_id(PMYSQL_CON mysql) {
    return static_cast<std::uint32_t>(Entry<unsigned long (*)(MYSQL*)>(epThreadId)(Con(mysql)));
}
std::string TMySQLAPIClient::mysql_character_set_name(PMYSQL_CON mysql) {
    return Text(Entry<const char* (*)(MYSQL*)>(epCharacterSetName)(Con(mysql)));
}
PMYSQL_CON TMySQLAPIClient::mysql_init(PMYSQL_CON mysql) {
    return reinterpret_cast<PMYSQL_CON>(Entry<MYSQL* (*)(MYSQL*)>(epInit)(Con(mysql)));
}
int TMySQLAPIClient::mysql_ssl_set(PMYSQL_CON mysql, UStringView key, UStringView cert, UStringView ca,
                                   UStringView capath, UStringView cipher) {
    const CArg k(key), c(cert), a(ca), p(capath), ci(cipher);
    using F = int (*)(MYSQL*, const char*, const char*, const char*, const char*, const char*);
    return Entry<F>(epSslSet)(Con(mysql), k.OrNull(), c.OrNull(), a.OrNull(), p.OrNull(), ci.OrNull());
}
PMYSQL_CON TMySQLAPIClient::mysql_real_connect(PMYSQL_CON mysql, UStringView host, UStringView user,
                                               UStringView passwd, UStringView db, std::uint32_t port,
                                               UStringView unixSocket, std::uint32_t clientflag) {
    const CArg h(host), u(user), p(passwd), d(db), s(unixSocket);
    using F = MYSQL* (*)(MYSQL*, const char*, const char*, const char*, const char*, unsigned, const char*,
                         unsigned long);
    return reinterpret_cast<PMYSQL_CON>(Entry<F>(epRealConnect)(Con(mysql), h.OrNull(), u.Str(), p.Str(), d.OrNull(),
                                                           port, s.OrNull(), clientflag));
}
void TMySQLAPIClient::mysql_close(PMYSQL_CON mysql) { Entry<void (*)(MYSQL*)>(epClose)(Con(mysql)); }
int TMySQLAPIClient::mysql_select_db(PMYSQL_CON mysql, UStringView db) {
    const CArg d(db);
    return Entry<int (*)(MYSQL*, const char*)>(epSelectDb)(Con(mysql), d.Str());
}
int TMySQLAPIClient::mysql_real_query(PMYSQL_CON mysql, const char* query, std::size_t length) {
    return Entry<int (*)(MYSQL*, const char*, unsigned long)>(epRealQuery)(Con(mysql), query, length);
}
int TMySQLAPIClient::mysql_kill(PMYSQL_CON mysql, std::uint32_t pid) {
    return Entry<int (*)(MYSQL*, unsigned long)>(epKill)(Con(mysql), pid);
}
int TMySQLAPIClient::mysql_ping(PMYSQL_CON mysql) { return Entry<int (*)(MYSQL*)>(epPing)(Con(mysql)); }
std::string TMySQLAPIClient::mysql_get_server_info(PMYSQL_CON mysql) {
    return Text(Entry<char* (*)(MYSQL*)>(epGetServerInfo)(Con(mysql)));
}
std::string TMySQLAPIClient::mysql_get_client_info() {
    return Text(Entry<const char* (*)()>(epGetClientInfo)());
}
std::string TMySQLAPIClient::mysql_get_host_info(PMYSQL_CON mysql) {
    return Text(Entry<char* (*)(MYSQL*)>(epGetHostInfo)(Con(mysql)));
}
PMYSQL_RES TMySQLAPIClient::mysql_use_result(PMYSQL_CON mysql) {
    return reinterpret_cast<PMYSQL_RES>(Entry<MYSQL_RES* (*)(MYSQL*)>(epUseResult)(Con(mysql)));
}
int TMySQLAPIClient::mysql_options(PMYSQL_CON mysql, TMySqlOption option, int value) {
    // Integer options are read through a pointer to an unsigned int.
    unsigned int arg = static_cast<unsigned int>(value);
    return Entry<int (*)(MYSQL*, ::mysql_option, const void*)>(epOptions)(Con(mysql), static_cast<::mysql_option>(option), &arg);
}
int TMySQLAPIClient::mysql_options(PMYSQL_CON mysql, TMySqlOption option, const std::string& value) {
    return Entry<int (*)(MYSQL*, ::mysql_option, const void*)>(epOptions)(Con(mysql), static_cast<::mysql_option>(option), value.c_str());
}
void TMySQLAPIClient::mysql_free_result(PMYSQL_RES result) {
    Entry<void (*)(MYSQL_RES*)>(epFreeResult)(Res(result));
}
PMYSQL_ROW TMySQLAPIClient::mysql_fetch_row(PMYSQL_RES result) {
    return reinterpret_cast<PMYSQL_ROW>(Entry<MYSQL_ROW (*)(MYSQL_RES*)>(epFetchRow)(Res(result)));
}
const unsigned long* TMySQLAPIClient::mysql_fetch_lengths(PMYSQL_RES result) {
    return Entry<unsigned long* (*)(MYSQL_RES*)>(epFetchLengths)(Res(result));
}
int TMySQLAPIClient::mysql_server_init(int argc, char** argv, char** groups) {
    return Entry<int (*)(int, char**, char**)>(epServerInit)(argc, argv, groups);
}
void TMySQLAPIClient::mysql_server_end() { Entry<void (*)()>(epServerEnd)(); }

// --- prepared statements ---

PMYSQL_STMT TMySQLAPIClient::mysql_stmt_init(PMYSQL_CON mysql) {
    return reinterpret_cast<PMYSQL_STMT>(Entry<MYSQL_STMT* (*)(MYSQL*)>(epStmtInit)(Con(mysql)));
}
int TMySQLAPIClient::mysql_stmt_prepare(PMYSQL_STMT stmt, const char* query, std::size_t length) {
    return Entry<int (*)(MYSQL_STMT*, const char*, unsigned long)>(epStmtPrepare)(Stmt(stmt), query, length);
}
int TMySQLAPIClient::mysql_stmt_execute(PMYSQL_STMT stmt) {
    return Entry<int (*)(MYSQL_STMT*)>(epStmtExecute)(Stmt(stmt));
}
std::uint32_t TMySQLAPIClient::mysql_stmt_param_count(PMYSQL_STMT stmt) {
    return static_cast<std::uint32_t>(Entry<unsigned long (*)(MYSQL_STMT*)>(epStmtParamCount)(Stmt(stmt)));
}
// The library's bind structure differs from the caller's (lengths are
// `unsigned long` there); the copy into it is not built yet.
bool TMySQLAPIClient::mysql_stmt_bind_param(PMYSQL_STMT, TMySqlStmtBind*) { DatabaseError(SStmtBindsNotSupported); }
bool TMySQLAPIClient::mysql_stmt_bind_result(PMYSQL_STMT, TMySqlStmtBind*) { DatabaseError(SStmtBindsNotSupported); }
int TMySQLAPIClient::mysql_stmt_fetch_column(PMYSQL_STMT, TMySqlStmtBind*, std::uint32_t, std::uint32_t) {
    DatabaseError(SStmtBindsNotSupported);
}
std::uint32_t TMySQLAPIClient::mysql_stmt_field_count(PMYSQL_STMT stmt) {
    return Entry<unsigned (*)(MYSQL_STMT*)>(epStmtFieldCount)(Stmt(stmt));
}
bool TMySQLAPIClient::mysql_stmt_close(PMYSQL_STMT stmt) {
    return Entry<my_bool (*)(MYSQL_STMT*)>(epStmtClose)(Stmt(stmt)) != 0;
}
bool TMySQLAPIClient::mysql_stmt_free_result(PMYSQL_STMT stmt) {
    return Entry<my_bool (*)(MYSQL_STMT*)>(epStmtFreeResult)(Stmt(stmt)) != 0;
}
std::uint32_t TMySQLAPIClient::mysql_stmt_errno(PMYSQL_STMT stmt) {
    return Entry<unsigned (*)(MYSQL_STMT*)>(epStmtErrno)(Stmt(stmt));
}
std::string TMySQLAPIClient::mysql_stmt_error(PMYSQL_STMT stmt) {
    return Text(Entry<const char* (*)(MYSQL_STMT*)>(epStmtError)(Stmt(stmt)));
}
int TMySQLAPIClient::mysql_stmt_fetch(PMYSQL_STMT stmt) {
    return Entry<int (*)(MYSQL_STMT*)>(epStmtFetch)(Stmt(stmt));
}
bool TMySQLAPIClient::mysql_stmt_send_long_data(PMYSQL_STMT stmt, std::uint32_t paramNumber, const char* data,
                                                std::size_t length) {
    using F = my_bool (*)(MYSQL_STMT*, unsigned, const char*, unsigned long);
    return Entry<F>(epStmtSendLongData)(Stmt(stmt), paramNumber, data, length) != 0;
}
PMYSQL_RES TMySQLAPIClient::mysql_stmt_result_metadata(PMYSQL_STMT stmt) {
    return reinterpret_cast<PMYSQL_RES>(Entry<MYSQL_RES* (*)(MYSQL_STMT*)>(epStmtResultMetadata)(Stmt(stmt)));
}
PMYSQL_RES TMySQLAPIClient::mysql_stmt_param_metadata(PMYSQL_STMT stmt) {
    return reinterpret_cast<PMYSQL_RES>(Entry<MYSQL_RES* (*)(MYSQL_STMT*)>(epStmtParamMetadata)(Stmt(stmt)));
}
std::uint64_t TMySQLAPIClient::mysql_stmt_affected_rows(PMYSQL_STMT stmt) {
    return Entry<unsigned long long (*)(MYSQL_STMT*)>(epStmtAffectedRows)(Stmt(stmt));
}
int TMySQLAPIClient::mysql_stmt_store_result(PMYSQL_STMT stmt) {
    return Entry<int (*)(MYSQL_STMT*)>(epStmtStoreResult)(Stmt(stmt));
}
int TMySQLAPIClient::mysql_stmt_prepare_result(PMYSQL_STMT stmt) {
    return Entry<int (*)(MYSQL_STMT*)>(epStmtPrepareResult)(Stmt(stmt));
}
bool TMySQLAPIClient::mysql_more_results(PMYSQL_CON mysql) {
    return Entry<my_bool (*)(MYSQL*)>(epMoreResults)(Con(mysql)) != 0;
}
int TMySQLAPIClient::mysql_next_result(PMYSQL_CON mysql) {
    return Entry<int (*)(MYSQL*)>(epNextResult)(Con(mysql));
}

// --- rows and fields ---

PMYSQL_ROW TMySQLAPIClient::_mysql_read_row(PMYSQL_RES, int) {
    BREVANT_ASSERT(!"_mysql_read_row is not available over a client library");
    return nullptr;
}

void TMySQLAPIClient::_mysql_fetch_field_direct(PMYSQL_RES result, std::uint32_t fieldnr, bool /*unicode*/,
                                                TMYSQL_FIELD& field) {
    const void* raw = Entry<::st_mysql_field* (*)(MYSQL_RES*, unsigned)>(epFetchFieldDirect)(Res(result), fieldnr);
    BREVANT_ASSERT(raw != nullptr);
    switch (FClientStructVer) {
        case cv3: {
            const auto& f = *static_cast<const TMYSQL_FIELD3*>(raw);
            field.Name = FieldText(f.name);
            field.OrgName = field.Name;
            field.Table = FieldText(f.table);
            field.OrgTable.clear();
            field.LengthInBytes = f.length;
            field.Flags = f.flags;
            field.Decimals = f.decimals;
            field.CharsetNr = 0;
            field.MyType = static_cast<std::uint8_t>(f.type);
            break;
        }
        case cv4: {
            const auto& f = *static_cast<const TMYSQL_FIELD4*>(raw);
            field.Name = FieldText(f.name);
            field.OrgName = field.Name;
            field.Table = FieldText(f.table);
            field.OrgTable = FOrgTableFrom4 ? FieldText(f.org_table) : std::string();
            field.LengthInBytes = Narrow32(f.length);
            field.Flags = f.flags;
            field.Decimals = f.decimals;
            field.CharsetNr = 0;
            field.MyType = static_cast<std::uint8_t>(f.type);
            break;
        }
        case cv410: CopyField41(*static_cast<const TMYSQL_FIELD410*>(raw), field); break;
        case cv411: CopyField41(*static_cast<const TMYSQL_FIELD411*>(raw), field); break;
        default: DatabaseError(SInvalidClientVersion);
    }
    if ((FClientStructVer == cv410 || FClientStructVer == cv411) && field.OrgName.empty()) field.OrgName = field.Name;
}

void TMySQLAPIClient::_mysql_fetch_lengths(PMYSQL_RES result, std::uint32_t* lengths) {
    const std::uint32_t n = mysql_num_fields(result);
    const unsigned long* src = mysql_fetch_lengths(result);
    if (!src) {
        std::memset(lengths, 0, n * sizeof(std::uint32_t));
        return;
    }
    for (std::uint32_t i = 0; i < n; ++i) lengths[i] = Narrow32(src[i]);
}

bool TMySQLAPIClient::_mysql_fetch_value_is_null(PMYSQL_ROW row, std::uint32_t fieldnr) {
    return Row(row)[fieldnr] == nullptr;
}

const char* TMySQLAPIClient::_mysql_fetch_value_ptr(PMYSQL_RES, PMYSQL_ROW row, std::uint32_t fieldnr) {
    return Row(row)[fieldnr];
}

void TMySQLAPIClient::_mysql_fetch_value_to_buff(PMYSQL_ROW row, std::uint32_t fieldnr, void* dest,
                                                 std::uint32_t length) {
    if (length) std::memcpy(dest, Row(row)[fieldnr], length);
}

void TMySQLAPIClient::_mysql_fetch_value_to_buff(PMYSQL_ROW row, std::uint32_t fieldnr, void* dest,
                                                 std::size_t destOffset, std::uint32_t length) {
    if (length) std::memcpy(static_cast<char*>(dest) + destOffset, Row(row)[fieldnr], length);
}

void TMySQLAPIClient::_mysql_fetch_value_to_str(PMYSQL_ROW row, std::uint32_t fieldnr, std::uint32_t length,
                                                char* dest) {
    const char* src = Row(row)[fieldnr];
    std::uint32_t n = 0;
    if (src)
        while (n < length && src[n] != '\0') ++n;
    if (n) std::memcpy(dest, src, n);
    dest[n] = '\0';
}

const char* TMySQLAPIClient::_mysql_fetch_value_arr(PMYSQL_ROW row, std::uint32_t fieldnr, std::uint32_t& offset) {
    offset = 0;
    return Row(row)[fieldnr];
}

std::string TMySQLAPIClient::_mysql_fetch_value_str(PMYSQL_ROW row, std::uint32_t fieldnr) {
    return Text(Row(row)[fieldnr]);
}

PMYSQL_ROW TMySQLAPIClient::_mysql_stmt_fetch(PMYSQL_STMT stmt) {
    mysql_stmt_fetch(stmt);
    return nullptr;
}
int TMySQLAPIClient::_mysql_stmt_execute(PMYSQL_STMT stmt) { return mysql_stmt_execute(stmt); }
bool TMySQLAPIClient::_mysql_stmt_bind_param(PMYSQL_STMT stmt, TMySqlStmtBind* binds) {
    return mysql_stmt_bind_param(stmt, binds);
}
bool TMySQLAPIClient::_mysql_stmt_bind_result(PMYSQL_STMT stmt, TMySqlStmtBind* binds) {
    return mysql_stmt_bind_result(stmt, binds);
}
int TMySQLAPIClient::_mysql_stmt_fetch_column(PMYSQL_STMT stmt, TMySqlStmtBind* bind, std::uint32_t column,
                                              std::uint32_t offset) {
    return mysql_stmt_fetch_column(stmt, bind, column, offset);
}
void TMySQLAPIClient::_mysql_stmt_fetch_lengths(PMYSQL_STMT, std::uint32_t*) { DatabaseError(SStmtBindsNotSupported); }
const char* TMySQLAPIClient::_mysql_stmt_fetch_value_ptr(PMYSQL_STMT, std::uint32_t) {
    DatabaseError(SStmtBindsNotSupported);
}

void TMySQLAPIClient::SetTimeout(PMYSQL_CON mysql, int seconds) {
    if (FClientStructVer != cv410 && FClientStructVer != cv411) return;
    if (seconds == 0) seconds = 31536000;  // no limit: one year
    mysql_options(mysql, MYSQL_OPT_READ_TIMEOUT, seconds);
    mysql_options(mysql, MYSQL_OPT_WRITE_TIMEOUT, seconds);
}

}  // namespace brevant
