// bench_odbc DBFILE [ROWS] [ROUNDS]
// Opens SELECT * of a table of mixed columns in an SQLite file through the SQLite3 ODBC
// driver with FDQuery (every row into its store), and, in the same run, a plain C loop
// of SQLFetch / SQLGetData over the same statement asking for the same C types and
// keeping nothing. Prints the median client CPU of each, the store's bytes per row
// against the values' own bytes per row, and last the CPU ratio.

#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "paths/FDCommand.h"
#include "paths/FDConn.h"
#include "paths/FDQuery.h"

using namespace brevant;

namespace {

double CpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec + ts.tv_nsec / 1e9;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void Connect(FDConn& conn, const std::string& file) {
    conn.Params.Clear();
    conn.Params.Add(u"DriverId=SQLite");
    conn.Params.Add(u"Database=" + Utf8ToUtf16(file));
    conn.Params.Add(u"User_name=");
    conn.Params.Add(u"Password=");
    conn.Open();
}

void Exec(FDConn& conn, const char16_t* sql) {
    FDCommand command;
    command.Connection = &conn;
    command.CommandText.Add(sql);
    command.Execute();
}

const char16_t* const Select = u"SELECT id, big, name, amount, stamp, ratio, note, data FROM odbc_mixed";

struct PeerResult {
    long long rows = 0;
    unsigned long long bytes = 0;  // the values' own bytes, as the driver gave them
};

PeerResult PeerLoop(FDConn& conn) {
    PeerResult r;
    TOdbcHandle stmt = conn.ExecDirect(Select);
    SQLSMALLINT cols = 0;
    SQLNumResultCols(stmt.Get(), &cols);
    std::vector<SQLSMALLINT> ctype(cols);
    std::vector<SQLLEN> length(cols);
    for (SQLUSMALLINT i = 0; i < cols; ++i) {
        SQLSMALLINT type = 0, nameLength = 0, decimals = 0, nullable = 0;
        SQLULEN size = 0;
        SQLCHAR name[128];
        SQLDescribeCol(stmt.Get(), i + 1, name, sizeof name, &nameLength, &type, &size, &decimals, &nullable);
        bool binary = type == SQL_BINARY || type == SQL_VARBINARY || type == SQL_LONGVARBINARY;
        ctype[i] = binary ? SQL_C_BINARY : SQL_C_CHAR;
        // A buffer of the declared size, as a loop that binds by the description would.
        length[i] = static_cast<SQLLEN>(std::clamp<SQLULEN>(size + 1, 64, 8192));
    }
    char buffer[8192];
    while (SQLFetch(stmt.Get()) == SQL_SUCCESS) {
        for (SQLUSMALLINT i = 0; i < cols; ++i) {
            SQLLEN ind = 0;
            SQLGetData(stmt.Get(), i + 1, ctype[i], buffer, length[i], &ind);
            if (ind > 0) r.bytes += static_cast<unsigned long long>(ind);
        }
        ++r.rows;
    }
    return r;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_odbc DBFILE [ROWS] [ROUNDS]\n");
        return 2;
    }
    const std::string file = argv[1];
    const long long rows = argc > 2 ? std::atoll(argv[2]) : 1000000;
    const int rounds = argc > 3 ? std::atoi(argv[3]) : 5;
    try {
        FDConn conn;
        Connect(conn, file);
        {
            FDQuery count;
            count.Connection = &conn;
            count.SQL.Add(u"SELECT COUNT(*) FROM sqlite_master WHERE name = 'odbc_mixed'");
            count.Open();
            bool ready = count.Fields()[0].AsLargeInt() == 1;
            if (ready) {
                FDQuery n;
                n.Connection = &conn;
                n.SQL.Add(u"SELECT COUNT(*) FROM odbc_mixed");
                n.Open();
                ready = n.Fields()[0].AsLargeInt() == rows;
            }
            if (!ready) {
                std::fprintf(stderr, "bench odbc: making %lld rows in %s\n", rows, file.c_str());
                Exec(conn, u"DROP TABLE IF EXISTS odbc_mixed");
                Exec(conn, u"CREATE TABLE odbc_mixed (id INTEGER PRIMARY KEY, big BIGINT, name VARCHAR(40), "
                           u"amount DECIMAL(12,2), stamp TIMESTAMP, ratio DOUBLE, note VARCHAR(100), data BLOB)");
                UString fill =
                    u"INSERT INTO odbc_mixed WITH RECURSIVE seq(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM seq "
                    u"WHERE x < " + IntToStr(rows) + u") "
                    u"SELECT x, x * 1000003, 'name-' || x || '-' || hex(randomblob(6)), round(x / 7.0, 2), "
                    u"datetime(1577836800 + x, 'unixepoch'), x * 1.25, "
                    u"CASE WHEN x % 5 = 0 THEN NULL ELSE substr('the quick brown fox jumps over the lazy dog', 1, x % 40) END, "
                    u"randomblob(16) FROM seq";
                Exec(conn, fill.c_str());
            }
        }

        std::vector<double> ours, peer;
        std::size_t storeBytes = 0;
        PeerResult values;
        for (int round = 0; round < rounds; ++round) {
            // Alternate which goes first, so neither always finds the caches warm.
            auto runPeer = [&] {
                double t0 = CpuSeconds();
                values = PeerLoop(conn);
                peer.push_back(CpuSeconds() - t0);
            };
            if (round % 2 == 0) runPeer();
            FDQuery query;
            query.Connection = &conn;
            query.SQL.Add(Select);
            double t0 = CpuSeconds();
            query.Open();
            ours.push_back(CpuSeconds() - t0);
            if (round % 2 == 1) runPeer();
            storeBytes = query.Store().MemoryBytes();
            if (query.RecordCount() != values.rows) {
                std::fprintf(stderr, "bench odbc: %lld rows against the loop's %lld\n",
                             static_cast<long long>(query.RecordCount()), values.rows);
                return 1;
            }
        }
        double perRowValues = static_cast<double>(values.bytes) / static_cast<double>(values.rows);
        double perRowStore = static_cast<double>(storeBytes) / static_cast<double>(values.rows);
        std::printf("rows: %lld, rounds: %d (medians of client CPU)\n", values.rows, rounds);
        std::printf("SQLFetch/SQLGetData loop: %.3f s\n", Median(peer));
        std::printf("FDQuery open (all rows held): %.3f s\n", Median(ours));
        std::printf("memory per row: store %.1f bytes, values %.1f bytes, ratio %.2f\n", perRowStore, perRowValues,
                    perRowStore / perRowValues);
        std::printf("ratio: %.2f\n", Median(ours) / Median(peer));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench odbc: %s\n", e.what());
        return 1;
    }
    return 0;
}
