#pragma once
// The protocol operation set over a MySQL C-API library loaded at run time
// (dlopen, RTLD_NOW | RTLD_LOCAL, never linked): every operation calls the
// library function of the same name. Serves connections whose Direct option is
// False; TMySQLAPIEmbedded derives from it for the embedded server library.
// Handles are the library's own MYSQL, MYSQL_RES, MYSQL_ROW and MYSQL_STMT.

#include <string>

#include "mysql/wire/TMySQLAPI.h"

namespace brevant {

/// When not empty: the library file that both library implementations load
/// instead of their own (tests point it at a fake library).
extern std::string MySQLClientLibrary;

inline constexpr char16_t SMySQLNotLinked[] =
    u"MySQL API function is not linked. You should update MySQL client library (%s)";
inline constexpr char16_t SMySQLEmbNotLinked[] =
    u"MySQL API function is not linked. You should update MySQL Embedded Server library (%s)";
inline constexpr char16_t SMySQLLibNotLoaded[] =
    u"MySQL client library couldn't be loaded. Please place %s file to system folder (included to PATH) or to "
    u"the folder with executable unit of main program.";
inline constexpr char16_t SInvalidClientVersion[] = u"Invalid client version";
inline constexpr char16_t SStmtBindsNotSupported[] =
    u"Prepared statement binds are not supported over the MySQL client library";

/// The library's entry points, in the order they are resolved.
enum TMySQLEntry : int {
    epNumFields, epFetchFieldDirect, epFieldCount, epAffectedRows, epInsertId, epErrno, epError, epInfo,
    epThreadId, epCharacterSetName, epInit, epSslSet, epRealConnect, epClose, epSelectDb, epRealQuery, epKill,
    epPing, epGetServerInfo, epGetClientInfo, epGetHostInfo, epUseResult, epOptions, epFreeResult, epFetchRow,
    epFetchLengths, epServerInit, epServerEnd, epStmtInit, epStmtPrepare, epStmtExecute, epStmtParamCount,
    epStmtBindParam, epStmtBindResult, epStmtFieldCount, epStmtClose, epStmtFreeResult, epStmtErrno,
    epStmtError, epStmtFetch, epStmtFetchColumn, epStmtSendLongData, epStmtPrepareResult, epStmtResultMetadata,
    epStmtParamMetadata, epStmtAffectedRows, epStmtStoreResult, epMoreResults, epNextResult, epCount
};

/// The exported name of an entry point.
const char* MySQLEntryName(TMySQLEntry entry);

/// The layout generation of a library version text (an optional "5.5.5-"
/// prefix is skipped); raises "Invalid client version" for an unknown major.
TClientStructVer ClientStructVerOf(const std::string& version);

class TMySQLAPIClient : public TMySQLAPI {
public:
    TMySQLAPIClient() = default;
    ~TMySQLAPIClient() override = default;

    /// MySQLClientLibrary when set, else "libmysqlclient.so".
    virtual std::string GetLibraryName() const;

    std::uint32_t mysql_num_fields(PMYSQL_RES result) override;
    std::uint32_t mysql_field_count(PMYSQL_CON mysql) override;
    std::uint64_t mysql_affected_rows(PMYSQL_CON mysql) override;
    std::uint64_t mysql_insert_id(PMYSQL_CON mysql) override;
    std::uint32_t mysql_errno(PMYSQL_CON mysql) override;
    std::string mysql_error(PMYSQL_CON mysql) override;
    bool mysql_isservererror(PMYSQL_CON) override { return true; }
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
    bool mysql_stmt_isservererror(PMYSQL_STMT) override { return true; }
    int mysql_stmt_fetch(PMYSQL_STMT stmt) override;
    int mysql_stmt_fetch_column(PMYSQL_STMT stmt, TMySqlStmtBind* bind, std::uint32_t column,
                                std::uint32_t offset) override;
    bool mysql_stmt_send_long_data(PMYSQL_STMT stmt, std::uint32_t paramNumber, const char* data,
                                   std::size_t length) override;
    PMYSQL_RES mysql_stmt_result_metadata(PMYSQL_STMT stmt) override;
    PMYSQL_RES mysql_stmt_param_metadata(PMYSQL_STMT stmt) override;
    std::uint64_t mysql_stmt_affected_rows(PMYSQL_STMT stmt) override;
    int mysql_stmt_store_result(PMYSQL_STMT stmt) override;
    /// Only through the library; raises the "not linked" text when it lacks it.
    int mysql_stmt_prepare_result(PMYSQL_STMT stmt);

    bool mysql_more_results(PMYSQL_CON mysql) override;
    int mysql_next_result(PMYSQL_CON mysql) override;

    bool LoadedMySQLLib() override { return hMySQLLib != nullptr; }
    void LoadMySQLLib() override;
    void FreeMySQLLib() override;
    void CheckMySQLLib() override;

    PMYSQL_ROW _mysql_read_row(PMYSQL_RES result, int index) override;
    int _mysql_fetch_options(PMYSQL_RES, TMySqlFetchOption, int) override { return 0; }
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

    PMYSQL_ROW _mysql_stmt_fetch(PMYSQL_STMT stmt) override;
    int _mysql_stmt_execute(PMYSQL_STMT stmt) override;
    bool _mysql_stmt_bind_param(PMYSQL_STMT stmt, TMySqlStmtBind* binds) override;
    bool _mysql_stmt_bind_result(PMYSQL_STMT stmt, TMySqlStmtBind* binds) override;
    int _mysql_stmt_fetch_column(PMYSQL_STMT stmt, TMySqlStmtBind* bind, std::uint32_t column,
                                 std::uint32_t offset) override;
    void _mysql_stmt_fetch_lengths(PMYSQL_STMT stmt, std::uint32_t* lengths) override;
    const char* _mysql_stmt_fetch_value_ptr(PMYSQL_STMT stmt, std::uint32_t fieldnr) override;

    /// 4.1 layouts: 0 becomes one year; read and write timeouts. Older: nothing.
    void SetTimeout(PMYSQL_CON mysql, int seconds) override;

    /// The platform's error text of the last failed load (dlerror).
    const std::string& LastError() const { return FLastError; }

protected:
    /// Loads the library file `name` and resolves the entry points; false when
    /// it cannot be loaded (FLastError tells why).
    bool LoadLibraryFile(const std::string& name);
    /// The "not linked" text of this class.
    virtual const char16_t* NotLinkedText() const { return SMySQLNotLinked; }
    /// The resolved entry point, or the stand-by that raises the "not linked" text.
    template <class F>
    F Entry(TMySQLEntry entry) const {
        void* p = FEntries[entry];
        if (!p) GetNotLinkProc();
        return reinterpret_cast<F>(p);
    }
    [[noreturn]] void GetNotLinkProc() const;

    void* hMySQLLib = nullptr;
    std::string FLastError;
    void* FEntries[epCount] = {};
    /// The embedded class reads no original table name from the 4.0 layout.
    bool FOrgTableFrom4 = true;
};

}  // namespace brevant
