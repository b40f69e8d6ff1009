#include "PostPeer.h"

#include <mysql.h>
#include <time.h>

double WallSeconds() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec + ts.tv_nsec / 1e9;
}

double PeerPost(const PostTarget& t, int rows, int round, std::string& error) {
    MYSQL* con = mysql_init(nullptr);
    if (!mysql_real_connect(con, t.host.c_str(), t.user.c_str(), t.password.c_str(), t.database.c_str(), t.port,
                            nullptr, CLIENT_FOUND_ROWS)) {
        error = mysql_error(con);
        mysql_close(con);
        return -1;
    }
    const double start = WallSeconds();
    for (int i = 1; i <= rows; ++i) {
        const std::string sql = "UPDATE post_bench\r\nSET\r\n  v = " + std::to_string(round + i) +
                                "\r\nWHERE\r\n  id = " + std::to_string(i);
        if (mysql_real_query(con, sql.data(), sql.size()) != 0 || mysql_affected_rows(con) != 1) {
            error = mysql_error(con);
            break;
        }
    }
    const double wall = WallSeconds() - start;
    mysql_close(con);
    return error.empty() ? wall : -1;
}
