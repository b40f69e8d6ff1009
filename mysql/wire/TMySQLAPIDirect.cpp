#include "mysql/wire/TMySQLAPIDirect.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "mysql/wire/EMySqlException.h"
#include "mysql/wire/MySqlTypes.h"
#include "mysql/wire/TMySqlResultSet.h"
#include "mysql/wire/TMySqlStmt.h"

namespace brevant {

std::mutex TMySQLAPIDirect::FQueryBufferCS;

namespace {

TMySqlSession* S(PMYSQL_CON h) { return reinterpret_cast<TMySqlSession*>(h); }
TMySqlResultSet* R(PMYSQL_RES h) { return reinterpret_cast<TMySqlResultSet*>(h); }
TMySqlBinds* Row(PMYSQL_ROW h) { return reinterpret_cast<TMySqlBinds*>(h); }
TMySqlStmt* St(PMYSQL_STMT h) { return reinterpret_cast<TMySqlStmt*>(h); }
PMYSQL_ROW AsRow(TMySqlBinds* b) { return reinterpret_cast<PMYSQL_ROW>(b); }
PMYSQL_RES AsRes(TMySqlResultSet* r) { return reinterpret_cast<PMYSQL_RES>(r); }

template <class Owner>
void ClearError(Owner& o) {
    o.FErrno = 0;
    o.FError.clear();
    o.FIsServerError = false;
}

template <class Owner>
void StoreError(Owner& o, const EMySqlException& e) {
    o.FErrno = e.ErrorCode();
    // Messages are kept as 8-bit text; server texts were widened byte for byte.
    o.FError = Utf16ToAnsi(e.Message());
    o.FIsServerError = e.IsServerError();
}

/// Runs f with the owner's error cleared; an EMySqlException becomes its fields
/// and the returned code.
template <class Owner, class F>
int Guard(Owner& o, F&& f) {
    ClearError(o);
    try {
        f();
        return 0;
    } catch (const EMySqlException& e) {
        StoreError(o, e);
        return e.ErrorCode();
    }
}

[[noreturn]] void NotAvailable(const char* name) {
    throw std::logic_error(std::string(name) + " is not available with the direct protocol client");
}

bool InRange(const TMySqlBinds& b, std::uint32_t i) { return i < b.Items.size(); }

const TMySqlBind* Item(PMYSQL_ROW row, std::uint32_t i) {
    TMySqlBinds* b = Row(row);
    if (!b || !InRange(*b, i)) return nullptr;
    return &b->Items[i];
}

}  // namespace

TMySQLAPIDirect::TMySQLAPIDirect() { CheckMySQLLib(); }

void TMySQLAPIDirect::CheckMySQLLib() {
    FClientStructVer = cvDirect;
    FClientVer = kDirectClientInfo;
}

std::uint32_t TMySQLAPIDirect::mysql_num_fields(PMYSQL_RES result) { return R(result)->ffieldCount; }
std::uint32_t TMySQLAPIDirect::mysql_field_count(PMYSQL_CON mysql) { return S(mysql)->fieldCount; }
std::uint64_t TMySQLAPIDirect::mysql_affected_rows(PMYSQL_CON mysql) { return S(mysql)->affectedRows; }
std::uint64_t TMySQLAPIDirect::mysql_insert_id(PMYSQL_CON mysql) { return S(mysql)->insertId; }
std::uint32_t TMySQLAPIDirect::mysql_errno(PMYSQL_CON mysql) { return static_cast<std::uint32_t>(S(mysql)->FErrno); }
std::string TMySQLAPIDirect::mysql_error(PMYSQL_CON mysql) { return S(mysql)->FError; }
bool TMySQLAPIDirect::mysql_isservererror(PMYSQL_CON mysql) { return S(mysql)->FIsServerError; }
std::string TMySQLAPIDirect::mysql_info(PMYSQL_CON mysql) { return S(mysql)->info; }
std::uint32_t TMySQLAPIDirect::mysql_thread_id(PMYSQL_CON mysql) { return S(mysql)->threadId; }

std::string TMySQLAPIDirect::mysql_character_set_name(PMYSQL_CON) {
    throw Exception(std::string_view("mysql_character_set_name is not supported by the direct protocol client"));
}

PMYSQL_CON TMySQLAPIDirect::mysql_init(PMYSQL_CON) { return reinterpret_cast<PMYSQL_CON>(new TMySqlSession); }

int TMySQLAPIDirect::mysql_ssl_set(PMYSQL_CON mysql, UStringView, UStringView, UStringView, UStringView,
                                   UStringView) {
    S(mysql)->protocolType = MYSQL_PROTOCOL_SSL;
    return 0;
}

PMYSQL_CON TMySQLAPIDirect::mysql_real_connect(PMYSQL_CON mysql, UStringView host, UStringView user,
                                               UStringView passwd, UStringView db, std::uint32_t port,
                                               UStringView unixSocket, std::uint32_t clientflag) {
    TMySqlSession& s = *S(mysql);
    ClearError(s);
    try {
        s.Connect(host, user, passwd, db, static_cast<int>(port), unixSocket, clientflag);
        return mysql;
    } catch (const EMySqlException& e) {
        StoreError(s, e);
        return nullptr;
    }
}

void TMySQLAPIDirect::mysql_close(PMYSQL_CON mysql) {
    TMySqlSession* s = S(mysql);
    if (!s) return;
    try {
        s->Close();
    } catch (...) {
    }
    if (s->FResultSet) s->FResultSet->Detach();
    delete s;
}

int TMySQLAPIDirect::mysql_select_db(PMYSQL_CON mysql, UStringView db) {
    return Guard(*S(mysql), [&] { S(mysql)->SelectDb(db); });
}

int TMySQLAPIDirect::mysql_real_query(PMYSQL_CON mysql, const char* query, std::size_t length) {
    TMySqlSession& s = *S(mysql);
    return Guard(s, [&] {
        {
            std::lock_guard<std::mutex> lock(FQueryBufferCS);
            s.SimpleCommand(scQuery, reinterpret_cast<const std::uint8_t*>(query), length, true);
        }
        s.ReadQueryResult();
    });
}

int TMySQLAPIDirect::mysql_kill(PMYSQL_CON mysql, std::uint32_t pid) {
    return Guard(*S(mysql), [&] { S(mysql)->Kill(pid); });
}

int TMySQLAPIDirect::mysql_ping(PMYSQL_CON mysql) {
    return Guard(*S(mysql), [&] { S(mysql)->Ping(); });
}

std::string TMySQLAPIDirect::mysql_get_server_info(PMYSQL_CON mysql) { return S(mysql)->serverVersion; }
std::string TMySQLAPIDirect::mysql_get_client_info() { return kDirectClientInfo; }
std::string TMySQLAPIDirect::mysql_get_host_info(PMYSQL_CON mysql) { return S(mysql)->hostInfo; }

PMYSQL_RES TMySQLAPIDirect::mysql_use_result(PMYSQL_CON mysql) {
    TMySqlResultSet* result = nullptr;
    Guard(*S(mysql), [&] { result = S(mysql)->UseResult(); });
    return AsRes(result);
}

int TMySQLAPIDirect::mysql_options(PMYSQL_CON mysql, TMySqlOption option, int value) {
    TMySqlSession& s = *S(mysql);
    switch (option) {
        case MYSQL_OPT_CONNECT_TIMEOUT: s.connectTimeout = value; break;
        case MYSQL_OPT_NAMED_PIPE: s.protocolType = MYSQL_PROTOCOL_PIPE; break;
        case MYSQL_OPT_PROTOCOL: s.protocolType = value; break;
        case MYSQL_OPT_READ_TIMEOUT:
        case MYSQL_OPT_WRITE_TIMEOUT: s.commandTimeout = value; break;
        default: break;  // accepted and ignored (compression comes with CLIENT_COMPRESS)
    }
    return 0;
}

int TMySQLAPIDirect::mysql_options(PMYSQL_CON mysql, TMySqlOption option, const std::string& value) {
    if (option == MYSQL_SET_CHARSET_NAME) S(mysql)->charset = value;
    return 0;
}

void TMySQLAPIDirect::mysql_free_result(PMYSQL_RES result) {
    TMySqlResultSet* r = R(result);
    if (!r) return;
    TMySqlSession* s = r->fsession;
    // Only the result still streaming may skip packets: once it has ended, what
    // follows on the connection belongs to the next answer.
    const bool skip = s && s->FResultSet == r && !r->Eof();
    r->Detach();
    // An error among the skipped rows is the statement's error: it is kept in
    // the session's error fields for the caller to raise.
    if (skip) Guard(*s, [&] { s->FreeQuery(); });
    delete r;
}

PMYSQL_ROW TMySQLAPIDirect::mysql_fetch_row(PMYSQL_RES result) {
    TMySqlResultSet* r = R(result);
    TMySqlSession* s = r->fsession;
    if (!s) return nullptr;
    s->FErrno = 0;
    try {
        return AsRow(r->Fetch());
    } catch (const EMySqlException& e) {
        StoreError(*s, e);
        return nullptr;
    }
}

const unsigned long* TMySQLAPIDirect::mysql_fetch_lengths(PMYSQL_RES) { NotAvailable("mysql_fetch_lengths"); }
int TMySQLAPIDirect::mysql_server_init(int, char**, char**) { NotAvailable("mysql_server_init"); }
void TMySQLAPIDirect::mysql_server_end() { NotAvailable("mysql_server_end"); }

bool TMySQLAPIDirect::mysql_more_results(PMYSQL_CON mysql) {
    return (S(mysql)->serverStatus & SERVER_MORE_RESULTS_EXISTS) != 0;
}

int TMySQLAPIDirect::mysql_next_result(PMYSQL_CON mysql) {
    bool more = false;
    int code = Guard(*S(mysql), [&] { more = S(mysql)->NextResult(); });
    if (code) return code;
    return more ? 0 : -1;
}

PMYSQL_ROW TMySQLAPIDirect::_mysql_read_row(PMYSQL_RES result, int index) {
    TMySqlResultSet* r = R(result);
    TMySqlSession* s = r->fsession;
    if (!s) return nullptr;
    s->FErrno = 0;
    try {
        return AsRow(r->ReadRow(index));
    } catch (const EMySqlException& e) {
        StoreError(*s, e);
        return nullptr;
    }
}

int TMySQLAPIDirect::_mysql_fetch_options(PMYSQL_RES result, TMySqlFetchOption option, int value) {
    if (option != foKeepRowCount) throw std::logic_error("unknown fetch option");
    R(result)->SetKeepRowCount(value);
    return 0;
}

void TMySQLAPIDirect::_mysql_fetch_field_direct(PMYSQL_RES result, std::uint32_t fieldnr, bool unicode,
                                                TMYSQL_FIELD& field) {
    TMySqlResultSet* r = R(result);
    if (fieldnr >= r->ffields.size()) throw EArgumentError(std::string_view("Field index out of range"));
    const TMySqlFieldInfo& f = r->ffields[fieldnr];
    field.Name = f.Name;
    field.OrgName = f.OrgName.empty() ? f.Name : f.OrgName;
    field.Table = f.Table;
    field.OrgTable = f.OrgTable;
    field.Flags = f.Flags;
    field.MyType = f.MyType;
    field.LengthInBytes = f.Length;
    field.CharsetNr = static_cast<std::uint32_t>(f.CharsetNr);
    field.Decimals = static_cast<std::uint32_t>(f.Scale);
    const bool protocol41 = !r->fsession || r->fsession->IsProtocol41();
    if (unicode && !f.Table.empty() && !protocol41) {
        switch (f.MyType) {
            case MYSQL_TYPE_VARCHAR:
            case MYSQL_TYPE_JSON:
            case MYSQL_TYPE_ENUM:
            case MYSQL_TYPE_SET:
            case MYSQL_TYPE_VAR_STRING:
            case MYSQL_TYPE_STRING: field.LengthInBytes *= 3; break;
            default: break;
        }
    }
}

void TMySQLAPIDirect::_mysql_fetch_lengths(PMYSQL_RES result, std::uint32_t* lengths) {
    const TMySqlBind* item = R(result)->FBinds.Items.data();
    const std::size_t n = R(result)->FBinds.Items.size();
    for (std::size_t i = 0; i < n; ++i) lengths[i] = item[i].Length;
}

bool TMySQLAPIDirect::_mysql_fetch_value_is_null(PMYSQL_ROW row, std::uint32_t fieldnr) {
    const TMySqlBind* item = Item(row, fieldnr);
    return !item || item->IsNull();
}

const char* TMySQLAPIDirect::_mysql_fetch_value_ptr(PMYSQL_RES, PMYSQL_ROW row, std::uint32_t fieldnr) {
    const TMySqlBinds* b = Row(row);
    if (!b || !InRange(*b, fieldnr)) return nullptr;
    const std::uint32_t offset = b->Items[fieldnr].Offset;
    if (offset == 0) return nullptr;
    return reinterpret_cast<const char*>(b->Buffer) + offset;
}

void TMySQLAPIDirect::_mysql_fetch_value_to_buff(PMYSQL_ROW row, std::uint32_t fieldnr, void* dest,
                                                 std::uint32_t length) {
    _mysql_fetch_value_to_buff(row, fieldnr, dest, 0, length);
}

void TMySQLAPIDirect::_mysql_fetch_value_to_buff(PMYSQL_ROW row, std::uint32_t fieldnr, void* dest,
                                                 std::size_t destOffset, std::uint32_t length) {
    const TMySqlBind* item = Item(row, fieldnr);
    if (!item || item->IsNull() || length == 0) return;
    // Never more than the value holds: the row bytes end where the packet ends.
    std::memcpy(static_cast<char*>(dest) + destOffset, Row(row)->Buffer + item->Offset,
                std::min(length, item->Length));
}

void TMySQLAPIDirect::_mysql_fetch_value_to_str(PMYSQL_ROW row, std::uint32_t fieldnr, std::uint32_t length,
                                                char* dest) {
    const TMySqlBind* item = Item(row, fieldnr);
    std::uint32_t n = 0;
    if (item && !item->IsNull()) {
        n = std::min(length, item->Length);
        if (n) std::memcpy(dest, Row(row)->Buffer + item->Offset, n);
    }
    dest[n] = '\0';
}

const char* TMySQLAPIDirect::_mysql_fetch_value_arr(PMYSQL_ROW row, std::uint32_t fieldnr, std::uint32_t& offset) {
    const TMySqlBind* item = Item(row, fieldnr);
    offset = item ? item->Offset : 0;
    return reinterpret_cast<const char*>(Row(row)->Buffer);
}

std::string TMySQLAPIDirect::_mysql_fetch_value_str(PMYSQL_ROW row, std::uint32_t fieldnr) {
    const TMySqlBind* item = Item(row, fieldnr);
    if (!item || item->IsNull()) return {};
    return std::string(reinterpret_cast<const char*>(Row(row)->Buffer) + item->Offset, item->Length);
}

bool TMySQLAPIDirect::_mysql_server_status(PMYSQL_CON mysql, std::uint32_t& status) {
    status = S(mysql)->serverStatus;
    return true;
}

void TMySQLAPIDirect::_mysql_fetch_row_values(PMYSQL_RES, PMYSQL_ROW row, std::uint32_t count, const char** values,
                                              std::uint32_t* lengths) {
    const TMySqlBinds* b = Row(row);
    const std::size_t n = b ? std::min<std::size_t>(count, b->Items.size()) : 0;
    if (n) {
        const TMySqlBind* item = b->Items.data();
        const char* base = reinterpret_cast<const char*>(b->Buffer);
        for (std::size_t i = 0; i < n; ++i) {
            values[i] = item[i].IsNull() ? nullptr : base + item[i].Offset;
            lengths[i] = item[i].Length;
        }
    }
    for (std::size_t i = n; i < count; ++i) {
        values[i] = nullptr;
        lengths[i] = 0;
    }
}

void TMySQLAPIDirect::SetTimeout(PMYSQL_CON mysql, int seconds) {
    if (seconds == 0) seconds = 31536000;  // one year: no practical limit
    mysql_options(mysql, MYSQL_OPT_READ_TIMEOUT, seconds);
    mysql_options(mysql, MYSQL_OPT_WRITE_TIMEOUT, seconds);
}

void TMySQLAPIDirect::SetIPVersion(PMYSQL_CON mysql, TIPVersion version) { S(mysql)->FIPVersion = version; }

void TMySQLAPIDirect::SetOnDialogAuthPlugin(PMYSQL_CON mysql, TDialogAuthPlugin callback) {
    S(mysql)->FOnDialogAuthPlugin = std::move(callback);
}

// --- prepared statements ---

PMYSQL_STMT TMySQLAPIDirect::mysql_stmt_init(PMYSQL_CON mysql) {
    return reinterpret_cast<PMYSQL_STMT>(new TMySqlStmt(S(mysql)));
}

int TMySQLAPIDirect::mysql_stmt_prepare(PMYSQL_STMT stmt, const char* query, std::size_t length) {
    return Guard(*St(stmt), [&] { St(stmt)->Prepare(query, length); });
}

int TMySQLAPIDirect::mysql_stmt_execute(PMYSQL_STMT stmt) {
    return Guard(*St(stmt), [&] { St(stmt)->Execute(); });
}

std::uint32_t TMySQLAPIDirect::mysql_stmt_param_count(PMYSQL_STMT stmt) { return St(stmt)->ParamCount(); }

bool TMySQLAPIDirect::mysql_stmt_bind_param(PMYSQL_STMT stmt, TMySqlStmtBind* binds) {
    St(stmt)->BindParams(binds);
    return false;
}

bool TMySQLAPIDirect::mysql_stmt_bind_result(PMYSQL_STMT stmt, TMySqlStmtBind* binds) {
    St(stmt)->BindResult(binds);
    return false;
}

std::uint32_t TMySQLAPIDirect::mysql_stmt_field_count(PMYSQL_STMT stmt) { return St(stmt)->FieldCount(); }

bool TMySQLAPIDirect::mysql_stmt_close(PMYSQL_STMT stmt) {
    TMySqlStmt* st = St(stmt);
    int code = Guard(*st, [&] { st->Close(); });
    delete st;
    return code != 0;
}

bool TMySQLAPIDirect::mysql_stmt_free_result(PMYSQL_STMT stmt) {
    return Guard(*St(stmt), [&] { St(stmt)->FreeResult(); }) != 0;
}

std::uint32_t TMySQLAPIDirect::mysql_stmt_errno(PMYSQL_STMT stmt) {
    return static_cast<std::uint32_t>(St(stmt)->FErrno);
}
std::string TMySQLAPIDirect::mysql_stmt_error(PMYSQL_STMT stmt) { return St(stmt)->FError; }
bool TMySQLAPIDirect::mysql_stmt_isservererror(PMYSQL_STMT stmt) { return St(stmt)->FIsServerError; }

int TMySQLAPIDirect::mysql_stmt_fetch(PMYSQL_STMT stmt) {
    int result = 0;
    if (Guard(*St(stmt), [&] { result = St(stmt)->Fetch(); })) return 1;
    return result;
}

int TMySQLAPIDirect::mysql_stmt_fetch_column(PMYSQL_STMT stmt, TMySqlStmtBind* bind, std::uint32_t column,
                                             std::uint32_t offset) {
    int result = 0;
    if (Guard(*St(stmt), [&] { result = St(stmt)->FetchColumn(bind, column, offset); })) return 1;
    return result;
}

bool TMySQLAPIDirect::mysql_stmt_send_long_data(PMYSQL_STMT stmt, std::uint32_t paramNumber, const char* data,
                                                std::size_t length) {
    return Guard(*St(stmt), [&] { St(stmt)->SendLongData(paramNumber, data, length); }) != 0;
}

PMYSQL_RES TMySQLAPIDirect::mysql_stmt_result_metadata(PMYSQL_STMT stmt) {
    TMySqlStmt* st = St(stmt);
    if (st->FieldCount() == 0) return nullptr;
    return AsRes(new TMySqlResultSet(nullptr, st->Fields(), st->FieldCount(), true));
}

PMYSQL_RES TMySQLAPIDirect::mysql_stmt_param_metadata(PMYSQL_STMT stmt) {
    TMySqlStmt* st = St(stmt);
    if (st->ParamCount() == 0) return nullptr;
    return AsRes(new TMySqlResultSet(nullptr, st->Params(), st->ParamCount(), true));
}

std::uint64_t TMySQLAPIDirect::mysql_stmt_affected_rows(PMYSQL_STMT stmt) { return St(stmt)->affectedRows; }

int TMySQLAPIDirect::mysql_stmt_store_result(PMYSQL_STMT) {
    // Rows stay on the connection and are read by fetching; nothing to store.
    return 0;
}

PMYSQL_ROW TMySQLAPIDirect::_mysql_stmt_fetch(PMYSQL_STMT stmt) {
    TMySqlBinds* row = nullptr;
    Guard(*St(stmt), [&] { row = St(stmt)->FetchRow(); });
    return AsRow(row);
}

int TMySQLAPIDirect::_mysql_stmt_execute(PMYSQL_STMT stmt) { return mysql_stmt_execute(stmt); }

bool TMySQLAPIDirect::_mysql_stmt_bind_param(PMYSQL_STMT stmt, TMySqlStmtBind* binds) {
    return mysql_stmt_bind_param(stmt, binds);
}

bool TMySQLAPIDirect::_mysql_stmt_bind_result(PMYSQL_STMT stmt, TMySqlStmtBind* binds) {
    return mysql_stmt_bind_result(stmt, binds);
}

int TMySQLAPIDirect::_mysql_stmt_fetch_column(PMYSQL_STMT stmt, TMySqlStmtBind* bind, std::uint32_t column,
                                              std::uint32_t offset) {
    return mysql_stmt_fetch_column(stmt, bind, column, offset);
}

void TMySQLAPIDirect::_mysql_stmt_fetch_lengths(PMYSQL_STMT stmt, std::uint32_t* lengths) {
    TMySqlBinds* row = St(stmt)->CurrentRow();
    if (!row) return;
    for (std::size_t i = 0; i < row->Items.size(); ++i) lengths[i] = row->Items[i].Length;
}

const char* TMySQLAPIDirect::_mysql_stmt_fetch_value_ptr(PMYSQL_STMT stmt, std::uint32_t fieldnr) {
    TMySqlBinds* row = St(stmt)->CurrentRow();
    return _mysql_fetch_value_ptr(nullptr, AsRow(row), fieldnr);
}

}  // namespace brevant
