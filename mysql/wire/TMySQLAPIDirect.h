#pragma once
// The operation set over this layer's own protocol client. A session handle is
// a TMySqlSession, a result a TMySqlResultSet, a row its TMySqlBinds, a statement
// a TMySqlStmt. Every operation catches EMySqlException and stores code, text and
// server flag on the session (or statement); other exceptions pass through.

#include <mutex>

#include "mysql/wire/TMySQLAPI.h"
#include "mysql/wire/TMySqlSession.h"

namespace brevant {

inline constexpr char kDirectClientInfo[] = "8.0.0 Direct";

class TMySQLAPIDirect : public TMySQLAPI {
public:
    TMySQLAPIDirect();

    std::uint32_t mysql_num_fields(PMYSQL_RES result) override;
    std::uint32_t mysql_field_count(PMYSQL_CON mysql) override;
    std::uint64_t mysql_affected_rows(PMYSQL_CON mysql) override;
    std::uint64_t mysql_insert_id(PMYSQL_CON mysql) override;
    std::uint32_t mysql_errno(PMYSQL_CON mysql) override;
    std::string mysql_error(PMYSQL_CON mysql) override;
    bool mysql_isservererror(PMYSQL_CON mysql) override;
    std::string mysql_info(PMYSQL_CON mysql) override;
    std::uint32_t mysql_thread_id(PMYSQL_CON mysql) override;
    std::string mysql_character_set_name(PMYSQL_CON mysql) override;
    PMYSQL_CON mysql_init(PMYSQL_CON mysql = nullptr) override;
    int mysql_ssl_set(PMYSQL_CON mysql, UStringView key, UStringView cert, UStringView ca, UStringView capath,
                      UStringView cipher) override;
    PMYSQL_CON mysql_real_connect(PMYSQL_CON mysql, UStringView host, UStringView user, UStringView passwd,
                                  UStringView db, std::uint32_t port, UStringView unixSocket,
                                  std::uint32_t clientflag) override;
    void mysql_close(PMYSQL_CON mysql) override;
    int mysql_select_db(PMYSQL_CON mysql, UStringView db) override;
    int mysql_real_query(PMYSQL_CON mysql, const char* query, std::size_t length) override;
    int mysql_kill(PMYSQL_CON mysql, std::uint32_t pid) override;
    int mysql_ping(PMYSQL_CON mysql) override;
    std::string mysql_get_server_info(PMYSQL_CON mysql) override;
    std::string mysql_get_client_info() override;
    std::string mysql_get_host_info(PMYSQL_CON mysql) override;
    PMYSQL_RES mysql_use_result(PMYSQL_CON mysql) override;
    int mysql_options(PMYSQL_CON mysql, TMySqlOption option, int value) override;
    int mysql_options(PMYSQL_CON mysql, TMySqlOption option, const std::string& value) override;
    void mysql_free_result(PMYSQL_RES result) override;
    PMYSQL_ROW mysql_fetch_row(PMYSQL_RES result) override;
    const unsigned long* mysql_fetch_lengths(PMYSQL_RES result) override;
    int mysql_server_init(int argc, char** argv, char** groups) override;
    void mysql_server_end() override;

    PMYSQL_STMT mysql_stmt_init(PMYSQL_CON mysql) override;
    int mysql_stmt_prepare(PMYSQL_STMT stmt, const char* query, std::size_t length) override;
    int mysql_stmt_execute(PMYSQL_STMT stmt) override;
    std::uint32_t mysql_stmt_param_count(PMYSQL_STMT stmt) override;
    bool mysql_stmt_bind_param(PMYSQL_STMT stmt, TMySqlStmtBind* binds) override;
    bool mysql_stmt_bind_result(PMYSQL_STMT stmt, TMySqlStmtBind* binds) override;
    std::uint32_t mysql_stmt_field_count(PMYSQL_STMT stmt) override;
    bool mysql_stmt_close(PMYSQL_STMT stmt) override;
    bool mysql_stmt_free_result(PMYSQL_STMT stmt) override;
    std::uint32_t mysql_stmt_errno(PMYSQL_STMT stmt) override;
    std::string mysql_stmt_error(PMYSQL_STMT stmt) override;
    bool mysql_stmt_isservererror(PMYSQL_STMT stmt) override;
    int mysql_stmt_fetch(PMYSQL_STMT stmt) override;
    int mysql_stmt_fetch_column(PMYSQL_STMT stmt, TMySqlStmtBind* bind, std::uint32_t column,
                                std::uint32_t offset) override;
    bool mysql_stmt_send_long_data(PMYSQL_STMT stmt, std::uint32_t paramNumber, const char* data,
                                   std::size_t length) override;
    PMYSQL_RES mysql_stmt_result_metadata(PMYSQL_STMT stmt) override;
    PMYSQL_RES mysql_stmt_param_metadata(PMYSQL_STMT stmt) override;
    std::uint64_t mysql_stmt_affected_rows(PMYSQL_STMT stmt) override;
    int mysql_stmt_store_result(PMYSQL_STMT stmt) override;

    bool mysql_more_results(PMYSQL_CON mysql) override;
    int mysql_next_result(PMYSQL_CON mysql) override;

    bool LoadedMySQLLib() override { return true; }
    void LoadMySQLLib() override {}
    void FreeMySQLLib() override {}
    void CheckMySQLLib() override;

    PMYSQL_ROW _mysql_read_row(PMYSQL_RES result, int index) override;
    int _mysql_fetch_options(PMYSQL_RES result, TMySqlFetchOption option, int value) override;
    void _mysql_fetch_field_direct(PMYSQL_RES result, std::uint32_t fieldnr, bool unicode,
                                   TMYSQL_FIELD& field) override;
    void _mysql_fetch_lengths(PMYSQL_RES result, std::uint32_t* lengths) override;
    bool _mysql_fetch_value_is_null(PMYSQL_ROW row, std::uint32_t fieldnr) override;
    const char* _mysql_fetch_value_ptr(PMYSQL_RES result, PMYSQL_ROW row, std::uint32_t fieldnr) override;
    void _mysql_fetch_value_to_buff(PMYSQL_ROW row, std::uint32_t fieldnr, void* dest, std::uint32_t length) override;
    void _mysql_fetch_value_to_buff(PMYSQL_ROW row, std::uint32_t fieldnr, void* dest, std::size_t destOffset,
                                    std::uint32_t length) override;
    void _mysql_fetch_value_to_str(PMYSQL_ROW row, std::uint32_t fieldnr, std::uint32_t length, char* dest) override;
    const char* _mysql_fetch_value_arr(PMYSQL_ROW row, std::uint32_t fieldnr, std::uint32_t& offset) override;
    std::string _mysql_fetch_value_str(PMYSQL_ROW row, std::uint32_t fieldnr) override;
    void _mysql_fetch_row_values(PMYSQL_RES result, PMYSQL_ROW row, std::uint32_t count, const char** values,
                                 std::uint32_t* lengths) override;

    PMYSQL_ROW _mysql_stmt_fetch(PMYSQL_STMT stmt) override;
    int _mysql_stmt_execute(PMYSQL_STMT stmt) override;
    bool _mysql_stmt_bind_param(PMYSQL_STMT stmt, TMySqlStmtBind* binds) override;
    bool _mysql_stmt_bind_result(PMYSQL_STMT stmt, TMySqlStmtBind* binds) override;
    int _mysql_stmt_fetch_column(PMYSQL_STMT stmt, TMySqlStmtBind* bind, std::uint32_t column,
                                 std::uint32_t offset) override;
    void _mysql_stmt_fetch_lengths(PMYSQL_STMT stmt, std::uint32_t* lengths) override;
    const char* _mysql_stmt_fetch_value_ptr(PMYSQL_STMT stmt, std::uint32_t fieldnr) override;

    void SetTimeout(PMYSQL_CON mysql, int seconds) override;
    bool _mysql_server_status(PMYSQL_CON mysql, std::uint32_t& status) override;

    // Configuration that is not part of the operation set.
    void SetIPVersion(PMYSQL_CON mysql, TIPVersion version);
    void SetOnDialogAuthPlugin(PMYSQL_CON mysql, TDialogAuthPlugin callback);

    /// The session behind a handle (for tests and the layers that configure it).
    static TMySqlSession* Session(PMYSQL_CON mysql) { return reinterpret_cast<TMySqlSession*>(mysql); }

private:
    /// Serialises the sending of queries across all sessions of the process.
    static std::mutex FQueryBufferCS;
};

}  // namespace brevant
