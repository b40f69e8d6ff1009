#pragma once
// The command line of brevant-cli: a subcommand, its argument and the options.
// The password never comes from here (see ReadPassword).

#include <stdexcept>
#include <string>
#include <vector>

namespace brevant::cli {

enum class TKind { Server, Embedded, Access };

struct TCliOptions {
    std::string command;  // query, exec, backup, restore
    std::string argument;  // the SQL text or the file
    TKind kind = TKind::Server;
    std::string server = "localhost", user, database;
    int port = 3306;
    std::string basedir, datadir, accessFile;
    bool csv = false, structure = false, force = false, quiet = false, help = false;
    std::string tables, perTableDir;
};

/// Wrong usage: the message goes to stderr with the usage text, exit code 2.
class EUsage : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// Parses argv[1..]; EUsage on anything it does not understand.
TCliOptions ParseCommandLine(const std::vector<std::string>& args);

extern const char kUsage[];

}  // namespace brevant::cli
