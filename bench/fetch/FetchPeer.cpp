#include "FetchPeer.h"

#include <mysql.h>
#include <time.h>

double CpuSeconds() {
    timespec ts;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec + ts.tv_nsec / 1e9;
}

double WallSeconds() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec + ts.tv_nsec / 1e9;
}

FetchRun PeerFetch(const FetchTarget& t, const std::string& sql, int repeat) {
    FetchRun run;
    MYSQL* con = mysql_init(nullptr);
    if (!mysql_real_connect(con, t.host.c_str(), t.user.c_str(), t.password.c_str(), t.database.c_str(), t.port,
                            nullptr, 0)) {
        run.error = mysql_error(con);
        mysql_close(con);
        return run;
    }
    const double wall0 = WallSeconds(), cpu0 = CpuSeconds();
    std::uint64_t sum = 0;
    for (int r = 0; r < repeat && run.error.empty(); ++r) {
        if (mysql_real_query(con, sql.data(), sql.size()) != 0) {
            run.error = mysql_error(con);
            break;
        }
        MYSQL_RES* res = mysql_use_result(con);
        const unsigned n = mysql_num_fields(res);
        while (MYSQL_ROW row = mysql_fetch_row(res)) {
            const unsigned long* lengths = mysql_fetch_lengths(res);
            for (unsigned i = 0; i < n; ++i) {
                const unsigned char* p = reinterpret_cast<const unsigned char*>(row[i]);
                if (!p) continue;
                for (unsigned long k = 0; k < lengths[i]; ++k) sum += p[k];
            }
            ++run.rows;
        }
        if (mysql_errno(con)) run.error = mysql_error(con);
        mysql_free_result(res);
    }
    run.cpuSeconds = CpuSeconds() - cpu0;
    run.wallSeconds = WallSeconds() - wall0;
    run.checksum = sum;
    mysql_close(con);
    return run;
}
