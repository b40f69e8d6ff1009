#pragma once
// The protocol operation set: the operations, named after the MySQL client
// library's functions, through which sessions and record sets reach a server.
// TMySQLAPIDirect implements them over this layer's own protocol client; the
// client-library and embedded-server paths implement them over a loaded library.
// Handles are opaque: each implementation knows what its handles point to.

#include <cstdint>
#include <string>
#include <vector>

#include "core/Text.h"

namespace brevant {

struct MYSQL_CON_T;
struct MYSQL_RES_T;
struct MYSQL_ROW_T;
struct MYSQL_STMT_T;
using PMYSQL_CON = MYSQL_CON_T*;    // a session
using PMYSQL_RES = MYSQL_RES_T*;    // a result
using PMYSQL_ROW = MYSQL_ROW_T*;    // the current row of a result
using PMYSQL_STMT = MYSQL_STMT_T*;  // a prepared statement

/// Layout generation of a client library's structures; cvDirect for this client.
enum TClientStructVer { cvDirect, cv3, cv4, cv410, cv411 };

/// Option codes of mysql_options (the standard client numbering).
enum TMySqlOption : int {
    MYSQL_OPT_CONNECT_TIMEOUT = 0,
    MYSQL_OPT_COMPRESS = 1,
    MYSQL_OPT_NAMED_PIPE = 2,
    MYSQL_INIT_COMMAND = 3,
    MYSQL_READ_DEFAULT_FILE = 4,
    MYSQL_READ_DEFAULT_GROUP = 5,
    MYSQL_SET_CHARSET_DIR = 6,
    MYSQL_SET_CHARSET_NAME = 7,
    MYSQL_OPT_LOCAL_INFILE = 8,
    MYSQL_OPT_PROTOCOL = 9,
    MYSQL_SHARED_MEMORY_BASE_NAME = 10,
    MYSQL_OPT_READ_TIMEOUT = 11,
    MYSQL_OPT_WRITE_TIMEOUT = 12,
};

/// Options of _mysql_fetch_options.
enum TMySqlFetchOption { foKeepRowCount };

/// A column description as the record set reads it.
struct TMYSQL_FIELD {
    std::string Name, OrgName, Table, OrgTable;  // 8-bit text
    std::uint32_t LengthInBytes = 0;
    std::uint32_t Flags = 0;
    std::uint32_t Decimals = 0;
    std::uint32_t CharsetNr = 0;
    std::uint8_t MyType = 0;
};

/// One parameter or result column of a prepared statement, as the caller binds
/// it. BufferType is a MYSQL_TYPE code: TINY, SHORT, LONG, LONGLONG, FLOAT and
/// DOUBLE are fixed-width numbers in Buffer; every other type is BufferLength
/// bytes (parameters: *Length when Length is set).
struct TMySqlStmtBind {
    std::uint8_t BufferType = 6;  // MYSQL_TYPE_NULL
    void* Buffer = nullptr;
    std::uint32_t BufferLength = 0;
    std::uint32_t* Length = nullptr;
    bool* IsNull = nullptr;
    bool IsUnsigned = false;
    bool* Error = nullptr;  // results: set when the value did not fit
};

/// mysql_stmt_fetch results besides 0 and 1.
constexpr int MYSQL_NO_DATA = 100;
constexpr int MYSQL_DATA_TRUNCATED = 101;

class TMySQLAPI {
public:
    virtual ~TMySQLAPI() = default;

    virtual std::uint32_t mysql_num_fields(PMYSQL_RES result) = 0;
    virtual std::uint32_t mysql_field_count(PMYSQL_CON mysql) = 0;
    virtual std::uint64_t mysql_affected_rows(PMYSQL_CON mysql) = 0;
    virtual std::uint64_t mysql_insert_id(PMYSQL_CON mysql) = 0;
    virtual std::uint32_t mysql_errno(PMYSQL_CON mysql) = 0;
    /// 8-bit text (server errors as the server sent them).
    virtual std::string mysql_error(PMYSQL_CON mysql) = 0;
    virtual bool mysql_isservererror(PMYSQL_CON mysql) = 0;
    virtual std::string mysql_info(PMYSQL_CON mysql) = 0;
    virtual std::uint32_t mysql_thread_id(PMYSQL_CON mysql) = 0;
    virtual std::string mysql_character_set_name(PMYSQL_CON mysql) = 0;
    virtual PMYSQL_CON mysql_init(PMYSQL_CON mysql = nullptr) = 0;
    virtual int mysql_ssl_set(PMYSQL_CON mysql, UStringView key, UStringView cert, UStringView ca,
                              UStringView capath, UStringView cipher) = 0;
    virtual PMYSQL_CON mysql_real_connect(PMYSQL_CON mysql, UStringView host, UStringView user, UStringView passwd,
                                          UStringView db, std::uint32_t port, UStringView unixSocket,
                                          std::uint32_t clientflag) = 0;
    virtual void mysql_close(PMYSQL_CON mysql) = 0;
    virtual int mysql_select_db(PMYSQL_CON mysql, UStringView db) = 0;
    virtual int mysql_real_query(PMYSQL_CON mysql, const char* query, std::size_t length) = 0;
    virtual int mysql_kill(PMYSQL_CON mysql, std::uint32_t pid) = 0;
    virtual int mysql_ping(PMYSQL_CON mysql) = 0;
    virtual std::string mysql_get_server_info(PMYSQL_CON mysql) = 0;
    virtual std::string mysql_get_client_info() = 0;
    virtual std::string mysql_get_host_info(PMYSQL_CON mysql) = 0;
    virtual PMYSQL_RES mysql_use_result(PMYSQL_CON mysql) = 0;
    virtual int mysql_options(PMYSQL_CON mysql, TMySqlOption option, int value) = 0;
    virtual int mysql_options(PMYSQL_CON mysql, TMySqlOption option, const std::string& value) = 0;
    virtual void mysql_free_result(PMYSQL_RES result) = 0;
    virtual PMYSQL_ROW mysql_fetch_row(PMYSQL_RES result) = 0;
    virtual const unsigned long* mysql_fetch_lengths(PMYSQL_RES result) = 0;
    virtual int mysql_server_init(int argc, char** argv, char** groups) = 0;
    virtual void mysql_server_end() = 0;

    virtual PMYSQL_STMT mysql_stmt_init(PMYSQL_CON mysql) = 0;
    virtual int mysql_stmt_prepare(PMYSQL_STMT stmt, const char* query, std::size_t length) = 0;
    virtual int mysql_stmt_execute(PMYSQL_STMT stmt) = 0;
    virtual std::uint32_t mysql_stmt_param_count(PMYSQL_STMT stmt) = 0;
    virtual bool mysql_stmt_bind_param(PMYSQL_STMT stmt, TMySqlStmtBind* binds) = 0;
    virtual bool mysql_stmt_bind_result(PMYSQL_STMT stmt, TMySqlStmtBind* binds) = 0;
    virtual std::uint32_t mysql_stmt_field_count(PMYSQL_STMT stmt) = 0;
    virtual bool mysql_stmt_close(PMYSQL_STMT stmt) = 0;
    virtual bool mysql_stmt_free_result(PMYSQL_STMT stmt) = 0;
    virtual std::uint32_t mysql_stmt_errno(PMYSQL_STMT stmt) = 0;
    virtual std::string mysql_stmt_error(PMYSQL_STMT stmt) = 0;
    virtual bool mysql_stmt_isservererror(PMYSQL_STMT stmt) = 0;
    virtual int mysql_stmt_fetch(PMYSQL_STMT stmt) = 0;
    virtual int mysql_stmt_fetch_column(PMYSQL_STMT stmt, TMySqlStmtBind* bind, std::uint32_t column,
                                        std::uint32_t offset) = 0;
    virtual bool mysql_stmt_send_long_data(PMYSQL_STMT stmt, std::uint32_t paramNumber, const char* data,
                                           std::size_t length) = 0;
    virtual PMYSQL_RES mysql_stmt_result_metadata(PMYSQL_STMT stmt) = 0;
    virtual PMYSQL_RES mysql_stmt_param_metadata(PMYSQL_STMT stmt) = 0;
    virtual std::uint64_t mysql_stmt_affected_rows(PMYSQL_STMT stmt) = 0;
    virtual int mysql_stmt_store_result(PMYSQL_STMT stmt) = 0;

    virtual bool mysql_more_results(PMYSQL_CON mysql) = 0;
    /// 0: another result was read; -1: none; otherwise the error code.
    virtual int mysql_next_result(PMYSQL_CON mysql) = 0;

    virtual bool LoadedMySQLLib() = 0;
    virtual void LoadMySQLLib() = 0;
    virtual void FreeMySQLLib() = 0;
    virtual void CheckMySQLLib() = 0;
    /// The embedded server's start arguments, handed over before CheckMySQLLib;
    /// the other implementations take no notice.
    virtual void SetParams(const std::vector<UString>& /*params*/) {}

    // Row helpers: what the record set reads rows through.
    virtual PMYSQL_ROW _mysql_read_row(PMYSQL_RES result, int index) = 0;
    virtual int _mysql_fetch_options(PMYSQL_RES result, TMySqlFetchOption option, int value) = 0;
    virtual void _mysql_fetch_field_direct(PMYSQL_RES result, std::uint32_t fieldnr, bool unicode,
                                           TMYSQL_FIELD& field) = 0;
    virtual void _mysql_fetch_lengths(PMYSQL_RES result, std::uint32_t* lengths) = 0;
    virtual bool _mysql_fetch_value_is_null(PMYSQL_ROW row, std::uint32_t fieldnr) = 0;
    virtual const char* _mysql_fetch_value_ptr(PMYSQL_RES result, PMYSQL_ROW row, std::uint32_t fieldnr) = 0;
    virtual void _mysql_fetch_value_to_buff(PMYSQL_ROW row, std::uint32_t fieldnr, void* dest, std::uint32_t length) = 0;
    virtual void _mysql_fetch_value_to_buff(PMYSQL_ROW row, std::uint32_t fieldnr, void* dest, std::size_t destOffset,
                                            std::uint32_t length) = 0;
    virtual void _mysql_fetch_value_to_str(PMYSQL_ROW row, std::uint32_t fieldnr, std::uint32_t length, char* dest) = 0;
    /// The row bytes and the value's offset in them.
    virtual const char* _mysql_fetch_value_arr(PMYSQL_ROW row, std::uint32_t fieldnr, std::uint32_t& offset) = 0;
    virtual std::string _mysql_fetch_value_str(PMYSQL_ROW row, std::uint32_t fieldnr) = 0;
    /// The whole current row at once, which is how rows are best read: for each
    /// of the result's `count` (mysql_num_fields) columns its value pointer
    /// (nullptr for NULL) in values and its length in lengths. Implementations
    /// that can hand out a row in one pass override this.
    virtual void _mysql_fetch_row_values(PMYSQL_RES result, PMYSQL_ROW row, std::uint32_t count, const char** values,
                                         std::uint32_t* lengths) {
        _mysql_fetch_lengths(result, lengths);
        for (std::uint32_t i = 0; i < count; ++i) values[i] = _mysql_fetch_value_ptr(result, row, i);
    }

    // Prepared-statement counterparts.
    virtual PMYSQL_ROW _mysql_stmt_fetch(PMYSQL_STMT stmt) = 0;
    virtual int _mysql_stmt_execute(PMYSQL_STMT stmt) = 0;
    virtual bool _mysql_stmt_bind_param(PMYSQL_STMT stmt, TMySqlStmtBind* binds) = 0;
    virtual bool _mysql_stmt_bind_result(PMYSQL_STMT stmt, TMySqlStmtBind* binds) = 0;
    virtual int _mysql_stmt_fetch_column(PMYSQL_STMT stmt, TMySqlStmtBind* bind, std::uint32_t column,
                                         std::uint32_t offset) = 0;
    virtual void _mysql_stmt_fetch_lengths(PMYSQL_STMT stmt, std::uint32_t* lengths) = 0;
    virtual const char* _mysql_stmt_fetch_value_ptr(PMYSQL_STMT stmt, std::uint32_t fieldnr) = 0;

    /// Sets the command timeout; 0 means no limit (one year for this client).
    virtual void SetTimeout(PMYSQL_CON mysql, int seconds) = 0;
    /// The server status flags of the last answer (greeting, OK or EOF packet);
    /// false when this implementation cannot tell.
    virtual bool _mysql_server_status(PMYSQL_CON /*mysql*/, std::uint32_t& /*status*/) { return false; }

    const std::string& ClientVer() const { return FClientVer; }
    TClientStructVer ClientStructVer() const { return FClientStructVer; }

protected:
    std::string FClientVer;
    TClientStructVer FClientStructVer = cvDirect;
};

}  // namespace brevant
