#pragma once
// The peer's side of the open benchmark, in its own file: the peer library's header
// defines names that clash with Brevant's protocol constants.

#include <cstdint>
#include <string>

struct OpenTarget {
    std::string host, user, password, database;
    int port = 3306;
};

struct OpenRun {
    std::uint64_t rows = 0;
    double wallSeconds = 0, cpuSeconds = 0;
    std::string error;
};

/// SELECT * with mysql_store_result over a utf8 connection; the result is held
/// (not freed) when the figures are taken.
OpenRun PeerOpen(const OpenTarget& target, const std::string& sql);

double CpuSeconds();
double WallSeconds();
