#include "OpenPeer.h"

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

OpenRun PeerOpen(const OpenTarget& t, const std::string& sql) {
    OpenRun run;
    MYSQL* con = mysql_init(nullptr);
    mysql_options(con, MYSQL_SET_CHARSET_NAME, "utf8");
    if (!mysql_real_connect(con, t.host.c_str(), t.user.c_str(), t.password.c_str(), t.database.c_str(), t.port,
                            nullptr, 0)) {
        run.error = mysql_error(con);
        mysql_close(con);
        return run;
    }
    const double wall0 = WallSeconds(), cpu0 = CpuSeconds();
    if (mysql_real_query(con, sql.data(), sql.size()) != 0) {
        run.error = mysql_error(con);
    } else if (MYSQL_RES* res = mysql_store_result(con)) {
        run.rows = mysql_num_rows(res);
        run.cpuSeconds = CpuSeconds() - cpu0;
        run.wallSeconds = WallSeconds() - wall0;
        // Held: the process ends with it, after the peak was reached.
    } else {
        run.error = mysql_error(con);
    }
    return run;
}
