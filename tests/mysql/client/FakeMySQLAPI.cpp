#include "FakeMySQLAPI.h"

#include "mysql/client/MySQLAPIs.h"

namespace brevant::test {

struct FakeMySQLAPI::Res {
    bool fetched = false;
};

struct FakeMySQLAPI::Con {
    FakeError error;
    std::uint32_t fieldCount = 0;
    bool closed = false;
    Res result;
};

FakeMySQLAPI::FakeMySQLAPI() = default;
FakeMySQLAPI::~FakeMySQLAPI() = default;

std::uint32_t FakeMySQLAPI::mysql_field_count(PMYSQL_CON mysql) { return C(mysql)->fieldCount; }
std::uint32_t FakeMySQLAPI::mysql_errno(PMYSQL_CON mysql) { return C(mysql)->error.code; }
std::string FakeMySQLAPI::mysql_error(PMYSQL_CON mysql) { return C(mysql)->error.message; }
bool FakeMySQLAPI::mysql_isservererror(PMYSQL_CON mysql) { return C(mysql)->error.server; }

PMYSQL_CON FakeMySQLAPI::mysql_init(PMYSQL_CON) {
    ++inits;
    ++openHandles;
    cons_.push_back(std::make_unique<Con>());
    return reinterpret_cast<PMYSQL_CON>(cons_.back().get());
}

int FakeMySQLAPI::mysql_ssl_set(PMYSQL_CON, UStringView, UStringView, UStringView, UStringView, UStringView) {
    return 0;
}

PMYSQL_CON FakeMySQLAPI::mysql_real_connect(PMYSQL_CON mysql, UStringView host, UStringView user,
                                            UStringView passwd, UStringView db, std::uint32_t port, UStringView,
                                            std::uint32_t clientflag) {
    connects.push_back({UString(host), UString(user), UString(passwd), UString(db), port, clientflag});
    C(mysql)->error = {};
    if (connectError) {
        C(mysql)->error = *connectError;
        return nullptr;
    }
    return mysql;
}

void FakeMySQLAPI::mysql_close(PMYSQL_CON mysql) {
    ++closes;
    if (!C(mysql)->closed) --openHandles;
    C(mysql)->closed = true;
}

int FakeMySQLAPI::mysql_select_db(PMYSQL_CON mysql, UStringView db) {
    selectedDbs.emplace_back(db);
    C(mysql)->error = {};
    return 0;
}

int FakeMySQLAPI::mysql_real_query(PMYSQL_CON mysql, const char* query, std::size_t length) {
    std::string text(query, length);
    statements.push_back(text);
    Con& c = *C(mysql);
    c.error = {};
    c.fieldCount = 0;
    if (allQueriesFail) {
        c.error = *allQueriesFail;
        return static_cast<int>(c.error.code);
    }
    for (auto it = queryFailures.begin(); it != queryFailures.end(); ++it) {
        if (it->text != text) continue;
        c.error = it->error;
        if (it->once) queryFailures.erase(it);
        return static_cast<int>(c.error.code);
    }
    if (text.rfind("SELECT", 0) == 0) {
        c.fieldCount = 1;
        c.result = {};
    }
    return 0;
}

int FakeMySQLAPI::mysql_ping(PMYSQL_CON mysql) {
    ++pings;
    C(mysql)->error = {};
    if (pingResult != 0) C(mysql)->error = {static_cast<std::uint32_t>(pingResult), "ping failed", false};
    return pingResult;
}

PMYSQL_RES FakeMySQLAPI::mysql_use_result(PMYSQL_CON mysql) {
    if (C(mysql)->fieldCount == 0) return nullptr;
    return reinterpret_cast<PMYSQL_RES>(&C(mysql)->result);
}

int FakeMySQLAPI::mysql_options(PMYSQL_CON, TMySqlOption option, int value) {
    options.push_back({option, value, {}});
    return 0;
}

int FakeMySQLAPI::mysql_options(PMYSQL_CON, TMySqlOption option, const std::string& value) {
    options.push_back({option, 0, value});
    return 0;
}

void FakeMySQLAPI::mysql_free_result(PMYSQL_RES) {}

PMYSQL_ROW FakeMySQLAPI::mysql_fetch_row(PMYSQL_RES result) {
    auto* r = reinterpret_cast<Res*>(result);
    if (r->fetched) return nullptr;
    r->fetched = true;
    return reinterpret_cast<PMYSQL_ROW>(r);
}

FakeAPIInstall::FakeAPIInstall(TMySQLAPI& api) : previous_(SetMySQLAPI(akDirect, &api)) {}
FakeAPIInstall::~FakeAPIInstall() { SetMySQLAPI(akDirect, previous_); }

}  // namespace brevant::test
