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
    std::string settingsFile;  // --settings: the window's brevant.ini

    /// Which connection options the command line gave; the settings file fills the others.
    struct TGiven {
        bool kind = false, server = false, port = false, user = false, database = false, basedir = false,
             datadir = false;
    } given;
};

/// Wrong usage: the message goes to stderr with the usage text, exit code 2.
class EUsage : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// A settings file that cannot be used: exit code 1 with this message.
class ESettings : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// Parses argv[1..]; EUsage on anything it does not understand. With --settings the
/// file is read here (ESettings when it cannot be), before the checks that depend
/// on the connection kind.
TCliOptions ParseCommandLine(const std::vector<std::string>& args);

/// A port number from 1 to 65535, or 0 for any other text.
int ParsePort(const std::string& text);

extern const char kUsage[];

}  // namespace brevant::cli
