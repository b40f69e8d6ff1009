#pragma once
// The peer's side of the fetch benchmark, kept in its own file: the peer
// library's header defines names that clash with Brevant's protocol constants.

#include <cstdint>
#include <string>

struct FetchRun {
    std::uint64_t rows = 0;
    std::uint64_t checksum = 0;  // sum of every value byte, to compare the two sides
    double wallSeconds = 0, cpuSeconds = 0;
    std::string error;
};

struct FetchTarget {
    std::string host, user, password, database;
    int port = 3306;
};

/// SELECT * streamed with libmariadb's mysql_use_result / mysql_fetch_row,
/// `repeat` times in one measurement (small tables are read several times so
/// that the CPU times are long enough to compare).
FetchRun PeerFetch(const FetchTarget& target, const std::string& sql, int repeat);

/// Process CPU time and wall time in seconds.
double CpuSeconds();
double WallSeconds();
