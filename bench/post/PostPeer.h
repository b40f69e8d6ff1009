#pragma once
// The peer's side of the post benchmark, in its own file: the peer library's
// header defines names that clash with Brevant's protocol constants.

#include <string>

struct PostTarget {
    std::string host, user, password, database;
    int port = 3306;
};

/// "UPDATE post_bench SET v = <round+i> WHERE id = <i>" for i = 1..rows through
/// mysql_real_query; the wall seconds, or -1 with `error` set.
double PeerPost(const PostTarget& target, int rows, int round, std::string& error);

double WallSeconds();
