#pragma once
// Helpers for tests of TMySQLAPIDirect against the private server.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestServer.h"
#include "mysql/wire/TMySQLAPIDirect.h"

namespace brevant::test {

/// A connection through the operation set, closed at the end of the scope.
class DirectConnection {
public:
    DirectConnection(TMySQLAPIDirect& api, const ServerAddress& server, std::string user = {},
                     std::string password = {}, std::string db = {}, std::uint32_t flags = 0)
        : api_(api) {
        con_ = api_.mysql_init();
        api_.mysql_options(con_, MYSQL_OPT_CONNECT_TIMEOUT, 15);
        api_.mysql_options(con_, MYSQL_SET_CHARSET_NAME, std::string("utf8"));
        if (user.empty()) {
            user = server.user;
            password = server.password;
        }
        connected_ = api_.mysql_real_connect(con_, Widen(server.host), Widen(user), Widen(password), Widen(db),
                                             server.port, u"", flags) != nullptr;
    }
    ~DirectConnection() { api_.mysql_close(con_); }
    DirectConnection(const DirectConnection&) = delete;
    DirectConnection& operator=(const DirectConnection&) = delete;

    bool Connected() const { return connected_; }
    PMYSQL_CON Handle() const { return con_; }
    TMySqlSession& Session() const { return *TMySQLAPIDirect::Session(con_); }
    std::string Error() const { return api_.mysql_error(con_); }

    /// Runs a statement; returns the error code (0 on success).
    int Query(const std::string& sql) { return api_.mysql_real_query(con_, sql.data(), sql.size()); }
    /// Runs a statement that must succeed, reading and freeing any result.
    void Exec(const std::string& sql) {
        ASSERT_EQ(Query(sql), 0) << sql << ": " << Error();
        if (PMYSQL_RES r = api_.mysql_use_result(con_)) {
            while (api_.mysql_fetch_row(r)) {
            }
            api_.mysql_free_result(r);
        }
    }
    /// All rows of a query as text ("NULL" for NULL), values joined by '|'.
    std::vector<std::string> Rows(const std::string& sql) {
        std::vector<std::string> rows;
        EXPECT_EQ(Query(sql), 0) << sql << ": " << Error();
        PMYSQL_RES r = api_.mysql_use_result(con_);
        if (!r) return rows;
        const std::uint32_t n = api_.mysql_num_fields(r);
        while (PMYSQL_ROW row = api_.mysql_fetch_row(r)) {
            std::string line;
            for (std::uint32_t i = 0; i < n; ++i) {
                if (i) line += '|';
                line += api_._mysql_fetch_value_is_null(row, i) ? "NULL" : api_._mysql_fetch_value_str(row, i);
            }
            rows.push_back(line);
        }
        EXPECT_EQ(api_.mysql_errno(con_), 0u) << Error();
        api_.mysql_free_result(r);
        return rows;
    }
    std::string Value(const std::string& sql) {
        auto rows = Rows(sql);
        return rows.empty() ? std::string("<no row>") : rows[0];
    }

private:
    TMySQLAPIDirect& api_;
    PMYSQL_CON con_ = nullptr;
    bool connected_ = false;
};

}  // namespace brevant::test
