#pragma once
// A scripted stand-in for the protocol operation set: records what a session asks
// for (options, connect arguments, statements, closes) and answers as told. It lets
// the session's own logic be tested without a server; the real protocol client is
// tested against the real server.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "mysql/wire/TMySQLAPI.h"

namespace brevant::test {

struct FakeError {
    std::uint32_t code = 0;
    std::string message;
    bool server = true;
};

class FakeMySQLAPI : public TMySQLAPI {
public:
    FakeMySQLAPI();
    ~FakeMySQLAPI() override;

    // --- what the session did ---
    struct Option {
        TMySqlOption option;
        int value;
        std::string text;
    };
    std::vector<Option> options;
    struct ConnectCall {
        UString host, user, password, db;
        std::uint32_t port;
        std::uint32_t flags;
    };
    std::vector<ConnectCall> connects;
    std::vector<std::string> statements;  // every mysql_real_query text
    std::vector<UString> selectedDbs;
    std::vector<int> timeouts;           // SetTimeout values
    int inits = 0, closes = 0, pings = 0, openHandles = 0;

    // --- how it answers ---
    std::string serverVersion = "10.11.6-MariaDB";
    TClientStructVer structVer = cvDirect;
    std::string clientInfo = "fake client 1.0";
    std::string sqlMode = "STRICT_TRANS_TABLES";
    std::optional<FakeError> connectError;
    /// Statements that fail (by exact text), each with its error; consumed on use
    /// when `once` is set.
    struct QueryFailure {
        std::string text;
        FakeError error;
        bool once = true;
    };
    std::vector<QueryFailure> queryFailures;
    /// When set, every query fails with this error (a lost session).
    std::optional<FakeError> allQueriesFail;
    int pingResult = 0;
    std::uint64_t insertId = 0;
    std::uint64_t affectedRows = 0;

    void ClearLog() {
        options.clear(); connects.clear(); statements.clear(); selectedDbs.clear(); timeouts.clear();
        inits = closes = pings = 0;
    }

    // --- the operation set ---
    std::uint32_t mysql_num_fields(PMYSQL_RES) override { return 1; }
    std::uint32_t mysql_field_count(PMYSQL_CON mysql) override;
    std::uint64_t mysql_affected_rows(PMYSQL_CON) override { return affectedRows; }
    std::uint64_t mysql_insert_id(PMYSQL_CON) override { return insertId; }
    std::uint32_t mysql_errno(PMYSQL_CON mysql) override;
    std::string mysql_error(PMYSQL_CON mysql) override;
    bool mysql_isservererror(PMYSQL_CON mysql) override;
    std::string mysql_info(PMYSQL_CON) override { return {}; }
    std::uint32_t mysql_thread_id(PMYSQL_CON) override { return 42; }
    std::string mysql_character_set_name(PMYSQL_CON) override { return {}; }
    PMYSQL_CON mysql_init(PMYSQL_CON mysql = nullptr) override;
    int mysql_ssl_set(PMYSQL_CON, UStringView, UStringView, UStringView, UStringView, UStringView) override;
    PMYSQL_CON mysql_real_connect(PMYSQL_CON mysql, UStringView host, UStringView user, UStringView passwd,
                                  UStringView db, std::uint32_t port, UStringView unixSocket,
                                  std::uint32_t clientflag) override;
    void mysql_close(PMYSQL_CON mysql) override;
    int mysql_select_db(PMYSQL_CON mysql, UStringView db) override;
    int mysql_real_query(PMYSQL_CON mysql, const char* query, std::size_t length) override;
    int mysql_kill(PMYSQL_CON, std::uint32_t) override { return 0; }
    int mysql_ping(PMYSQL_CON mysql) override;
    std::string mysql_get_server_info(PMYSQL_CON) override { return serverVersion; }
    std::string mysql_get_client_info() override { return clientInfo; }
    std::string mysql_get_host_info(PMYSQL_CON) override { return {}; }
    PMYSQL_RES mysql_use_result(PMYSQL_CON mysql) override;
    int mysql_options(PMYSQL_CON mysql, TMySqlOption option, int value) override;
    int mysql_options(PMYSQL_CON mysql, TMySqlOption option, const std::string& value) override;
    void mysql_free_result(PMYSQL_RES result) override;
    PMYSQL_ROW mysql_fetch_row(PMYSQL_RES result) override;
    const unsigned long* mysql_fetch_lengths(PMYSQL_RES) override { return nullptr; }
    int mysql_server_init(int, char**, char**) override { return 0; }
    void mysql_server_end() override {}

    PMYSQL_STMT mysql_stmt_init(PMYSQL_CON) override { return nullptr; }
    int mysql_stmt_prepare(PMYSQL_STMT, const char*, std::size_t) override { return 1; }
    int mysql_stmt_execute(PMYSQL_STMT) override { return 1; }
    std::uint32_t mysql_stmt_param_count(PMYSQL_STMT) override { return 0; }
    bool mysql_stmt_bind_param(PMYSQL_STMT, TMySqlStmtBind*) override { return true; }
    bool mysql_stmt_bind_result(PMYSQL_STMT, TMySqlStmtBind*) override { return true; }
    std::uint32_t mysql_stmt_field_count(PMYSQL_STMT) override { return 0; }
    bool mysql_stmt_close(PMYSQL_STMT) override { return false; }
    bool mysql_stmt_free_result(PMYSQL_STMT) override { return false; }
    std::uint32_t mysql_stmt_errno(PMYSQL_STMT) override { return 0; }
    std::string mysql_stmt_error(PMYSQL_STMT) override { return {}; }
    bool mysql_stmt_isservererror(PMYSQL_STMT) override { return false; }
    int mysql_stmt_fetch(PMYSQL_STMT) override { return MYSQL_NO_DATA; }
    int mysql_stmt_fetch_column(PMYSQL_STMT, TMySqlStmtBind*, std::uint32_t, std::uint32_t) override { return 1; }
    bool mysql_stmt_send_long_data(PMYSQL_STMT, std::uint32_t, const char*, std::size_t) override { return true; }
    PMYSQL_RES mysql_stmt_result_metadata(PMYSQL_STMT) override { return nullptr; }
    PMYSQL_RES mysql_stmt_param_metadata(PMYSQL_STMT) override { return nullptr; }
    std::uint64_t mysql_stmt_affected_rows(PMYSQL_STMT) override { return 0; }
    int mysql_stmt_store_result(PMYSQL_STMT) override { return 1; }

    bool mysql_more_results(PMYSQL_CON) override { return false; }
    int mysql_next_result(PMYSQL_CON) override { return -1; }

    bool LoadedMySQLLib() override { return true; }
    void LoadMySQLLib() override {}
    void FreeMySQLLib() override {}
    void CheckMySQLLib() override { FClientStructVer = structVer; }

    PMYSQL_ROW _mysql_read_row(PMYSQL_RES, int) override { return nullptr; }
    int _mysql_fetch_options(PMYSQL_RES, TMySqlFetchOption, int) override { return 0; }
    void _mysql_fetch_field_direct(PMYSQL_RES, std::uint32_t, bool, TMYSQL_FIELD&) override {}
    void _mysql_fetch_lengths(PMYSQL_RES, std::uint32_t*) override {}
    bool _mysql_fetch_value_is_null(PMYSQL_ROW, std::uint32_t) override { return false; }
    const char* _mysql_fetch_value_ptr(PMYSQL_RES, PMYSQL_ROW, std::uint32_t) override { return nullptr; }
    void _mysql_fetch_value_to_buff(PMYSQL_ROW, std::uint32_t, void*, std::uint32_t) override {}
    void _mysql_fetch_value_to_buff(PMYSQL_ROW, std::uint32_t, void*, std::size_t, std::uint32_t) override {}
    void _mysql_fetch_value_to_str(PMYSQL_ROW, std::uint32_t, std::uint32_t, char*) override {}
    const char* _mysql_fetch_value_arr(PMYSQL_ROW, std::uint32_t, std::uint32_t& offset) override {
        offset = 0;
        return nullptr;
    }
    std::string _mysql_fetch_value_str(PMYSQL_ROW, std::uint32_t) override { return sqlMode; }

    PMYSQL_ROW _mysql_stmt_fetch(PMYSQL_STMT) override { return nullptr; }
    int _mysql_stmt_execute(PMYSQL_STMT) override { return 1; }
    bool _mysql_stmt_bind_param(PMYSQL_STMT, TMySqlStmtBind*) override { return true; }
    bool _mysql_stmt_bind_result(PMYSQL_STMT, TMySqlStmtBind*) override { return true; }
    int _mysql_stmt_fetch_column(PMYSQL_STMT, TMySqlStmtBind*, std::uint32_t, std::uint32_t) override { return 1; }
    void _mysql_stmt_fetch_lengths(PMYSQL_STMT, std::uint32_t*) override {}
    const char* _mysql_stmt_fetch_value_ptr(PMYSQL_STMT, std::uint32_t) override { return nullptr; }

    void SetTimeout(PMYSQL_CON, int seconds) override { timeouts.push_back(seconds); }

private:
    struct Con;
    struct Res;
    Con* C(PMYSQL_CON h) { return reinterpret_cast<Con*>(h); }
    std::vector<std::unique_ptr<Con>> cons_;
};

/// Installs a fake as the direct implementation for the life of the object.
class FakeAPIInstall {
public:
    explicit FakeAPIInstall(TMySQLAPI& api);
    ~FakeAPIInstall();

private:
    TMySQLAPI* previous_;
};

}  // namespace brevant::test
