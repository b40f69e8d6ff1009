#pragma once
// A server can answer any query with a request for a file of the client's
// machine. The session uploads a file only when the statement it just sent is a
// LOAD DATA LOCAL INFILE naming exactly that file; this reads the name.

#include <string>
#include <string_view>
#include <vector>

namespace brevant {

/// The file names a LOAD DATA LOCAL INFILE statement may mean: its string
/// literal read with backslash escapes and read literally (the server's
/// NO_BACKSLASH_ESCAPES mode decides which one it requests). Empty when the
/// statement is no such statement.
std::vector<std::string> LocalInfileNames(std::string_view statement);

}  // namespace brevant
