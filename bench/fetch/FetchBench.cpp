// bench_fetch: streams SELECT * of the benchmark tables with TMySQLAPIDirect
// (mysql_use_result / mysql_fetch_row, every value's bytes read through the
// operation set, a whole row at a time) and with libmariadb doing the same
// work, in the same run.
// Prints rows/s for both, the client CPU ratio per table and, last,
// "ratio: X.XX": the larger ratio, Brevant's CPU time over libmariadb's.
// `bench/run fetch --callgrind` runs one round under callgrind instead and
// prints the instructions each client spent on both tables.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "FetchPeer.h"
#include "mysql/wire/TMySQLAPIDirect.h"

namespace {

using namespace brevant;

// Not inlined: `bench/run fetch --callgrind` counts its instructions by name.
[[gnu::noinline]] FetchRun BrevantFetch(TMySQLAPI& api, const FetchTarget& t, const std::string& sql, int repeat) {
    FetchRun run;
    PMYSQL_CON con = api.mysql_init();
    if (!api.mysql_real_connect(con, Widen(t.host), Widen(t.user), Widen(t.password), Widen(t.database),
                                static_cast<std::uint32_t>(t.port), u"", 0)) {
        run.error = api.mysql_error(con);
        api.mysql_close(con);
        return run;
    }
    const double wall0 = WallSeconds(), cpu0 = CpuSeconds();
    std::uint64_t sum = 0;
    for (int r = 0; r < repeat && run.error.empty(); ++r) {
        if (api.mysql_real_query(con, sql.data(), sql.size()) != 0) {
            run.error = api.mysql_error(con);
            break;
        }
        PMYSQL_RES res = api.mysql_use_result(con);
        const std::uint32_t n = api.mysql_num_fields(res);
        std::vector<std::uint32_t> lengths(n);
        std::vector<const char*> values(n);
        while (PMYSQL_ROW row = api.mysql_fetch_row(res)) {
            // The whole row at once, as the record set reads it.
            api._mysql_fetch_row_values(res, row, n, values.data(), lengths.data());
            for (std::uint32_t i = 0; i < n; ++i) {
                const auto* p = reinterpret_cast<const unsigned char*>(values[i]);
                if (!p) continue;
                for (std::uint32_t k = 0; k < lengths[i]; ++k) sum += p[k];
            }
            ++run.rows;
        }
        if (api.mysql_errno(con)) run.error = api.mysql_error(con);
        api.mysql_free_result(res);
    }
    run.cpuSeconds = CpuSeconds() - cpu0;
    run.wallSeconds = WallSeconds() - wall0;
    run.checksum = sum;
    api.mysql_close(con);
    return run;
}

std::string Env(const char* name, const char* fallback = "") {
    const char* v = std::getenv(name);
    return v ? v : fallback;
}

}  // namespace

int main(int argc, char** argv) {
    FetchTarget t;
    t.host = Env("BREVANT_TEST_HOST", "127.0.0.1");
    t.port = std::atoi(Env("BREVANT_TEST_PORT", "3306").c_str());
    t.user = Env("BREVANT_TEST_USER", "root");
    t.password = Env("BREVANT_TEST_PASSWORD");
    t.database = argc > 1 ? argv[1] : "brevant_bench_fetch";
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;

    TMySQLAPIDirect direct;
    TMySQLAPI& api = direct;
    double worst = 0;
    struct Table {
        const char* name;
        int repeat;  // reads per measurement
    };
    for (const Table& table : {Table{"fetch_mixed", 1}, Table{"fetch_ints", 5}}) {
        const std::string sql = std::string("SELECT * FROM ") + table.name;
        // Best of several rounds for each side, the two sides alternating.
        FetchRun ours, peer;
        for (int r = 0; r < rounds; ++r) {
            FetchRun a = BrevantFetch(api, t, sql, table.repeat);
            FetchRun b = PeerFetch(t, sql, table.repeat);
            if (!a.error.empty() || !b.error.empty()) {
                std::fprintf(stderr, "bench fetch: %s: %s%s\n", table.name, a.error.c_str(), b.error.c_str());
                return 1;
            }
            if (a.rows != b.rows || a.checksum != b.checksum) {
                std::fprintf(stderr, "bench fetch: %s: the two clients read different data\n", table.name);
                return 1;
            }
            if (r == 0 || a.cpuSeconds < ours.cpuSeconds) ours = a;
            if (r == 0 || b.cpuSeconds < peer.cpuSeconds) peer = b;
        }
        const double ratio = ours.cpuSeconds / peer.cpuSeconds;
        worst = std::max(worst, ratio);
        std::printf("%-12s %8llu rows  brevant %10.0f rows/s (cpu %.3f s)  libmariadb %10.0f rows/s (cpu %.3f s)  "
                    "cpu ratio %.2f\n",
                    table.name, static_cast<unsigned long long>(ours.rows), ours.rows / ours.wallSeconds, ours.cpuSeconds,
                    peer.rows / peer.wallSeconds, peer.cpuSeconds, ratio);
    }
    std::printf("ratio: %.2f\n", worst);
    return 0;
}
