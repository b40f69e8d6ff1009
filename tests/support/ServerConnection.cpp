#include "ServerConnection.h"

#include <mutex>
#include <stdexcept>

#include "mysql/client/MySQLAPIs.h"

namespace brevant::test {

int CapturingAPI::mysql_real_query(PMYSQL_CON mysql, const char* query, std::size_t length) {
    statements.emplace_back(query, length);
    return TMySQLAPIDirect::mysql_real_query(mysql, query, length);
}

void CapturingTest::SetUp() { previous = SetMySQLAPI(akDirect, &api); }
void CapturingTest::TearDown() { SetMySQLAPI(akDirect, previous); }

void Configure(TMyConnection& c, const ServerAddress& server, const UString& charset) {
    c.Options().SetUseUnicode(true);
    c.Options().SetCharset(charset);
    c.Options().SetIPVersion(ivIPBoth);
    c.SetLoginPrompt(false);
    c.SetServer(Utf8ToUtf16(server.host));
    c.SetPort(server.port);
    c.SetUsername(Utf8ToUtf16(server.user));
    c.SetPassword(Utf8ToUtf16(server.password));
}

std::unique_ptr<TMyConnection> MakeConnection(const ServerAddress& server, const UString& charset,
                                              const UString& database, const UString& name) {
    auto conn = std::make_unique<TMyConnection>(name);
    Configure(*conn, server, charset);
    conn->SetDatabase(database);
    return conn;
}

void CreateDatabase(TMyConnection& c, const UString& database) {
    c.ExecSQL(u"CREATE DATABASE IF NOT EXISTS " + database);
}

void CreateDatabase(const ServerAddress& server, const UString& database, const UString& charset) {
    auto setup = MakeConnection(server, charset, u"");
    setup->Open();
    CreateDatabase(*setup, database);
}

void WithResult(TMySQLConnection& s, const std::string& sql,
                const std::function<void(TMySQLAPI&, PMYSQL_RES)>& read) {
    TMySQLAPI& a = *s.GetMySQLAPI();
    std::lock_guard<std::recursive_mutex> lock(s.FLock);
    s.Check(a.mysql_real_query(s.GetMySQL(), sql.data(), sql.size()), nullptr);
    PMYSQL_RES result = a.mysql_use_result(s.GetMySQL());
    if (!result) throw std::runtime_error("no result for " + sql);
    try {
        read(a, result);
    } catch (...) {
        a.mysql_free_result(result);
        throw;
    }
    a.mysql_free_result(result);
}

std::string QueryValue(TMyConnection& c, const std::string& sql) {
    std::string value = "<no row>";
    WithResult(*c.Session(), sql, [&](TMySQLAPI& a, PMYSQL_RES result) {
        if (PMYSQL_ROW row = a.mysql_fetch_row(result)) {
            value = a._mysql_fetch_value_is_null(row, 0) ? "<null>" : a._mysql_fetch_value_str(row, 0);
            while (a.mysql_fetch_row(result)) {
            }
        }
    });
    return value;
}

}  // namespace brevant::test
